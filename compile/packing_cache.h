// What the packers made before, kept for measuring a pack again after an
// edit: the languages whose strings did not change are taken from here
// instead of built and packed again. Each result depends on nothing but what
// it is kept by, so what comes from here is what the packer would make.
// Several packings may use one cache at once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "compile/packing.h"

namespace tarvo {

// PackString of every string with the dictionary, or PackStringOptimal where `optimally`.
std::vector<PhoneBytes> PackEvery(std::span<const PhoneBytes* const> strings, const Dictionary& dictionary,
                                  bool optimally);

class PackingCache {
 public:
  enum class Kind { StandardDictionary, CompactDictionary, Packed, PackedOptimally };

  // BuildDictionary, or the dictionary it gave for the same strings from a
  // generator in the same state; `random` is left as that call left it.
  Dictionary StandardDictionary(std::span<const PhoneBytes* const> strings, PivotRandom& random,
                                const std::function<void(int k, std::int32_t m)>& progress = {});
  // BuildCompactDictionary, or the dictionary it gave for the same strings and budget.
  Dictionary CompactDictionary(std::span<const PhoneBytes* const> strings, std::int64_t byteBudget,
                               const std::function<void(double done)>& progress = {});
  // PackString of every string (PackStringOptimal where `optimally`), or what
  // it gave for the same strings and dictionary.
  std::vector<PhoneBytes> PackAll(std::span<const PhoneBytes* const> strings, const Dictionary& dictionary,
                                  bool optimally);

  // Results of this kind taken from here.
  std::size_t Hits(Kind kind) const;

  // The results kept together take at most this much memory, near enough;
  // the least recently used go first.
  static constexpr std::size_t kCapacityBytes = 32 << 20;

 private:
  struct Entry {
    Kind What = Kind::StandardDictionary;
    std::vector<PhoneBytes> Strings;
    PivotRandom Before, After;  // of a standard dictionary
    std::int64_t Budget = 0;    // of a compact dictionary
    Dictionary Dict;            // the dictionary built, or packed with
    std::vector<PhoneBytes> Packed;
    std::size_t Bytes = 0;
  };

  // Calls `take` with the entry of this kind that is `same`, if one is kept.
  bool Take(Kind kind, const std::function<bool(const Entry&)>& same,
            const std::function<void(const Entry&)>& take);
  void Keep(Entry entry);

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;  // the most recently used last
  std::size_t bytes_ = 0;       // that entries_ hold
  std::array<std::size_t, 4> hits_{};
};

}  // namespace tarvo
