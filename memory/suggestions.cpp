#include "memory/suggestions.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "config/error.h"

namespace tarvo {

namespace {

// The language of `in` with the LangId, at `rank` among those with it, else the first.
std::optional<std::size_t> FindLanguage(const Document& in, std::int32_t langId, std::size_t rank) {
  std::optional<std::size_t> first;
  std::size_t seen = 0;
  for (std::size_t l = 0; l < in.LanguageCount(); ++l) {
    if (in.LangId(l) != langId) continue;
    if (!first) first = l;
    if (seen++ == rank) return l;
  }
  return first;
}

std::size_t RankOf(const Document& document, std::size_t index) {
  std::size_t rank = 0;
  for (std::size_t l = 0; l < index; ++l) rank += document.LangId(l) == document.LangId(index) ? 1 : 0;
  return rank;
}

}  // namespace

MemoryIndex DocumentMemory(const Document& document, std::size_t reference) {
  std::vector<MemoryEntry> entries;
  entries.reserve(static_cast<std::size_t>(document.MessageCount()));
  for (std::int32_t m = 0; m < document.MessageCount(); ++m)
    entries.push_back({document.Text(reference, m), {}, {}, m});
  return MemoryIndex(std::move(entries));
}

std::vector<Suggestion> Suggest(const Document& document, std::size_t language, std::size_t reference,
                                std::int32_t message, const MemoryIndex& documentMemory,
                                std::span<const MemoryIndex> memories, std::size_t limit, int minimum) {
  std::vector<Suggestion> suggestions;
  const std::u16string& source = document.Text(reference, message);
  if (source.empty() || language == reference || language >= document.LanguageCount()) return suggestions;
  const std::u16string& current = document.Text(language, message);
  struct Found {
    int Score = 0;
    std::size_t Order = 0;  // the document's first, then each memory's in their order
    const MemoryEntry* Entry = nullptr;
    const std::u16string* Target = nullptr;
  };
  std::vector<Found> found;
  for (const MemoryMatch& match : documentMemory.Find(source, minimum)) {
    const MemoryEntry& entry = documentMemory.Entries()[match.Entry];
    // An index of texts since changed gives only what still stands.
    if (entry.Message == message || document.Text(reference, entry.Message) != entry.Source) continue;
    found.push_back({match.Score, found.size(), &entry, &document.Text(language, entry.Message)});
  }
  for (const MemoryIndex& memory : memories) {
    for (const MemoryMatch& match : memory.Find(source, minimum)) {
      const MemoryEntry& entry = memory.Entries()[match.Entry];
      found.push_back({match.Score, found.size(), &entry, &entry.Target});
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.Score > b.Score; });
  std::unordered_set<std::u16string_view> given;
  for (const Found& f : found) {
    if (suggestions.size() >= limit) break;
    if (f.Target->empty() || *f.Target == current || !given.insert(*f.Target).second) continue;
    suggestions.push_back({f.Entry->Source, *f.Target, f.Score, f.Entry->Origin, f.Entry->Message,
                           TextDifference(f.Entry->Source, source)});
  }
  return suggestions;
}

MemoryLanguages MemoryLanguagesOf(const Document& document, std::size_t language, std::size_t reference) {
  return {document.PhoneTypeName(), document.LangId(language), document.LangId(reference),
          RankOf(document, language), RankOf(document, reference)};
}

std::vector<MemoryEntry> LgpMemoryEntries(std::vector<std::uint8_t> bytes, const std::string& name,
                                          const Configuration& config, const MemoryLanguages& languages) {
  const Document memory = Document::FromLgp(std::move(bytes), name, config);
  if (memory.PhoneTypeName() != languages.PhoneType) {
    throw Error(name + " is a pack of the phone type " + memory.PhoneTypeName() + ", not " +
                languages.PhoneType + ".");
  }
  const auto memoryLanguage = FindLanguage(memory, languages.LangId, languages.Rank);
  const auto memoryReference = FindLanguage(memory, languages.ReferenceLangId, languages.ReferenceRank);
  for (const auto& [found, langId] :
       {std::pair{memoryLanguage, languages.LangId}, std::pair{memoryReference, languages.ReferenceLangId}}) {
    if (!found) throw Error(name + " has no language with LangId " + std::to_string(langId) + ".");
  }
  std::vector<MemoryEntry> entries;
  for (std::int32_t m = 0; m < memory.MessageCount(); ++m) {
    const std::u16string& source = memory.Text(*memoryReference, m);
    const std::u16string& target = memory.Text(*memoryLanguage, m);
    if (!source.empty() && !target.empty()) entries.push_back({source, target, name, m});
  }
  return entries;
}

std::vector<MemoryEntry> LgpMemoryEntries(std::vector<std::uint8_t> bytes, const std::string& name,
                                          const Configuration& config, const Document& document,
                                          std::size_t language, std::size_t reference) {
  return LgpMemoryEntries(std::move(bytes), name, config, MemoryLanguagesOf(document, language, reference));
}

}  // namespace tarvo
