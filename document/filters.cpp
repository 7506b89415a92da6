#include "document/filters.h"

#include <algorithm>
#include <numeric>

#include "document/consistency.h"
#include "document/measure.h"

namespace tarvo {

namespace {

// Lower case for the scripts the phones show: Latin, Latin-1, Latin
// Extended-A, Greek and Cyrillic.
char16_t Fold(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return static_cast<char16_t>(c + 32);
  }
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs of capital and small letter; between 0x139 and 0x148 and from
    // 0x179 the capital comes at the odd place.
    const bool oddCapital = (c >= 0x139 && c <= 0x148) || c >= 0x179;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    if (oddCapital == (c % 2 == 1)) return static_cast<char16_t>(c + 1);
  }
  return c;
}

std::size_t Find(std::u16string_view text, std::u16string_view find, std::size_t from, bool matchCase) {
  if (matchCase) return text.find(find, from);
  const auto same = [](char16_t a, char16_t b) { return Fold(a) == Fold(b); };
  const auto at = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())),
                              text.end(), find.begin(), find.end(), same);
  return at == text.end() ? std::u16string_view::npos : static_cast<std::size_t>(at - text.begin());
}

bool Contains(std::u16string_view text, std::u16string_view find, bool matchCase) {
  return text.size() >= find.size() && Find(text, find, 0, matchCase) != std::u16string_view::npos;
}

bool IsUntranslated(const Document& document, std::size_t language, std::size_t reference,
                    std::int32_t message) {
  return language != reference && document.Text(language, message).empty() &&
         !document.Text(reference, message).empty();
}

bool HasProblems(const Document& document, std::size_t language, std::size_t reference, std::int32_t message,
                 const CharTable& table, const DocumentMeasure* measure) {
  return !MessageProblems(document, language, message, reference, table, measure).empty();
}

bool Passes(const Document& document, const MessageQuery& query, std::int32_t message, const CharTable& table,
            const DocumentMeasure* measure) {
  const std::size_t l = query.Language, r = query.Reference;
  switch (query.Filter) {
    case MessageFilter::All:
      return true;
    case MessageFilter::Untranslated:
      return IsUntranslated(document, l, r, message);
    case MessageFilter::SameAsReference:
      return l != r && !document.Text(l, message).empty() &&
             document.Text(l, message) == document.Text(r, message);
    case MessageFilter::WithProblems:
      return HasProblems(document, l, r, message, table, measure);
    case MessageFilter::Changed:
      return document.IsChanged(l, message);
    case MessageFilter::Overlong:
      return measure && OverlongProblem(document, l, message, table, *measure).has_value();
    case MessageFilter::Inconsistent:
      return true;  // FindMessages finds them all at once
  }
  return false;
}

}  // namespace

std::optional<std::int32_t> ParseMessageNumber(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  const bool hex = !text.empty() && text.front() == u'$';
  const std::u16string_view digits = hex ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  std::int32_t value = 0;
  for (const char16_t c : digits) {
    const int digit = c >= u'0' && c <= u'9'          ? c - u'0'
                      : hex && c >= u'a' && c <= u'f' ? c - u'a' + 10
                      : hex && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                      : -1;
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + digit;
  }
  return value;
}

std::vector<std::int32_t> FindMessages(const Document& document, const MessageQuery& query,
                                       const CharTable& table, const DocumentMeasure* measure) {
  const std::optional<std::int32_t> number = ParseMessageNumber(query.Search);
  std::vector<std::int32_t> found;
  std::vector<std::int32_t> candidates;
  if (query.Filter == MessageFilter::Inconsistent) {
    candidates = InconsistentMessages(document, query.Language, query.Reference);
  } else {
    candidates.resize(static_cast<std::size_t>(document.MessageCount()));
    std::iota(candidates.begin(), candidates.end(), 0);
  }
  for (const std::int32_t m : candidates) {
    if (!query.Search.empty() && m != number &&
        !Contains(document.Text(query.Language, m), query.Search, query.MatchCase) &&
        !(query.SearchReference &&
          Contains(document.Text(query.Reference, m), query.Search, query.MatchCase))) {
      continue;
    }
    if (Passes(document, query, m, table, measure)) found.push_back(m);
  }
  return found;
}

bool NeedsWork(const Document& document, std::size_t language, std::size_t reference, std::int32_t message,
               const CharTable& table, const DocumentMeasure* measure) {
  return IsUntranslated(document, language, reference, message) ||
         HasProblems(document, language, reference, message, table, measure);
}

std::size_t CountOccurrences(std::u16string_view text, std::u16string_view find, bool matchCase) {
  std::size_t count = 0;
  if (find.empty()) return count;
  for (std::size_t at = Find(text, find, 0, matchCase); at != std::u16string_view::npos;
       at = Find(text, find, at + find.size(), matchCase)) {
    ++count;
  }
  return count;
}

std::u16string ReplaceOccurrences(std::u16string_view text, std::u16string_view find,
                                  std::u16string_view replacement, bool matchCase, std::size_t* count) {
  std::u16string result;
  std::size_t copied = 0, replaced = 0;
  if (!find.empty()) {
    for (std::size_t at = Find(text, find, 0, matchCase); at != std::u16string_view::npos;
         at = Find(text, find, copied, matchCase)) {
      result.append(text.substr(copied, at - copied)).append(replacement);
      copied = at + find.size();
      ++replaced;
    }
  }
  result.append(text.substr(copied));
  if (count) *count = replaced;
  return result;
}

Replacement ReplaceAll(const Document& document, std::size_t language, std::u16string_view find,
                       std::u16string_view replacement, bool matchCase,
                       std::span<const std::int32_t> messages) {
  Replacement result;
  const auto replaceIn = [&](std::int32_t m) {
    const std::u16string& text = document.Text(language, m);
    if (!Contains(text, find, matchCase)) return;
    std::size_t count = 0;
    std::u16string replaced = ReplaceOccurrences(text, find, replacement, matchCase, &count);
    result.Count += count;
    if (replaced != text) result.Edits.push_back({language, m, std::move(replaced)});
  };
  if (find.empty()) return result;
  if (messages.empty()) {
    for (std::int32_t m = 0; m <= document.MaxMsgId(); ++m) replaceIn(m);
  } else {
    for (const std::int32_t m : messages) replaceIn(m);
  }
  return result;
}

MessageCounts CountMessages(const Document& document, std::size_t language, std::size_t reference,
                            const CharTable& table, const DocumentMeasure* measure) {
  MessageCounts counts;
  for (std::int32_t m = 0; m <= document.MaxMsgId(); ++m) {
    if (!document.Text(reference, m).empty()) {
      ++counts.WithReference;
      counts.Translated += !document.Text(language, m).empty();
    }
    counts.WithProblems += HasProblems(document, language, reference, m, table, measure);
    counts.Changed += document.IsChanged(language, m);
  }
  return counts;
}

}  // namespace tarvo
