// Finding the messages of a document that need work: filters by state, a
// search over texts and message numbers, find and replace within one
// language, and the counts for a status line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"

namespace tarvo {

struct DocumentMeasure;  // document/measure.h

enum class MessageFilter {
  All,
  Untranslated,     // empty where the reference has text
  SameAsReference,  // the same non-empty text as the reference
  WithProblems,     // MessageProblems finds some
  Changed,          // differs from the file as opened
  Overlong,         // over 254 codes with the measure's dictionaries
  Inconsistent,     // another message with the same reference text is translated differently
};

struct MessageQuery {
  std::size_t Language = 0;   // the language being edited
  std::size_t Reference = 0;  // the language it is compared with
  MessageFilter Filter = MessageFilter::All;
  // Text to look for in the edited language's texts and, with
  // SearchReference, the reference's; also a message number ("123", or hex
  // "$7B"). Empty: no search.
  std::u16string Search;
  bool SearchReference = true;
  bool MatchCase = false;  // otherwise letters of Latin, Greek and Cyrillic match either case
};

// The messages 0 to MaxMsgId that pass the filter and the search, in number
// order. Without a measure no message is over 254 codes.
std::vector<std::int32_t> FindMessages(const Document& document, const MessageQuery& query,
                                       const CharTable& table, const DocumentMeasure* measure = nullptr);

// Untranslated or with problems: what "next message needing work" stops at.
bool NeedsWork(const Document& document, std::size_t language, std::size_t reference, std::int32_t message,
               const CharTable& table, const DocumentMeasure* measure = nullptr);

// The number written as a search finds it: "123" or "$7B"; none otherwise.
std::optional<std::int32_t> ParseMessageNumber(std::u16string_view text);

// Occurrences of `find` in `text`, from left to right without overlap.
std::size_t CountOccurrences(std::u16string_view text, std::u16string_view find, bool matchCase);
std::u16string ReplaceOccurrences(std::u16string_view text, std::u16string_view find,
                                  std::u16string_view replacement, bool matchCase,
                                  std::size_t* count = nullptr);

// Every occurrence of `find` in one language's texts (in `messages` only,
// when given) replaced: the edits for one Apply, and how many there were.
struct Replacement {
  std::vector<DocumentEdit> Edits;
  std::size_t Count = 0;
};
Replacement ReplaceAll(const Document& document, std::size_t language, std::u16string_view find,
                       std::u16string_view replacement, bool matchCase,
                       std::span<const std::int32_t> messages = {});

// For the status line: "Translated 2 870 of 3 000 · 12 with problems · 3 changed".
struct MessageCounts {
  std::int32_t WithReference = 0;  // messages whose reference text is not empty
  std::int32_t Translated = 0;     // of those, the ones with text in the edited language
  std::int32_t WithProblems = 0;
  std::int32_t Changed = 0;  // in the edited language, since opening
};
MessageCounts CountMessages(const Document& document, std::size_t language, std::size_t reference,
                            const CharTable& table, const DocumentMeasure* measure = nullptr);

}  // namespace tarvo
