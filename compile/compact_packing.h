// The compact packer: dictionaries chosen by the exact number of bytes each
// entry saves, and strings rewritten as the fewest codes a dictionary allows.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
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

// The bytes a dictionary's entries take in the pack.
std::int64_t DictionaryBytes(const Dictionary& dictionary);

}  // namespace tarvo
