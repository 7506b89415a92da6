#include "app/editor/document_queries.h"

#include <charconv>

namespace tarvo {

namespace {

// "123" or "$7B" as a message number.
std::optional<std::int32_t> SearchedNumber(std::u16string_view search) {
  int base = 10;
  if (!search.empty() && search.front() == u'$') {
    base = 16;
    search.remove_prefix(1);
  }
  if (search.empty() || search.size() > 8) return std::nullopt;
  std::string ascii;
  for (const char16_t c : search) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(static_cast<char>(c));
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value, base);
  if (error != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  return value;
}

bool Untranslated(const Document& document, std::int32_t message, LanguagePair languages) {
  return document.Text(languages.Edited, message).empty() && !document.Text(languages.Reference, message).empty();
}

bool HasProblems(const Document& document, std::int32_t message, LanguagePair languages, const CharTable& table,
                 const DocumentMeasure* measure) {
  return !MessageProblems(document, languages.Edited, message, languages.Reference, table, measure).empty();
}

bool Passes(const Document& document, std::int32_t message, MessageFilter filter, LanguagePair languages,
            const CharTable& table, const DocumentMeasure* measure) {
  switch (filter) {
    case MessageFilter::All: return true;
    case MessageFilter::Untranslated: return Untranslated(document, message, languages);
    case MessageFilter::SameAsReference:
      return !document.Text(languages.Edited, message).empty() &&
             document.Text(languages.Edited, message) == document.Text(languages.Reference, message);
    case MessageFilter::WithProblems: return HasProblems(document, message, languages, table, measure);
    case MessageFilter::Changed: return document.IsChanged(languages.Edited, message);
    case MessageFilter::OverLong: {
      // Without a measure's dictionary, the phone bytes before packing.
      const auto& strings = document.Lgp().Strings;
      if (languages.Edited >= strings.size()) return false;
      const auto found = strings[languages.Edited].find(message);
      return found != strings[languages.Edited].end() && found->second.size() > 254;
    }
  }
  return true;
}

}  // namespace

std::vector<std::int32_t> MatchingMessages(const Document& document, MessageFilter filter, LanguagePair languages,
                                           const CharTable& table, const DocumentMeasure* measure,
                                           std::u16string_view search) {
  const auto number = SearchedNumber(search);
  std::vector<std::int32_t> messages;
  for (std::int32_t message = 0; message <= document.MaxMsgId(); ++message) {
    if (!search.empty() && number != message &&
        document.Text(languages.Edited, message).find(search) == std::u16string::npos &&
        document.Text(languages.Reference, message).find(search) == std::u16string::npos) {
      continue;
    }
    if (Passes(document, message, filter, languages, table, measure)) messages.push_back(message);
  }
  return messages;
}

bool NeedsWork(const Document& document, std::int32_t message, LanguagePair languages, const CharTable& table,
               const DocumentMeasure* measure) {
  return Untranslated(document, message, languages) || HasProblems(document, message, languages, table, measure);
}

DocumentCounts CountMessages(const Document& document, LanguagePair languages, const CharTable& table,
                             const DocumentMeasure* measure) {
  DocumentCounts counts;
  for (std::int32_t message = 0; message <= document.MaxMsgId(); ++message) {
    if (document.Text(languages.Reference, message).empty()) continue;
    ++counts.Total;
    if (!document.Text(languages.Edited, message).empty()) ++counts.Translated;
  }
  for (std::int32_t message = 0; message <= document.MaxMsgId(); ++message) {
    if (HasProblems(document, message, languages, table, measure)) ++counts.WithProblems;
    if (document.IsChanged(languages.Edited, message)) ++counts.Changed;
  }
  return counts;
}

std::int64_t CountOccurrences(const Document& document, std::size_t language, std::u16string_view find) {
  if (find.empty()) return 0;
  std::int64_t count = 0;
  for (std::int32_t message = 0; message <= document.MaxMsgId(); ++message) {
    const std::u16string& text = document.Text(language, message);
    for (std::size_t at = text.find(find); at != std::u16string::npos; at = text.find(find, at + find.size())) ++count;
  }
  return count;
}

std::u16string ReplaceFirst(std::u16string text, std::u16string_view find, std::u16string_view replacement,
                            std::size_t from) {
  const std::size_t at = find.empty() ? std::u16string::npos : text.find(find, from);
  if (at != std::u16string::npos) text.replace(at, find.size(), replacement);
  return text;
}

std::vector<DocumentEdit> ReplaceEverywhere(const Document& document, std::size_t language, std::u16string_view find,
                                            std::u16string_view replacement) {
  std::vector<DocumentEdit> edits;
  if (find.empty()) return edits;
  for (std::int32_t message = 0; message <= document.MaxMsgId(); ++message) {
    std::u16string text = document.Text(language, message);
    std::size_t at = text.find(find);
    if (at == std::u16string::npos) continue;
    for (; at != std::u16string::npos; at = text.find(find, at + replacement.size())) {
      text.replace(at, find.size(), replacement);
    }
    edits.push_back({language, message, std::move(text)});
  }
  return edits;
}

}  // namespace tarvo
