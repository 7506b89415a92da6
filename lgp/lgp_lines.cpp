#include "lgp/lgp_lines.h"

#include <algorithm>
#include <cstdio>

#include "config/error.h"
#include "config/text_utils.h"
#include "lgp/lgp_file.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

enum class Key { PhoneType, AllLangs, MaxMsgId, LgPackId, LangId, String, SL4xLangName, Other };

// Compares a key as written with one in capitals, regardless of letter case.
bool IsKey(std::u16string_view text, std::string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i] >= u'a' && text[i] <= u'z' ? static_cast<char16_t>(text[i] - 32) : text[i];
    if (c != static_cast<unsigned char>(upper[i])) return false;
  }
  return true;
}

Key KeyOf(std::u16string_view text) {
  static constexpr std::pair<std::string_view, Key> kKeys[] = {{"STRING", Key::String},
                                                               {"LANGID", Key::LangId},
                                                               {"PHONETYPE", Key::PhoneType},
                                                               {"ALLLANGS", Key::AllLangs},
                                                               {"MAXMSGID", Key::MaxMsgId},
                                                               {"LGPACKID", Key::LgPackId},
                                                               {"SL4XLANGNAME", Key::SL4xLangName}};
  for (const auto& [name, key] : kKeys) {
    if (IsKey(text, name)) return key;
  }
  return Key::Other;
}

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

}  // namespace

std::size_t FindUnstorable(std::u16string_view text) {
  const auto found = std::find_if(text.begin(), text.end(), [](char16_t c) { return c > 0x7FFF; });
  return found == text.end() ? LgpLineSink::kStorable : static_cast<std::size_t>(found - text.begin());
}

std::size_t LgpLines::Sections() const {
  return static_cast<std::size_t>(std::max(std::min(langCount_, allLangs_), 0));
}

void LgpLines::Handle(std::u16string_view line, std::int64_t number) {
  number_ = number;
  if (line.empty() || line.front() == u';') return;
  auto separator = line.find(u' ');
  if (separator == std::u16string_view::npos) separator = line.find(u'\t');
  if (separator == std::u16string_view::npos) {
    // A pack without an identifier decompiles to a bare "LgPackId": ignoring
    // it leaves the identifier empty, as meant.
    if (!IsKey(line, "LGPACKID"))
      Warn("no-value", "the line \"" + Ascii(line) + "\" has no value after its key and is ignored.");
    return;
  }
  const std::u16string_view key = RTrimWide(line.substr(0, separator));
  const std::u16string_view value = LTrimWide(line.substr(separator + 1));

  switch (KeyOf(key)) {
    case Key::PhoneType:
      sink_.PhoneType(Latin1(value, "PhoneType"));
      break;
    case Key::AllLangs:
      // Every later count and index is bounded by this one: 0 to 32767 languages.
      allLangs_ = Number(value, "AllLangs");
      sink_.AllLangs(allLangs_, static_cast<std::size_t>(std::max(allLangs_, 0)));
      break;
    case Key::MaxMsgId:
      sink_.MaxMsgId(Number(value, "MaxMsgId"));
      break;
    case Key::LgPackId:
      sink_.LgPackId(value, Latin1(value, "LgPackId"));
      break;
    case Key::LangId: {
      const std::int32_t id = Number(value, "LangId");
      if (langCount_ < allLangs_) {
        sink_.LangId(static_cast<std::size_t>(langCount_++), id);
      } else if (allLangs_ <= 0) {
        Warn("langid-ignored", "the LangId line is ignored: no AllLangs line of at least 1 comes before it.");
      } else {
        Warn("langid-ignored",
             "the LangId line is ignored: AllLangs is " + std::to_string(allLangs_) +
                 " and every language already has its LangId, so the String lines after it go "
                 "to language " +
                 std::to_string(langCount_) + ".");
      }
      break;
    }
    case Key::String:
      String(value);
      break;
    case Key::SL4xLangName:
      if (const auto text = Quoted(value)) {
        if (const auto at = sink_.SL4xLangName(*text); at != LgpLineSink::kStorable)
          FailUnstorable(*text, at, "the SL4xLangName");
      } else {
        Warn("unclosed-quote", "the SL4xLangName value does not end with a quotation mark and is ignored.");
      }
      break;
    case Key::Other:
      Warn("unknown-key",
           "the key \"" + Ascii(key) +
               "\" is none of PhoneType, AllLangs, MaxMsgId, LgPackId, SL4xLangName, LangId and "
               "String; the line is ignored.");
      break;
  }
}

