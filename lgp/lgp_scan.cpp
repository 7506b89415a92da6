#include "lgp/lgp_scan.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <tuple>

#include "config/error.h"
#include "config/text_utils.h"
#include "lgp/lgp_lines.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

// Notes where each language's section begins and where the text of each
// of its messages stands, from the lines that the rules accept.
class Scanner final : public LgpLineSink {
 public:
  explicit Scanner(LgpScan& scan) : scan_(scan), lines_(*this, nullptr) {}

  // `line` holds the untrimmed units of the line that starts at byte `start`.
  void Handle(std::u16string_view line, std::size_t start, std::size_t number) {
    line_ = line.data();
    start_ = start;
    try {
      lines_.Handle(LTrimWide(RTrimWide(line)), static_cast<std::int64_t>(number));
    } catch (const Error&) {
      // The compile command stops at the first line it refuses.
      if (!scan_.CompileRefusal.empty()) throw Error(scan_.CompileRefusal);
      throw;
    }
  }

  void Finish() {
    for (std::size_t l = 0; l < lines_.Sections(); ++l) {
      scan_.Languages.push_back({langIds_[l], langIdLines_[l], std::move(texts_[l])});
    }
  }

  void PhoneType(std::string_view) override {}

  void AllLangs(std::int32_t, std::size_t room) override {
    langIds_.assign(room, 0);
    langIdLines_.assign(room, 0);
    texts_.assign(room, {});
  }

  void MaxMsgId(std::int32_t maxMsgId) override { scan_.MaxMsgId = maxMsgId; }

  void LgPackId(std::u16string_view value, std::string_view) override { scan_.LgPackId = value; }

  void LangId(std::size_t language, std::int32_t id) override {
    langIds_[language] = id;
    langIdLines_[language] = static_cast<std::size_t>(lines_.LineNumber());
  }

  std::size_t SL4xLangName(std::u16string_view text) override {
    Keep(text, [] { return std::string("the SL4xLangName"); });
    return kStorable;
  }

  std::size_t String(std::size_t language, std::int32_t message, std::u16string_view text,
                     bool hexNumber) override {
    Keep(text, [&] { return LgpLines::StringName(message, language); });
    texts_[language][message] = {static_cast<std::size_t>(lines_.LineNumber()), Offset(text.data()),
                                 Offset(text.data() + text.size()), hexNumber};
    return kStorable;
  }

 private:
  template <typename Name>
  void Keep(std::u16string_view text, const Name& name) {
    if (!scan_.CompileRefusal.empty()) return;
    if (const auto at = FindUnstorable(text); at != kStorable)
      scan_.CompileRefusal = lines_.UnstorableRefusal(text, at, name());
  }

  // The byte offset in the file of a unit of the current line.
  std::size_t Offset(const char16_t* unit) const { return start_ + 2 * static_cast<std::size_t>(unit - line_); }

  LgpScan& scan_;
  LgpLines lines_;
  const char16_t* line_ = nullptr;
  std::size_t start_ = 0;
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
  std::size_t Language = 0;  // with the message, orders insertions at one offset
  std::int32_t Message = 0;
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
  if (beforeLine != 0) return {scan.LineStarts[beforeLine - 1], 0, language, message, Utf16Le(line + u"\r\n")};
  const std::size_t end = scan.LineStarts[afterLine];
  if (EndsWithLineBreak(file, end)) return {end, 0, language, message, Utf16Le(line + u"\r\n")};
  return {end, 0, language, message, Utf16Le(u"\r\n" + line)};
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

std::vector<std::uint8_t> EditLgpTexts(
    std::span<const std::uint8_t> file, const LgpScan& scan,
    const std::map<std::size_t, std::map<std::int32_t, std::u16string>>& textsByLanguage) {
  std::vector<Splice> splices;
  for (const auto& [language, texts] : textsByLanguage) {
    const LgpSection& section = scan.Languages.at(language);
    for (const auto& [message, text] : texts) {
      const auto found = section.Texts.find(message);
      if (found == section.Texts.end()) {
        splices.push_back(NewLine(file, scan, section, language, message, text));
      } else {
        const LgpTextLine& at = found->second;
        splices.push_back({at.TextBegin, at.TextEnd - at.TextBegin, language, message, Utf16Le(text)});
      }
    }
  }
  // Sections follow each other in the file in language order, so insertions
  // at one offset go in language order, then in number order.
  std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
    return std::tie(a.Offset, a.Language, a.Message) < std::tie(b.Offset, b.Language, b.Message);
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

  // The edit must read back as meant: the new texts, every other text as it was.
  const LgpScan after = ScanLgp(edited);
  bool same = after.Languages.size() == scan.Languages.size() && after.MaxMsgId == scan.MaxMsgId;
  const std::map<std::int32_t, std::u16string> unchanged;
  for (std::size_t l = 0; same && l < scan.Languages.size(); ++l) {
    const auto found = textsByLanguage.find(l);
    const auto& edits = found != textsByLanguage.end() ? found->second : unchanged;
    std::int32_t last = scan.MaxMsgId;
    if (!scan.Languages[l].Texts.empty()) last = std::max(last, scan.Languages[l].Texts.rbegin()->first);
    if (!after.Languages[l].Texts.empty()) last = std::max(last, after.Languages[l].Texts.rbegin()->first);
    for (std::int32_t m = 0; same && m <= last; ++m) {
      const auto edit = edits.find(m);
      same = after.Text(edited, l, m) == (edit != edits.end() ? edit->second : scan.Text(file, l, m));
    }
  }
  if (!same)
    throw Error(
        "Internal error: the edited LGpack file does not read back as intended; nothing was written.");
  return edited;
}

std::vector<std::uint8_t> EditLgpTexts(std::span<const std::uint8_t> file, const LgpScan& scan,
                                       std::size_t language,
                                       const std::map<std::int32_t, std::u16string>& texts) {
  return EditLgpTexts(file, scan, {{language, texts}});
}

}  // namespace tarvo
