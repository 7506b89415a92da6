#include "lgp/lgp_file.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "codec/encode.h"
#include "config/error.h"
#include "config/text_utils.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

std::string Ascii(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return ascii;
}

// A number as it is written, before lenient reading: an optional sign and
// digits, nothing else but the blanks around it.
bool IsPlainInteger(std::u16string_view text) {
  std::size_t p = 0;
  while (p < text.size() && text[p] == u' ') ++p;
  if (p < text.size() && (text[p] == u'-' || text[p] == u'+')) ++p;
  const std::size_t digits = p;
  while (p < text.size() && text[p] >= u'0' && text[p] <= u'9') ++p;
  if (p == digits) return false;
  while (p < text.size() && text[p] == u' ') ++p;
  return p == text.size();
}

class LineReader {
 public:
  LineReader(const CharTable& table, LgpFile& lgp, LgpDiagnostics* diagnostics)
      : table_(table), lgp_(lgp), diagnostics_(diagnostics) {}

  void Handle(std::u16string_view line, std::int64_t number) {
    number_ = number;
    if (line.empty() || line.front() == u';') return;
    auto separator = line.find(u' ');
    if (separator == std::u16string_view::npos) separator = line.find(u'\t');
    if (separator == std::u16string_view::npos) {
      // A pack without an identifier decompiles to a bare "LgPackId": ignoring
      // it leaves the identifier empty, as meant.
      if (UpperAscii(Ascii(line)) != "LGPACKID")
        Warn("no-value", "the line \"" + Ascii(line) + "\" has no value after its key and is ignored.");
      return;
    }
    const std::string key = UpperAscii(Ascii(RTrimWide(line.substr(0, separator))));
    const std::u16string_view value = LTrimWide(line.substr(separator + 1));

    if (key == "PHONETYPE") {
      const std::string text = Latin1(value, "PhoneType");
      if (diagnostics_) {
        PhoneTypeRecord trial;
        ParsePhoneType(text, trial);
        if (IsEmptyRecord(trial)) {
          Warn("phonetype-ignored", "the PhoneType value has fewer than 15 usable items and is ignored.");
        }
      }
      ParsePhoneType(text, lgp_.PhoneType);
    } else if (key == "ALLLANGS") {
      lgp_.AllLangs = Number(value, "AllLangs");
      const auto count = static_cast<std::size_t>(std::max(lgp_.AllLangs, 0));
      if (diagnostics_) WarnDiscarded();
      lgp_.LangIds.assign(count, 0);
      lgp_.Strings.assign(count, {});
      if (diagnostics_) diagnostics_->Sources.assign(count, {});
    } else if (key == "MAXMSGID") {
      lgp_.MaxMsgId = Number(value, "MaxMsgId");
    } else if (key == "LGPACKID") {
      lgp_.LgPackId = Latin1(value, "LgPackId");
    } else if (key == "LANGID") {
      const std::int32_t id = Number(value, "LangId");
      if (lgp_.LangCount < lgp_.AllLangs) {
        lgp_.LangIds[static_cast<std::size_t>(lgp_.LangCount++)] = id;
      } else if (lgp_.AllLangs <= 0) {
        Warn("langid-ignored", "the LangId line is ignored: no AllLangs line of at least 1 comes before it.");
      } else {
        Warn("langid-ignored", "the LangId line is ignored: AllLangs is " + std::to_string(lgp_.AllLangs) +
                                   " and every language already has its LangId, so the String lines after it go "
                                   "to language " + std::to_string(lgp_.LangCount) + ".");
      }
    } else if (key == "STRING") {
      String(value);
    } else if (key == "SL4XLANGNAME") {
      if (const auto text = Quoted(value)) {
        lgp_.SL4xLangName = Encode(*text, "the SL4xLangName");
      } else {
        Warn("unclosed-quote", "the SL4xLangName value does not end with a quotation mark and is ignored.");
      }
    } else {
      Warn("unknown-key", "the key \"" + Ascii(RTrimWide(line.substr(0, separator))) +
                              "\" is none of PhoneType, AllLangs, MaxMsgId, LgPackId, SL4xLangName, LangId and "
                              "String; the line is ignored.");
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    if (diagnostics_) diagnostics_->FailedLine = number_;
    throw Error("Line " + std::to_string(number_) + " of the LGpack file: " + what);
  }

  void Warn(const char* kind, std::string text, std::optional<std::int32_t> message = {},
            std::optional<std::int32_t> language = {}) {
    if (diagnostics_) diagnostics_->Warnings.push_back({number_, kind, message, language, std::move(text)});
  }

  // An AllLangs line after strings or LangIds throws them away.
  void WarnDiscarded() {
    std::size_t strings = 0;
    for (const auto& language : lgp_.Strings) strings += language.size();
    if (strings == 0 && lgp_.LangCount == 0) return;
    std::string text = "this AllLangs line discards the " + std::to_string(strings) + " strings read before it";
    if (lgp_.LangCount > 0) {
      text += ", and the " + std::to_string(lgp_.LangCount) +
              " LangId lines before it still count, so the next LangId line fills language " +
              std::to_string(lgp_.LangCount + 1);
    }
    Warn("strings-discarded", text + ".");
  }

  std::int32_t Number(std::u16string_view text, const char* what) {
    const auto value = ReadDecimal(text, INT16_MIN, INT16_MAX);
    if (!value) Fail(std::string(what) + " \"" + Ascii(text) + "\" does not fit 16 bits (-32768 to 32767).");
    if (diagnostics_ && !IsPlainInteger(text)) {
      Warn("loose-number", std::string(what) + " \"" + Ascii(text) + "\" is no plain whole number and reads as " +
                               std::to_string(*value) + ".");
    }
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
      const std::u16string_view digits = numberText.substr(1);
      const bool hex = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                      [](char16_t c) { return HexDigit(c) >= 0; });
      if (message == 0 && diagnostics_ && !hex) {
        Warn("loose-number", "the string number \"" + Ascii(numberText) +
                                 "\" is no hexadecimal number and reads as 0.",
             0, lgp_.LangCount > 0 ? std::optional(lgp_.LangCount - 1) : std::nullopt);
      }
    } else {
      message = Number(numberText, "the string number");
    }
    if (message < 0 || message > INT16_MAX) {
      Fail("the string number " + std::to_string(message) + " lies outside 0 to 32767.");
    }
    const std::int32_t language = lgp_.LangCount - 1;
    const auto text = Quoted(value.substr(comma + 1));
    if (!text) {
      Warn("unclosed-quote",
           "the text of string " + std::to_string(message) +
               " does not end with a quotation mark, so nothing is stored (the string stays empty or keeps the "
               "text of an earlier line).",
           message, language >= 0 ? std::optional(language) : std::nullopt);
      return;
    }
    if (language < 0) Fail("a String line comes before the first LangId line.");
    if (language >= lgp_.AllLangs) {
      Fail("the String line belongs to language " + std::to_string(language + 1) + ", but AllLangs is " +
           std::to_string(lgp_.AllLangs) + ".");
    }
    const auto l = static_cast<std::size_t>(language);
    lgp_.Strings[l][message] =
        Encode(*text, "string " + std::to_string(message) + " in language " + std::to_string(language + 1));
    if (diagnostics_) {
      auto& sources = diagnostics_->Sources[l];
      if (const auto earlier = sources.find(message); earlier != sources.end()) {
        Warn("string-replaced",
             "string " + std::to_string(message) + " of this language was already given on line " +
                 std::to_string(earlier->second.Line) + "; this line replaces it.",
             message, language);
      }
      sources[message] = {number_, diagnostics_->KeepTexts ? std::u16string(*text) : std::u16string()};
    }
  }

  const CharTable& table_;
  LgpFile& lgp_;
  LgpDiagnostics* diagnostics_;
  std::int64_t number_ = 0;
};

