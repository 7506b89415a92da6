// A translation memory: pairs of a reference text and its translation,
// indexed so that the texts like a given one are found at once. A text is
// compared as a sequence of units: characters, and each escape ("<0A>") or
// printf conversion ("%1$s") as one unit of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvo {

struct MemoryEntry {
  std::u16string Source;      // the reference text
  std::u16string Target;      // its translation; for the open document, looked up when asked
  std::string Origin;         // the file it comes from; empty for the open document
  std::int32_t Message = -1;  // its message number, -1 where none is known
};

enum class DiffKind { Same, Added, Removed };
struct DiffPiece {
  DiffKind Kind = DiffKind::Same;
  std::u16string Text;
};

// From `from` to `to`, unit by unit: the pieces both have, the ones only
// `to` has (Added) and the ones only `from` has (Removed).
std::vector<DiffPiece> TextDifference(std::u16string_view from, std::u16string_view to);

// 100 for equal texts, else 100 * (1 - edit distance / the longer's units),
// rounded down; an escape or conversion counts as one unit.
int SimilarityScore(std::u16string_view a, std::u16string_view b);

// One entry found for a text.
struct MemoryMatch {
  std::size_t Entry = 0;  // index in the memory's entries
  int Score = 0;          // 100 when the source is the same text
};

class MemoryIndex {
 public:
  MemoryIndex() = default;
  explicit MemoryIndex(std::vector<MemoryEntry> entries);

  const std::vector<MemoryEntry>& Entries() const { return entries_; }

  // Every entry whose source scores at least `minimum` (at most 100) against
  // `source`, best first, entries of one source in the order given. Empty
  // sources match nothing.
  std::vector<MemoryMatch> Find(std::u16string_view source, int minimum = 70) const;

 private:
  struct Source {
    std::vector<std::uint32_t> Units;
    std::size_t Trigrams = 0;  // distinct ones
    std::vector<std::size_t> Entries;
  };

  std::vector<MemoryEntry> entries_;
  std::vector<Source> sources_;
  std::unordered_map<std::u16string, std::size_t> bySource_;
  std::vector<std::vector<std::uint32_t>> byLength_;  // source indexes by their number of units
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> byTrigram_;  // source indexes, each once
};

}  // namespace tarvo
