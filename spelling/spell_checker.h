// Spell checking of a message's text with a Hunspell dictionary (read by
// nuspell): the words of a text, leaving out escapes, printf conversions,
// words with digits and words that also stand in the reference text; a
// personal word list and words to ignore. Qt-free, linked by the window only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace nuspell {
inline namespace v5 {
class Dictionary;
}
}  // namespace nuspell

namespace tarvo {

struct InstalledDictionary {
  std::string Name;             // such as "de_DE"
  std::filesystem::path Affix;  // its .aff file; the .dic stands beside it
};

// The dictionaries in the system's usual folders (Debian's hunspell-*
// packages put them in /usr/share/hunspell), by name, each name once.
std::vector<InstalledDictionary> InstalledDictionaries();

// One word of a text, in UTF-16 units.
struct WordSpan {
  std::size_t Begin = 0, Length = 0;
  friend bool operator==(const WordSpan&, const WordSpan&) = default;
};

// The words that spell checking looks at: runs of letters (an apostrophe or
// hyphen between letters is part of the word), outside escapes and
// conversions; runs that hold digits are no words.
std::vector<WordSpan> CheckableWords(std::u16string_view text);

class SpellChecker {
 public:
  // Reads a dictionary; a file that is missing or damaged is an Error
  // naming it. Copies share the dictionary and may be used on another
  // thread, each with its own word lists.
  explicit SpellChecker(const std::filesystem::path& affix);

  bool IsCorrect(std::u16string_view word) const;
  // The dictionary's suggestions, at most `limit`.
  std::vector<std::u16string> Suggestions(std::u16string_view word, std::size_t limit = 8) const;

  // Words taken as correct: the personal list, kept by the caller, and
  // words ignored for this session.
  void AddWord(std::u16string word) { accepted_.insert(std::move(word)); }
  const std::unordered_set<std::u16string>& AcceptedWords() const { return accepted_; }

 private:
  std::shared_ptr<const nuspell::Dictionary> dictionary_;
  std::unordered_set<std::u16string> accepted_;
};

// The misspelt words of `text`: words the dictionary does not know, that
// are not accepted and that the reference text does not have too.
std::vector<WordSpan> MisspeltWords(const SpellChecker& checker, std::u16string_view text,
                                    std::u16string_view reference);

// The messages (indexes into `texts`) with a misspelt word against the
// reference text of the same index: the "Misspelt" filter, run off the
// window's thread on copies of the texts.
std::vector<std::int32_t> MisspeltMessages(const SpellChecker& checker,
                                           const std::vector<std::u16string>& texts,
                                           const std::vector<std::u16string>& references);

// A personal word list: one word a line, UTF-8.
std::vector<std::u16string> ParseWordList(std::string_view bytes);
std::string FormatWordList(const std::unordered_set<std::u16string>& words);

}  // namespace tarvo