// Header lines may stand anywhere, so whether a string is packed is known
// only at the end: numbers above MaxMsgId are read but never packed.
void WarnBeyondMaxMsgId(const LgpFile& lgp, LgpDiagnostics& diagnostics) {
  for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
    const auto& sources = diagnostics.Sources[l];
    for (auto it = sources.upper_bound(std::max(lgp.MaxMsgId, -1)); it != sources.end(); ++it) {
      diagnostics.Warnings.push_back({it->second.Line, "beyond-maxmsgid", it->first, static_cast<std::int32_t>(l),
                                      "string " + std::to_string(it->first) + " lies above MaxMsgId " +
                                          std::to_string(lgp.MaxMsgId) + " and is never packed."});
    }
  }
  std::stable_sort(diagnostics.Warnings.begin(), diagnostics.Warnings.end(),
                   [](const LgpWarning& a, const LgpWarning& b) { return a.Line < b.Line; });
}

}  // namespace

const PhoneBytes& LgpFile::StringAt(std::int32_t language, std::int32_t message) const {
  static const PhoneBytes empty;
  const auto& strings = Strings[static_cast<std::size_t>(language)];
  const auto found = strings.find(message);
  return found == strings.end() ? empty : found->second;
}

LgpReadStatus ReadLgpFile(std::span<const std::uint8_t> file, const CharTable& table, LgpFile& lgp,
                          const std::function<void()>& afterLine, LgpDiagnostics* diagnostics) {
  if (file.empty()) return LgpReadStatus::EmptyFile;
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xFE) return LgpReadStatus::NoByteOrderMark;
  LineReader reader(table, lgp, diagnostics);
  std::size_t pos = 2;
  std::u16string line;
  std::int64_t number = 0;
  // The loop runs at least once, like the reading of any other line.
  do {
    ReadUnicodeLine(file, pos, line);
    reader.Handle(LTrimWide(RTrimWide(line)), ++number);
    if (afterLine) afterLine();
  } while (pos < file.size());
  if (diagnostics) WarnBeyondMaxMsgId(lgp, *diagnostics);
  return LgpReadStatus::Read;
}

}  // namespace tarvo
