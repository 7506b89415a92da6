// What the window asks of an open document besides its texts: the filters,
// the search, the counts of the status bar and find and replace. Thin calls
// into the document's own functions.
#pragma once

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

#include "document/document.h"

namespace tarvo {

enum class MessageFilter { All, Untranslated, SameAsReference, WithProblems, Changed, OverLong };

struct LanguagePair {
  std::size_t Edited = 0;
  std::size_t Reference = 0;
};

// The messages that pass the filter and contain the search (in either text,
// or as a number such as "123" or "$7B"; an empty search passes all).
std::vector<std::int32_t> MatchingMessages(const Document& document, MessageFilter filter, LanguagePair languages,
                                           const CharTable& table, const DocumentMeasure* measure,
                                           std::u16string_view search);

// Untranslated or with problems.
bool NeedsWork(const Document& document, std::int32_t message, LanguagePair languages, const CharTable& table,
               const DocumentMeasure* measure);

struct DocumentCounts {
  std::int64_t Translated = 0, Total = 0, WithProblems = 0, Changed = 0;
};
DocumentCounts CountMessages(const Document& document, LanguagePair languages, const CharTable& table,
                             const DocumentMeasure* measure);

// Occurrences of `find` in the edited language's texts.
std::int64_t CountOccurrences(const Document& document, std::size_t language, std::u16string_view find);
// The edits that replace every occurrence in the language (for one Apply).
std::vector<DocumentEdit> ReplaceEverywhere(const Document& document, std::size_t language, std::u16string_view find,
                                            std::u16string_view replacement);
// The text of a message with its first occurrence at or after `from` replaced.
std::u16string ReplaceFirst(std::u16string text, std::u16string_view find, std::u16string_view replacement,
                            std::size_t from = 0);

}  // namespace tarvo
