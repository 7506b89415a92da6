#include "compile/packing_cache.h"

#include <algorithm>

#include "compile/compact_packing.h"

namespace tarvo {

namespace {

bool SameStrings(std::span<const PhoneBytes* const> strings, const std::vector<PhoneBytes>& kept) {
  return kept.size() == strings.size() &&
         std::equal(strings.begin(), strings.end(), kept.begin(),
                    [](const PhoneBytes* s, const PhoneBytes& t) { return *s == t; });
}

// What a list of strings takes in memory, near enough.
std::size_t MemoryOf(const std::vector<PhoneBytes>& strings) {
  std::size_t bytes = sizeof(PhoneBytes) * strings.size();
  for (const PhoneBytes& s : strings) bytes += s.size();
  return bytes;
}

std::vector<PhoneBytes> Copies(std::span<const PhoneBytes* const> strings) {
  std::vector<PhoneBytes> copies;
  copies.reserve(strings.size());
  for (const PhoneBytes* s : strings) copies.push_back(*s);
  return copies;
}

}  // namespace

std::vector<PhoneBytes> PackEvery(std::span<const PhoneBytes* const> strings, const Dictionary& dictionary,
                                  bool optimally) {
  const DictionaryLookup lookup(dictionary);
  std::vector<PhoneBytes> packed;
  packed.reserve(strings.size());
  for (const PhoneBytes* s : strings)
    packed.push_back(optimally ? PackStringOptimal(*s, lookup) : PackString(*s, lookup));
  return packed;
}

bool PackingCache::Take(Kind kind, const std::function<bool(const Entry&)>& same,
                        const std::function<void(const Entry&)>& take) {
  const std::lock_guard lock(mutex_);
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const Entry& e) { return e.What == kind && same(e); });
  if (found == entries_.end()) return false;
  ++hits_[static_cast<std::size_t>(kind)];
  std::rotate(found, found + 1, entries_.end());
  take(entries_.back());
  return true;
}

void PackingCache::Keep(Entry entry) {
  entry.Bytes = sizeof(Entry) + MemoryOf(entry.Strings) + MemoryOf(entry.Packed);
  if (entry.Bytes > kCapacityBytes) return;
  const std::lock_guard lock(mutex_);
  while (bytes_ + entry.Bytes > kCapacityBytes) {
    bytes_ -= entries_.front().Bytes;
    entries_.erase(entries_.begin());
  }
  bytes_ += entry.Bytes;
  entries_.push_back(std::move(entry));
}

// Each result is made without the lock, so that other packings go on meanwhile.

Dictionary PackingCache::StandardDictionary(std::span<const PhoneBytes* const> strings, PivotRandom& random,
                                            const std::function<void(int k, std::int32_t m)>& progress) {
  Dictionary dictionary;
  const auto same = [&](const Entry& e) { return e.Before == random && SameStrings(strings, e.Strings); };
  const auto take = [&](const Entry& e) {
    dictionary = e.Dict;
    random = e.After;
  };
  if (Take(Kind::StandardDictionary, same, take)) {
    if (progress) progress(4, -1);
    return dictionary;
  }
  Entry entry;
  entry.What = Kind::StandardDictionary;
  entry.Strings = Copies(strings);
  entry.Before = random;
  dictionary = BuildDictionary(strings, random, progress);
  entry.After = random;
  entry.Dict = dictionary;
  Keep(std::move(entry));
  return dictionary;
}

Dictionary PackingCache::CompactDictionary(std::span<const PhoneBytes* const> strings,
                                           std::int64_t byteBudget,
                                           const std::function<void(double done)>& progress) {
  Dictionary dictionary;
  const auto same = [&](const Entry& e) { return e.Budget == byteBudget && SameStrings(strings, e.Strings); };
  if (Take(Kind::CompactDictionary, same, [&](const Entry& e) { dictionary = e.Dict; })) {
    if (progress) progress(1.0);
    return dictionary;
  }
  dictionary = BuildCompactDictionary(strings, byteBudget, progress);
  Entry entry;
  entry.What = Kind::CompactDictionary;
  entry.Strings = Copies(strings);
  entry.Budget = byteBudget;
  entry.Dict = dictionary;
  Keep(std::move(entry));
  return dictionary;
}

std::vector<PhoneBytes> PackingCache::PackAll(std::span<const PhoneBytes* const> strings,
                                              const Dictionary& dictionary, bool optimally) {
  const Kind kind = optimally ? Kind::PackedOptimally : Kind::Packed;
  std::vector<PhoneBytes> packed;
  const auto same = [&](const Entry& e) { return e.Dict == dictionary && SameStrings(strings, e.Strings); };
  if (Take(kind, same, [&](const Entry& e) { packed = e.Packed; })) return packed;
  packed = PackEvery(strings, dictionary, optimally);
  Entry entry;
  entry.What = kind;
  entry.Strings = Copies(strings);
  entry.Dict = dictionary;
  entry.Packed = packed;
  Keep(std::move(entry));
  return packed;
}

std::size_t PackingCache::Hits(Kind kind) const {
  const std::lock_guard lock(mutex_);
  return hits_[static_cast<std::size_t>(kind)];
}

}  // namespace tarvo
