// Packing a language: its dictionary of 256 one-byte codes, each standing
// for 1 to 4 phone bytes, and every string rewritten as codes.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <vector>

#include "lgp/lgp_file.h"

namespace tarvo {

// Entries for the codes 0 to 255, lengths never decreasing up to the last
// used code; the empty entries come last.
struct Dictionary {
  std::array<PhoneBytes, 256> Entries;
  std::array<std::int32_t, 5> ClassSize{};  // entries of 1, 2, 3 and 4 bytes (index = length)
  std::int32_t Used() const { return ClassSize[1] + ClassSize[2] + ClassSize[3] + ClassSize[4]; }
  bool operator==(const Dictionary&) const = default;
};

// A byte sequence considered for the dictionary, its bytes packed into Key.
struct Candidate {
  std::uint32_t Key = 0;
  std::int32_t Count = 0;
};

// The pseudo-random numbers on [0, 1) that choose the sort's pivots. Never
// seeded: each program run replays the same sequence.
class PivotRandom {
 public:
  double Next() {
    // minstd_rand gives 1 to 2147483646.
    return static_cast<double>(engine_() - 1) / 2147483646.0;
  }
  // Equal generators draw the same pivots from here on.
  bool operator==(const PivotRandom&) const = default;

 private:
  std::minstd_rand engine_;
};

// Sorts list[low..high] in place by Count, ascending, with random pivots.
void QuickSortByCount(std::span<Candidate> list, std::int64_t low, std::int64_t high, PivotRandom& random);

// Builds the dictionary of one language from its strings 0 to MaxMsgId (in
// message order; a missing string is empty). `progress(k, m)` runs after
// message m of the pass for k-byte sequences, and with m = -1 after the pass.
Dictionary BuildDictionary(std::span<const PhoneBytes* const> strings, PivotRandom& random,
                           const std::function<void(int k, std::int32_t m)>& progress = {});

// Fast lookup of the codes of a dictionary, built once per language.
class DictionaryLookup {
 public:
  explicit DictionaryLookup(const Dictionary& dictionary);
  // The code whose entry is these `length` bytes, or -1.
  int Find(const std::uint8_t* bytes, int length) const;

 private:
  std::array<std::int16_t, 256> single_{};
  std::vector<std::int16_t> pairs_;  // 65536 entries
  std::vector<bool> longPrefixes_;   // first two bytes of some 3- or 4-byte entry
  // Open addressing for 3- and 4-byte entries, the length kept beside the bytes.
  std::array<std::uint64_t, 1024> keys_{};
  std::array<std::int16_t, 1024> codes_{};
};

// Rewrites s as codes: each entry, from code 255 down to 0, replaces its
// non-overlapping occurrences, found from left to right, in the parts of the
// string that no earlier code has covered.
PhoneBytes PackString(std::span<const std::uint8_t> s, const DictionaryLookup& lookup);
PhoneBytes PackString(std::span<const std::uint8_t> s, const Dictionary& dictionary);

// The phone bytes that a packed string stands for.
PhoneBytes ExpandCodes(std::span<const std::uint8_t> codes, const Dictionary& dictionary);

}  // namespace tarvo