std::string LgpLines::Refusal(const std::string& what) const {
  return "Line " + std::to_string(number_) + " of the LGpack file: " + what;
}

void LgpLines::Fail(const std::string& what) const {
  if (diagnostics_) diagnostics_->FailedLine = number_;
  throw Error(Refusal(what));
}

void LgpLines::Warn(const char* kind, std::string text, std::optional<std::int32_t> message,
                    std::optional<std::int32_t> language) const {
  if (diagnostics_) diagnostics_->Warnings.push_back({number_, kind, message, language, std::move(text)});
}

std::int32_t LgpLines::Number(std::u16string_view text, const char* what) const {
  const auto value = ReadDecimal(text, INT16_MIN, INT16_MAX);
  if (!value) Fail(std::string(what) + " \"" + Ascii(text) + "\" does not fit 16 bits (-32768 to 32767).");
  if (diagnostics_ && !IsPlainInteger(text)) {
    Warn("loose-number", std::string(what) + " \"" + Ascii(text) +
                             "\" is no plain whole number and reads as " + std::to_string(*value) + ".");
  }
  return *value;
}

std::string LgpLines::Latin1(std::u16string_view text, const char* what) const {
  auto bytes = Utf16ToLatin1(text);
  if (!bytes) Fail(std::string(what) + " may hold only 8-bit characters (up to U+00FF).");
  return std::move(*bytes);
}

// The text between the first quotation mark and the final one, if the value
// ends with a quotation mark.
std::optional<std::u16string_view> LgpLines::Quoted(std::u16string_view value) const {
  if (value.empty() || value.back() != u'"') return std::nullopt;
  const auto open = value.find(u'"');
  if (open + 1 == value.size()) Fail("the text has no opening quotation mark.");
  return value.substr(open + 1, value.size() - open - 2);
}

std::string LgpLines::UnstorableRefusal(std::u16string_view text, std::size_t at,
                                        const std::string& what) const {
  return Refusal("the character " + CodePointName(text[at]) + " at position " + std::to_string(at + 1) +
                 " of " + what + " cannot be stored in the phone's text (characters above U+7FFF cannot).");
}

std::string LgpLines::StringName(std::int32_t message, std::size_t language) {
  return "string " + std::to_string(message) + " in language " + std::to_string(language + 1);
}

void LgpLines::FailUnstorable(std::u16string_view text, std::size_t at, const std::string& what) const {
  if (diagnostics_) diagnostics_->FailedLine = number_;
  throw Error(UnstorableRefusal(text, at, what));
}

void LgpLines::String(std::u16string_view value) {
  const auto comma = value.find(u',');
  if (comma == std::u16string_view::npos) Fail("the String line has no comma after its number.");
  const std::u16string_view numberText = value.substr(0, comma);
  const bool hexNumber = !numberText.empty() && numberText.front() == u'$';
  std::int32_t message;
  if (hexNumber) {
    // Any character that is no hexadecimal digit makes the number 0.
    const std::u16string_view digits = numberText.substr(1);
    message = HexValue(Ascii(digits));
    const bool allHex = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                       [](char16_t c) { return HexDigit(c) >= 0; });
    if (message == 0 && diagnostics_ && !allHex) {
      Warn("loose-number",
           "the string number \"" + Ascii(numberText) + "\" is no hexadecimal number and reads as 0.", 0,
           langCount_ > 0 ? std::optional(langCount_ - 1) : std::nullopt);
    }
  } else {
    message = Number(numberText, "the string number");
  }
  if (message < 0 || message > INT16_MAX) {
    Fail("the string number " + std::to_string(message) + " lies outside 0 to 32767.");
  }
  // Lines after a LangId line beyond AllLangs go to the last language.
  const std::int32_t language = langCount_ - 1;
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
  if (language >= allLangs_) {
    Fail("the String line belongs to language " + std::to_string(language + 1) + ", but AllLangs is " +
         std::to_string(allLangs_) + ".");
  }
  if (const auto at = sink_.String(static_cast<std::size_t>(language), message, *text, hexNumber);
      at != LgpLineSink::kStorable) {
    FailUnstorable(*text, at, StringName(message, static_cast<std::size_t>(language)));
  }
}

}  // namespace tarvo
