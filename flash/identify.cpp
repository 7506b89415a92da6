#include "flash/identify.h"

#include <algorithm>

#include "codec/decode.h"
#include "config/text_utils.h"
#include "flash/layout.h"

namespace tarvo {

namespace {

bool ByteAt(std::span<const std::uint8_t> file, std::int64_t offset, std::uint8_t expected) {
  return offset >= 0 && offset < static_cast<std::int64_t>(file.size()) &&
         file[static_cast<std::size_t>(offset)] == expected;
}

bool Matches(std::span<const std::uint8_t> file, const PhoneTypeRecord& type) {
  for (std::size_t i = 0; i < kPackSignature.size(); ++i) {
    if (!ByteAt(file, std::int64_t{type.PackOffset} + static_cast<std::int64_t>(i), kPackSignature[i])) {
      return false;
    }
  }
  if (type.IdBytes.empty() || type.IdBytes.back().Offset == 0) return true;
  return std::all_of(type.IdBytes.begin(), type.IdBytes.end(),
                     [&](const IdByte& id) { return ByteAt(file, id.Offset, id.Value); });
}

}  // namespace

bool IsLanguageFilePath(std::string_view path) {
  if (path.size() < 3) return false;
  return UpperAscii(path.substr(path.size() - 3)) == "LNG";
}

Identification IdentifyFlash(std::span<const std::uint8_t> file, std::string_view path, const Configuration& config,
                             bool saveSignatures) {
  Identification result;
  std::size_t langFileType = config.PhoneTypes.size();
  std::int32_t langFileOffset = 0;
  if (IsLanguageFilePath(path)) {
    const auto langType = std::find_if(config.PhoneTypes.begin(), config.PhoneTypes.end(),
                                       [](const PhoneTypeRecord& t) { return t.IsLangFile; });
    if (langType != config.PhoneTypes.end()) {
      const auto nameEnd = std::find(file.begin(), file.end(), std::uint8_t{0});
      // Without a byte 00 the file has no pack: it is not identified.
      if (nameEnd == file.end() || nameEnd - file.begin() >= INT32_MAX) return result;
      langFileType = static_cast<std::size_t>(langType - config.PhoneTypes.begin());
      langFileOffset = static_cast<std::int32_t>(nameEnd - file.begin()) + 1;
      result.LanguageName = DecodePhoneString(std::span(file.begin(), nameEnd), config.Chars, saveSignatures);
    }
  }
  for (std::size_t i = 0; i < config.PhoneTypes.size(); ++i) {
    PhoneTypeRecord type = config.PhoneTypes[i];
    if (i == langFileType) type.PackOffset = langFileOffset;
    if (!IsEmptyRecord(type) && Matches(file, type)) {
      result.TypeIndex = static_cast<int>(i);
      result.Type = std::move(type);
      return result;
    }
  }
  return result;
}

}  // namespace tarvo
