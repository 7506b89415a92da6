// The compact packer: dictionaries chosen by the exact number of bytes each
// entry saves, and strings rewritten as the fewest codes a dictionary allows.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <span>
#include <vector>

#include "compile/packing.h"
#include "lgp/lgp_file.h"

namespace tarvo {

// The shortest code sequence for s: from every position each entry of 1 to 4
// bytes that matches there is considered. On equal length the longer entry
// comes first. A byte without an entry is written as code 0 (the pack is read
// back before anything is written, so such a gap cannot reach a file).
PhoneBytes PackStringOptimal(std::span<const std::uint8_t> s, const DictionaryLookup& lookup);
PhoneBytes PackStringOptimal(std::span<const std::uint8_t> s, const Dictionary& dictionary);

// Builds a dictionary for one language: every byte it uses, then, one by one,
// the 2- to 4-byte sequence that saves the most bytes over all strings (their
// optimal parses, less the entry's own bytes), until 256 entries or nothing
// saves; then a few rounds of swapping entries for better ones. The entries
// together hold at most `byteBudget` bytes where that leaves room for every
// single byte. `progress` runs now and then, with a fraction done from 0 to 1.
Dictionary BuildCompactDictionary(std::span<const PhoneBytes* const> strings,
                                  std::int64_t byteBudget = std::numeric_limits<std::int64_t>::max(),
                                  const std::function<void(double done)>& progress = {});

// Compact dictionaries built before, by the strings and the budget they were
// built for, and strings packed optimally before, by the strings and the
// dictionary: measuring the pack again after an edit rebuilds and packs again
// only languages whose strings changed. The results depend on nothing else,
// so what comes from here is what the packer would make. Several packings
// may use one cache at once.
class CompactDictionaryCache {
 public:
  // BuildCompactDictionary, or the dictionary it gave for the same strings
  // and budget. Keeps the dictionaries of the last 32 calls.
  Dictionary Build(std::span<const PhoneBytes* const> strings, std::int64_t byteBudget,
                   const std::function<void(double done)>& progress = {});
  // PackStringOptimal of every string, or what it gave for the same strings
  // and dictionary. Keeps the strings of the last calls that together take
  // at most 16 MB.
  std::vector<PhoneBytes> PackAll(std::span<const PhoneBytes* const> strings, const Dictionary& dictionary);
  std::size_t Hits() const;        // of Build
  std::size_t PackedHits() const;  // of PackAll

 private:
  struct Entry {
    std::vector<PhoneBytes> Strings;
    std::int64_t Budget = 0;
    Dictionary Dict;
  };
  struct PackedEntry {
    std::vector<PhoneBytes> Strings;
    Dictionary Dict;
    std::vector<PhoneBytes> Packed;
  };
  static constexpr std::size_t kCapacity = 32;
  static constexpr std::size_t kPackedCapacityBytes = 16 << 20;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;       // the most recent last
  std::vector<PackedEntry> packed_;  // the most recent last
  std::size_t packedBytes_ = 0;      // that packed_ holds
  std::size_t hits_ = 0, packedHits_ = 0;
};

// The bytes a dictionary's entries take in the pack.
std::int64_t DictionaryBytes(const Dictionary& dictionary);

}  // namespace tarvo
