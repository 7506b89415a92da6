#include "spelling/spell_checker.h"

#include <algorithm>
#include <map>
#include <nuspell/dictionary.hxx>
#include <nuspell/finder.hxx>

#include "check/text_marks.h"
#include "config/error.h"
#include "config/utf8.h"

namespace tarvo {

namespace {

// Letters of the scripts the phones show, and of the others above them
// except punctuation and symbols.
bool IsLetter(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
  if (c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x2BFF) return false;  // punctuation, symbols, arrows, shapes
  if (c >= 0x3000 && c <= 0x303F) return false;  // CJK punctuation
  if (c >= 0xD800 && c <= 0xDFFF) return false;  // halves of characters beyond 16 bits
  if (c >= 0xE000 && c <= 0xF8FF) return false;  // private use
  if (c >= 0xFE30 && c <= 0xFE6F) return false;
  if (c >= 0xFF00 && c <= 0xFF20) return false;
  return c != 0x37E && c != 0x387 && c != 0x55D && c != 0x589;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool Joins(char16_t c) { return c == u'\'' || c == u'-' || c == 0x2019; }

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text).value_or(std::string()); }

std::u16string Utf16(std::string_view text) {
  std::u16string out;
  for (const char32_t c : Utf8ToCodePoints(text).value_or(std::u32string())) {
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

}  // namespace

std::vector<InstalledDictionary> InstalledDictionaries() {
  std::map<std::string, std::filesystem::path> byName;
  for (const auto& affix : nuspell::search_default_dirs_for_dicts())
    byName.emplace(affix.stem().string(), affix);
  std::vector<InstalledDictionary> dictionaries;
  for (auto& [name, affix] : byName) dictionaries.push_back({name, affix});
  return dictionaries;
}

std::vector<WordSpan> CheckableWords(std::u16string_view text) {
  std::vector<bool> marked(text.size());
  for (const TextMark& mark : FindTextMarks(text)) {
    for (int i = 0; i < mark.Length; ++i) marked[static_cast<std::size_t>(mark.Start + i)] = true;
  }
  const auto wordUnit = [&](std::size_t i) { return !marked[i] && (IsLetter(text[i]) || IsDigit(text[i])); };
  std::vector<WordSpan> words;
  for (std::size_t i = 0; i < text.size();) {
    if (!wordUnit(i)) {
      ++i;
      continue;
    }
    std::size_t end = i;
    bool digits = false;
    while (end < text.size()) {
      if (wordUnit(end)) {
        digits = digits || IsDigit(text[end]);
        ++end;
      } else if (Joins(text[end]) && !marked[end] && end + 1 < text.size() && wordUnit(end + 1) && end > i) {
        ++end;
      } else {
        break;
      }
    }
    if (!digits) words.push_back({i, end - i});
    i = end;
  }
  return words;
}

SpellChecker::SpellChecker(const std::filesystem::path& affix) {
  auto dictionary = std::make_shared<nuspell::Dictionary>();
  try {
    dictionary->load_aff_dic(affix);
  } catch (const std::exception& e) {
    throw Error("Cannot load the dictionary " + affix.string() + ": " + e.what());
  }
  dictionary_ = std::move(dictionary);
}

bool SpellChecker::IsCorrect(std::u16string_view word) const {
  if (accepted_.contains(std::u16string(word))) return true;
  const std::string utf8 = Utf8(word);
  return utf8.empty() || dictionary_->spell(utf8);
}

std::vector<std::u16string> SpellChecker::Suggestions(std::u16string_view word, std::size_t limit) const {
  std::vector<std::string> found;
  dictionary_->suggest(Utf8(word), found);
  std::vector<std::u16string> suggestions;
  for (std::size_t i = 0; i < found.size() && i < limit; ++i) suggestions.push_back(Utf16(found[i]));
  return suggestions;
}

std::vector<WordSpan> MisspeltWords(const SpellChecker& checker, std::u16string_view text,
                                    std::u16string_view reference) {
  std::unordered_set<std::u16string_view> inReference;
  for (const WordSpan& w : CheckableWords(reference)) inReference.insert(reference.substr(w.Begin, w.Length));
  std::vector<WordSpan> misspelt;
  for (const WordSpan& w : CheckableWords(text)) {
    const std::u16string_view word = text.substr(w.Begin, w.Length);
    if (!inReference.contains(word) && !checker.IsCorrect(word)) misspelt.push_back(w);
  }
  return misspelt;
}

std::vector<std::int32_t> MisspeltMessages(const SpellChecker& checker,
                                           const std::vector<std::u16string>& texts,
                                           const std::vector<std::u16string>& references) {
  std::vector<std::int32_t> messages;
  for (std::size_t m = 0; m < texts.size(); ++m) {
    const std::u16string_view reference = m < references.size() ? std::u16string_view(references[m]) : u"";
    if (!texts[m].empty() && !MisspeltWords(checker, texts[m], reference).empty()) {
      messages.push_back(static_cast<std::int32_t>(m));
    }
  }
  return messages;
}

std::vector<std::u16string> ParseWordList(std::string_view bytes) {
  std::vector<std::u16string> words;
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    std::string_view line = bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (std::u16string word = Utf16(line); !word.empty()) words.push_back(std::move(word));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  return words;
}

std::string FormatWordList(const std::unordered_set<std::u16string>& words) {
  std::vector<std::string> lines;
  for (const std::u16string& word : words) lines.push_back(Utf8(word));
  std::sort(lines.begin(), lines.end());
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  return bytes;
}

}  // namespace tarvo
