#include "compile/lgp_checks.h"

#include <algorithm>
#include <string>

#include "config/error.h"
#include "flash/layout.h"

namespace tarvo {

namespace {

[[noreturn]] void Refuse(const std::string& what) { throw Error("The LGpack file cannot be compiled: " + what); }

void CheckPositions(const PhoneTypeRecord& type) {
  const struct {
    const char* name;
    std::int32_t value;
  } positions[] = {
      {"BlockCountPos", type.BlockCountPos},
      {"LangMapOffsetPos", type.LangMapOffsetPos},
      {"LangTableOffsetPos", type.LangTableOffsetPos},
      {"LangIdListOffsetPos", type.LangIdListOffsetPos},
      {"AllLangsPos", type.AllLangsPos},
      {"FirstLangIdPos", type.FirstLangIdPos},
      {"StringIndexOffsetPos", type.StringIndexOffsetPos},
      {"LgPackIdPos", type.LgPackIdPos},
      {"MaxMsgIdPos", type.MaxMsgIdPos},
      {"BlockTablePos", type.BlockTablePos},
  };
  for (const auto& position : positions) {
    if (position.value > kMaxHeaderOffset) {
      Refuse("the phone type's " + std::string(position.name) + " (" + std::to_string(position.value) +
             ") lies beyond the pack's 16-bit offsets.");
    }
  }
  if (type.LgPackIdPos < kBlockSizeFieldBeforeLgPackId) {
    Refuse("the phone type's LgPackIdPos must be at least 2 (the block size field stands before it).");
  }
}

}  // namespace

void CheckDataModel(const LgpFile& lgp) {
  const PhoneTypeRecord& type = lgp.PhoneType;
  if (IsEmptyRecord(type)) Refuse("it has no usable PhoneType line (a phone type of at least 15 items).");
  CheckPositions(type);
  if (lgp.AllLangs < 1) Refuse("AllLangs must be at least 1 (the file gives " + std::to_string(lgp.AllLangs) + ").");
  if (lgp.MaxMsgId < 0) Refuse("MaxMsgId must not be negative (the file gives " + std::to_string(lgp.MaxMsgId) + ").");
  if ((std::int64_t{lgp.MaxMsgId} + 1) * lgp.AllLangs > kMaxHeaderOffset) {
    Refuse(std::to_string(lgp.AllLangs) + " languages of " + std::to_string(lgp.MaxMsgId + 1) +
           " messages make more than 32767 strings.");
  }
  if (type.MaxMsgIdPos == 0 && lgp.MaxMsgId != type.DefaultMaxMsgId) {
    Refuse("the phone type has no MaxMsgId field and always holds messages 0 to " +
           std::to_string(type.DefaultMaxMsgId) + ", but the file gives MaxMsgId " + std::to_string(lgp.MaxMsgId) +
           ".");
  }
  if (lgp.LgPackId.size() > static_cast<std::size_t>(kMaxLgPackIdLength)) {
    Refuse("the LgPackId \"" + lgp.LgPackId + "\" is longer than 15 characters.");
  }
  // The identifier ends at its first byte 00.
  if (lgp.LgPackId.find('\0') != std::string::npos) Refuse("the LgPackId holds the character U+0000.");
  for (std::int32_t i = 0; i < lgp.AllLangs; ++i) {
    const std::int32_t id = lgp.LangIds[static_cast<std::size_t>(i)];
    if (id < 0 || id >= kLangIdListEnd || id >= type.LangMapSize) {
      Refuse("the LangId " + std::to_string(id) + " of language " + std::to_string(i + 1) +
             " must lie from 0 to 254 and below the language map size " + std::to_string(type.LangMapSize) + ".");
    }
  }
  if (type.IsLangFile &&
      std::find(lgp.SL4xLangName.begin(), lgp.SL4xLangName.end(), std::uint8_t{0}) != lgp.SL4xLangName.end()) {
    Refuse("the SL4xLangName turns into a byte 00, which would end the language name early.");
  }
}

}  // namespace tarvo
