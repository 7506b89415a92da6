#include "lgp/lgp_scan.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "config/error.h"
#include "config/text_utils.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

class Scanner {
 public:
  explicit Scanner(LgpScan& scan) : scan_(scan) {}

  // `line` holds the untrimmed units of the line that starts at byte `start`.
  void Handle(std::u16string_view line, std::size_t start, std::size_t number) {
    number_ = number;
    const std::u16string_view trimmed = LTrimWide(RTrimWide(line));
    if (trimmed.empty() || trimmed.front() == u';') return;
    auto separator = trimmed.find(u' ');
    if (separator == std::u16string_view::npos) separator = trimmed.find(u'\t');
    if (separator == std::u16string_view::npos) return;
    const auto key = Utf16ToLatin1(RTrimWide(trimmed.substr(0, separator)));
    if (!key) return;
    const std::u16string_view value = LTrimWide(trimmed.substr(separator + 1));
    const std::string upper = UpperAscii(*key);
    if (upper == "ALLLANGS") {
      allLangs_ = Number(value, "AllLangs");
      const auto count = static_cast<std::size_t>(std::max(allLangs_, 0));
      langIds_.assign(count, 0);
      langIdLines_.assign(count, 0);
      texts_.assign(count, {});
    } else if (upper == "MAXMSGID") {
      scan_.MaxMsgId = Number(value, "MaxMsgId");
    } else if (upper == "LGPACKID") {
      scan_.LgPackId = value;
    } else if (upper == "LANGID") {
      const std::int32_t id = Number(value, "LangId");
      if (langCount_ < allLangs_) {
        langIds_[static_cast<std::size_t>(langCount_)] = id;
        langIdLines_[static_cast<std::size_t>(langCount_++)] = number;
      }
    } else if (upper == "STRING") {
      // Offsets of the value's units in the file.
      String(value, start + 2 * static_cast<std::size_t>(value.data() - line.data()));
    }
  }

  void Finish() {
    // A negative AllLangs gives no languages (and no count beyond the lists).
    const auto count = static_cast<std::size_t>(std::max(std::min(langCount_, allLangs_), 0));
    for (std::size_t l = 0; l < count; ++l) {
      scan_.Languages.push_back({langIds_[l], langIdLines_[l], std::move(texts_[l])});
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw Error("Line " + std::to_string(number_) + " of the LGpack file: " + what);
  }

  std::int32_t Number(std::u16string_view text, const char* what) const {
    const auto value = ReadDecimal(text, INT16_MIN, INT16_MAX);
    if (!value) Fail(std::string(what) + " does not fit 16 bits (-32768 to 32767).");
    return *value;
  }

  void String(std::u16string_view value, std::size_t valueOffset) {
    const auto comma = value.find(u',');
    if (comma == std::u16string_view::npos) Fail("the String line has no comma after its number.");
    const std::u16string_view numberText = value.substr(0, comma);
    const bool hex = !numberText.empty() && numberText.front() == u'$';
    std::int32_t message = 0;
    if (hex) {
      const auto digits = Utf16ToLatin1(numberText.substr(1));
      message = digits ? HexValue(*digits) : 0;
    } else {
      message = Number(numberText, "the string number");
    }
    if (message < 0 || message > INT16_MAX) {
      Fail("the string number " + std::to_string(message) + " lies outside 0 to 32767.");
    }
    if (value.back() != u'"') return;
    const auto open = value.find(u'"', comma + 1);
    if (open + 1 == value.size()) Fail("the text has no opening quotation mark.");
    const std::int32_t language = langCount_ - 1;
    if (language < 0) Fail("a String line comes before the first LangId line.");
    if (language >= allLangs_) Fail("the String line belongs to a language beyond AllLangs.");
    texts_[static_cast<std::size_t>(language)][message] = {number_, valueOffset + 2 * (open + 1),
                                                           valueOffset + 2 * (value.size() - 1), hex};
  }

  LgpScan& scan_;
  std::size_t number_ = 0;
  std::int32_t allLangs_ = 0, langCount_ = 0;
  std::vector<std::int32_t> langIds_;
  std::vector<std::size_t> langIdLines_;
  std::vector<std::map<std::int32_t, LgpTextLine>> texts_;
};

std::u16string Units(std::span<const std::uint8_t> file, std::size_t begin, std::size_t end) {
  std::u16string text;
  for (std::size_t at = begin; at + 1 < end; at += 2)
    text.push_back(static_cast<char16_t>(file[at] | file[at + 1] << 8));
  return text;
}

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  AppendUtf16Le(text, bytes);
  return bytes;
}

std::string NumberText(std::int32_t message, bool hex) {
  if (!hex) return std::to_string(message);
  char digits[8];
  std::snprintf(digits, sizeof digits, "$%X", static_cast<unsigned>(message));
  return digits;
}

// One change of the file: `length` bytes at `offset` become `bytes`.
struct Splice {
  std::size_t Offset = 0, Length = 0;
  std::int32_t Message = 0;  // orders insertions at one offset
  std::string Bytes;
};

bool EndsWithLineBreak(std::span<const std::uint8_t> file, std::size_t end) {
  return end >= 4 && file[end - 4] == 0x0D && file[end - 3] == 0 && file[end - 2] == 0x0A &&
         file[end - 1] == 0;
}

