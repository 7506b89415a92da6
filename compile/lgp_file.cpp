#include "compile/lgp_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "codec/encode.h"
#include "codec/unicode_line.h"
#include "config/error.h"
#include "config/text_utils.h"

namespace tarvo {

namespace {

std::string Ascii(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ascii;
}

class LineReader {
 public:
  LineReader(const CharTable& table, LgpFile& lgp) : table_(table), lgp_(lgp) {}

  void Handle(std::u16string_view line, std::int64_t number) {
    number_ = number;
    if (line.empty() || line.front() == u';') return;
    auto separator = line.find(u' ');
    if (separator == std::u16string_view::npos) separator = line.find(u'\t');
    if (separator == std::u16string_view::npos) return;
    const std::string key = UpperAscii(Ascii(RTrimWide(line.substr(0, separator))));
    const std::u16string_view value = LTrimWide(line.substr(separator + 1));

    if (key == "PHONETYPE") {
      ParsePhoneType(Latin1(value, "PhoneType"), lgp_.PhoneType);
    } else if (key == "ALLLANGS") {
      lgp_.AllLangs = Number(value, "AllLangs");
      const auto count = static_cast<std::size_t>(std::max(lgp_.AllLangs, 0));
      lgp_.LangIds.assign(count, 0);
      lgp_.Strings.assign(count, {});
    } else if (key == "MAXMSGID") {
      lgp_.MaxMsgId = Number(value, "MaxMsgId");
    } else if (key == "LGPACKID") {
      lgp_.LgPackId = Latin1(value, "LgPackId");
    } else if (key == "LANGID") {
      const std::int32_t id = Number(value, "LangId");
      if (lgp_.LangCount < lgp_.AllLangs) lgp_.LangIds[static_cast<std::size_t>(lgp_.LangCount++)] = id;
    } else if (key == "STRING") {
      String(value);
    } else if (key == "SL4XLANGNAME") {
      if (const auto text = Quoted(value)) lgp_.SL4xLangName = Encode(*text, "the SL4xLangName");
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Line " + std::to_string(number_) + " of the LGpack file: " + what);
  }

  std::int32_t Number(std::u16string_view text, const char* what) const {
    const auto value = ReadDecimal(text, INT16_MIN, INT16_MAX);
    if (!value) Fail(std::string(what) + " \"" + Ascii(text) + "\" does not fit 16 bits (-32768 to 32767).");
    return *value;
  }

  std::string Latin1(std::u16string_view text, const char* what) const {
    const auto bytes = Utf16ToLatin1(text);
    if (!bytes) Fail(std::string(what) + " may hold only 8-bit characters (up to U+00FF).");
    return *bytes;
  }

  // The text between the first quotation mark and the final one, if the
  // value ends with a quotation mark.
  std::optional<std::u16string_view> Quoted(std::u16string_view value) const {
    if (value.empty() || value.back() != u'"') return std::nullopt;
    const auto open = value.find(u'"');
    if (open + 1 == value.size()) Fail("the text has no opening quotation mark.");
    return value.substr(open + 1, value.size() - open - 2);
  }

  PhoneBytes Encode(std::u16string_view text, const std::string& what) const {
    EncodeResult result = EncodePhoneString(text, table_);
    if (!result.Ok) {
      char unit[16];
      std::snprintf(unit, sizeof unit, "U+%04X", static_cast<unsigned>(text[result.FailedAt]));
      Fail("the character " + std::string(unit) + " at position " + std::to_string(result.FailedAt + 1) +
           " of " + what + " cannot be stored in the phone's text (characters above U+7FFF cannot).");
    }
    return std::move(result.Bytes);
  }

  void String(std::u16string_view value) {
    const auto comma = value.find(u',');
    if (comma == std::u16string_view::npos) Fail("the String line has no comma after its number.");
    const std::u16string_view numberText = value.substr(0, comma);
    std::int32_t message;
    if (!numberText.empty() && numberText.front() == u'$') {
      message = HexValue(Ascii(numberText.substr(1)));
    } else {
      message = Number(numberText, "the string number");
    }
    if (message < 0 || message > INT16_MAX) {
      Fail("the string number " + std::to_string(message) + " lies outside 0 to 32767.");
    }
    const auto text = Quoted(value.substr(comma + 1));
    if (!text) return;
    const std::int32_t language = lgp_.LangCount - 1;
    if (language < 0) Fail("a String line comes before the first LangId line.");
    if (language >= lgp_.AllLangs) {
      Fail("the String line belongs to language " + std::to_string(language + 1) + ", but AllLangs is " +
           std::to_string(lgp_.AllLangs) + ".");
    }
    lgp_.Strings[static_cast<std::size_t>(language)][message] =
        Encode(*text, "string " + std::to_string(message) + " in language " + std::to_string(language + 1));
  }

  const CharTable& table_;
  LgpFile& lgp_;
  std::int64_t number_ = 0;
};

}  // namespace

const PhoneBytes& LgpFile::StringAt(std::int32_t language, std::int32_t message) const {
  static const PhoneBytes empty;
  const auto& strings = Strings[static_cast<std::size_t>(language)];
  const auto found = strings.find(message);
  return found == strings.end() ? empty : found->second;
}

LgpReadStatus ReadLgpFile(std::span<const std::uint8_t> file, const CharTable& table, LgpFile& lgp,
                          const std::function<void()>& afterLine) {
  if (file.empty()) return LgpReadStatus::EmptyFile;
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xFE) return LgpReadStatus::NoByteOrderMark;
  LineReader reader(table, lgp);
  std::size_t pos = 2;
  std::u16string line;
  std::int64_t number = 0;
  // The loop runs at least once, like the reading of any other line.
  do {
    ReadUnicodeLine(file, pos, line);
    reader.Handle(LTrimWide(RTrimWide(line)), ++number);
    if (afterLine) afterLine();
  } while (pos < file.size());
  return LgpReadStatus::Read;
}

}  // namespace tarvo