// A new "String" line for a message that has none: after the line of the
// nearest lower message, else before that of the nearest higher one, else
// after the section's "LangId" line.
Splice NewLine(std::span<const std::uint8_t> file, const LgpScan& scan, const LgpSection& section,
               std::size_t language, std::int32_t message, std::u16string_view text) {
  const auto higher = section.Texts.upper_bound(message);
  std::size_t afterLine = 0, beforeLine = 0;
  bool hex = false;
  if (higher != section.Texts.begin()) {
    afterLine = std::prev(higher)->second.Line;
    hex = std::prev(higher)->second.HexNumber;
  } else if (higher != section.Texts.end()) {
    beforeLine = higher->second.Line;
    hex = higher->second.HexNumber;
  } else if (section.LangIdLine != 0) {
    afterLine = section.LangIdLine;
  } else {
    throw Error("Language " + std::to_string(language + 1) +
                " of the LGpack file has no LangId line after its last AllLangs line to add message " +
                std::to_string(message) + " to.");
  }
  const std::u16string line =
      u"String " + Latin1ToUtf16(NumberText(message, hex)) + u", \"" + std::u16string(text) + u"\"";
  if (beforeLine != 0) return {scan.LineStarts[beforeLine - 1], 0, message, Utf16Le(line + u"\r\n")};
  const std::size_t end = scan.LineStarts[afterLine];
  if (EndsWithLineBreak(file, end)) return {end, 0, message, Utf16Le(line + u"\r\n")};
  return {end, 0, message, Utf16Le(u"\r\n" + line)};
}

}  // namespace

std::u16string LgpScan::Text(std::span<const std::uint8_t> file, std::size_t language,
                             std::int32_t message) const {
  const auto& texts = Languages.at(language).Texts;
  const auto found = texts.find(message);
  return found == texts.end() ? std::u16string()
                              : Units(file, found->second.TextBegin, found->second.TextEnd);
}

LgpScan ScanLgp(std::span<const std::uint8_t> file) {
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xFE) {
    throw Error(
        "The LGpack file is not a UTF-16LE text file (it does not begin with the byte order mark FF FE).");
  }
  LgpScan scan;
  Scanner scanner(scan);
  std::size_t pos = 2, number = 0;
  std::u16string line;
  do {
    const std::size_t start = pos;
    scan.LineStarts.push_back(start);
    ReadUnicodeLine(file, pos, line);
    scanner.Handle(line, start, ++number);
  } while (pos < file.size());
  // The end of the last whole unit: a lone last byte stays after anything added.
  scan.LineStarts.push_back(file.size() - file.size() % 2);
  scanner.Finish();
  return scan;
}

std::vector<std::uint8_t> EditLgpTexts(std::span<const std::uint8_t> file, const LgpScan& scan,
                                       std::size_t language,
                                       const std::map<std::int32_t, std::u16string>& texts) {
  const LgpSection& section = scan.Languages.at(language);
  std::vector<Splice> splices;
  for (const auto& [message, text] : texts) {
    const auto found = section.Texts.find(message);
    if (found == section.Texts.end()) {
      splices.push_back(NewLine(file, scan, section, language, message, text));
    } else {
      const LgpTextLine& at = found->second;
      splices.push_back({at.TextBegin, at.TextEnd - at.TextBegin, message, Utf16Le(text)});
    }
  }
  std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
    return a.Offset != b.Offset ? a.Offset < b.Offset : a.Message < b.Message;
  });

  std::vector<std::uint8_t> edited;
  edited.reserve(file.size() + 64 * splices.size());
  std::size_t copied = 0;
  for (const Splice& splice : splices) {
    edited.insert(edited.end(), file.begin() + static_cast<std::ptrdiff_t>(copied),
                  file.begin() + static_cast<std::ptrdiff_t>(splice.Offset));
    edited.insert(edited.end(), splice.Bytes.begin(), splice.Bytes.end());
    copied = splice.Offset + splice.Length;
  }
  edited.insert(edited.end(), file.begin() + static_cast<std::ptrdiff_t>(copied), file.end());

  // The edit must read back as meant: the new texts in this language, every
  // other text as it was.
  const LgpScan after = ScanLgp(edited);
  bool same = after.Languages.size() == scan.Languages.size() && after.MaxMsgId == scan.MaxMsgId;
  for (std::size_t l = 0; same && l < scan.Languages.size(); ++l) {
    std::int32_t last = scan.MaxMsgId;
    if (!scan.Languages[l].Texts.empty()) last = std::max(last, scan.Languages[l].Texts.rbegin()->first);
    if (!after.Languages[l].Texts.empty()) last = std::max(last, after.Languages[l].Texts.rbegin()->first);
    for (std::int32_t m = 0; same && m <= last; ++m) {
      const auto edit = l == language ? texts.find(m) : texts.end();
      const std::u16string expected = edit != texts.end() ? edit->second : scan.Text(file, l, m);
      same = after.Text(edited, l, m) == expected;
    }
  }
  if (!same)
    throw Error(
        "Internal error: the edited LGpack file does not read back as intended; nothing was written.");
  return edited;
}

}  // namespace tarvo
