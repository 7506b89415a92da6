#include "compile/compact_packing.h"

#include <algorithm>
#include <array>
#include <queue>
#include <vector>

#include "flash/layout.h"

namespace tarvo {

namespace {

constexpr std::int32_t kNone = -1;
constexpr int kSwapRounds = 2;

// A sequence of 2 to 4 bytes with its length, as one number.
std::uint64_t SequenceKey(const std::uint8_t* bytes, int length) {
  std::uint64_t key = static_cast<std::uint64_t>(length) << 32;
  for (int i = 0; i < length; ++i) key |= std::uint64_t{bytes[i]} << (8 * i);
  return key;
}

// Every 2- to 4-byte sequence of a language's strings, numbered in order of
// first occurrence, with where each one occurs. All positions are indices
// into the strings laid end to end.
class SequenceIndex {
 public:
  explicit SequenceIndex(std::span<const PhoneBytes* const> strings) {
    std::size_t total = 0;
    for (const PhoneBytes* s : strings) total += s->size();
    starts_.reserve(strings.size() + 1);
    bytes_.reserve(total);
    for (const PhoneBytes* s : strings) {
      starts_.push_back(static_cast<std::int32_t>(bytes_.size()));
      bytes_.insert(bytes_.end(), s->begin(), s->end());
    }
    starts_.push_back(static_cast<std::int32_t>(bytes_.size()));

    // Pairs are numbered through a direct table, longer sequences through
    // open addressing (key and number side by side: one cache line a probe).
    std::vector<std::int32_t> pairIds(65536, kNone);
    struct Slot {
      std::uint64_t Key = 0;
      std::int32_t Id = kNone;
    };
    std::size_t tableSize = 1024;
    while (tableSize < 4 * total) tableSize *= 2;
    std::vector<Slot> table(tableSize);
    int shift = 0;
    while ((std::size_t{1} << shift) < tableSize) ++shift;
    at_.assign(3 * total, kNone);
    for (std::size_t m = 0; m + 1 < starts_.size(); ++m) {
      const auto end = static_cast<std::size_t>(starts_[m + 1]);
      for (auto p = static_cast<std::size_t>(starts_[m]); p < end; ++p) {
        for (int k = 2; k <= kMaxEntryLength && p + static_cast<std::size_t>(k) <= end; ++k) {
          std::int32_t* id = nullptr;
          if (k == 2) {
            id = &pairIds[std::size_t{bytes_[p]} << 8 | bytes_[p + 1]];
          } else {
            const std::uint64_t key = SequenceKey(bytes_.data() + p, k);
            std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - shift));
            while (table[slot].Id != kNone && table[slot].Key != key) slot = (slot + 1) & (tableSize - 1);
            table[slot].Key = key;
            id = &table[slot].Id;
          }
          if (*id == kNone) {
            *id = static_cast<std::int32_t>(lengths_.size());
            lengths_.push_back(static_cast<std::int8_t>(k));
            firstAt_.push_back(static_cast<std::int32_t>(p));
          }
          at_[3 * p + static_cast<std::size_t>(k - 2)] = *id;
        }
      }
    }
    // Occurrences grouped by sequence, in order of position.
    occurrenceStart_.assign(lengths_.size() + 1, 0);
    for (std::int32_t id : at_) {
      if (id != kNone) ++occurrenceStart_[static_cast<std::size_t>(id) + 1];
    }
    for (std::size_t i = 1; i < occurrenceStart_.size(); ++i) occurrenceStart_[i] += occurrenceStart_[i - 1];
    occurrences_.resize(static_cast<std::size_t>(occurrenceStart_.back()));
    std::vector<std::int32_t> fill(occurrenceStart_.begin(), occurrenceStart_.end() - 1);
    for (std::size_t i = 0; i < at_.size(); ++i) {
      if (at_[i] != kNone) occurrences_[static_cast<std::size_t>(fill[static_cast<std::size_t>(at_[i])]++)] = static_cast<std::int32_t>(i / 3);
    }
    stringOf_.resize(total);
    for (std::size_t m = 0; m + 1 < starts_.size(); ++m) {
      std::fill(stringOf_.begin() + starts_[m], stringOf_.begin() + starts_[m + 1], static_cast<std::int32_t>(m));
    }
  }

  std::size_t Strings() const { return starts_.size() - 1; }
  std::int32_t Start(std::size_t m) const { return starts_[m]; }
  std::int32_t End(std::size_t m) const { return starts_[m + 1]; }
  std::int32_t StringOf(std::int32_t position) const { return stringOf_[static_cast<std::size_t>(position)]; }
  std::uint8_t Byte(std::int32_t position) const { return bytes_[static_cast<std::size_t>(position)]; }
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

  std::size_t Sequences() const { return lengths_.size(); }
  int Length(std::int32_t id) const { return lengths_[static_cast<std::size_t>(id)]; }
  std::span<const std::uint8_t> SequenceBytes(std::int32_t id) const {
    return std::span(bytes_).subspan(static_cast<std::size_t>(firstAt_[static_cast<std::size_t>(id)]),
                                     static_cast<std::size_t>(Length(id)));
  }
  // The sequence of length k at a position, or kNone past its string's end.
  std::int32_t At(std::int32_t position, int k) const { return at_[3 * static_cast<std::size_t>(position) + static_cast<std::size_t>(k - 2)]; }
  std::span<const std::int32_t> Occurrences(std::int32_t id) const {
    const auto first = static_cast<std::size_t>(occurrenceStart_[static_cast<std::size_t>(id)]);
    const auto last = static_cast<std::size_t>(occurrenceStart_[static_cast<std::size_t>(id) + 1]);
    return std::span(occurrences_).subspan(first, last - first);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::int32_t> starts_;
  std::vector<std::int32_t> stringOf_;
  std::vector<std::int8_t> lengths_;
  std::vector<std::int32_t> firstAt_;
  std::vector<std::int32_t> at_;  // 3 per position: the sequences of 2, 3 and 4 bytes starting there
  std::vector<std::int32_t> occurrenceStart_;
  std::vector<std::int32_t> occurrences_;
};

// The optimal parses of all strings under a changing dictionary: for every
// string the fewest codes of each prefix and of each suffix, so that the
// effect of one more entry is found without parsing whole strings again.
class Parses {
 public:
  explicit Parses(const SequenceIndex& index)
      : index_(index), inDictionary_(index.Sequences(), 0), usable_(index.Bytes().size(), 0),
        prefix_(index.Bytes().size() + index.Strings()), suffix_(prefix_.size()), cost_(index.Strings()) {
    for (std::size_t m = 0; m < index.Strings(); ++m) {
      Update(m, 0, index.End(m) - index.Start(m));
      total_ += cost_[m];
    }
  }

  bool Contains(std::int32_t id) const { return inDictionary_[static_cast<std::size_t>(id)] != 0; }
  std::int64_t TotalCodes() const { return total_; }

  // Codes saved over all strings if `id` joined the dictionary.
  std::int64_t Saving(std::int32_t id) { return Change(id, true); }
  // Codes added over all strings if `id` left the dictionary.
  std::int64_t Loss(std::int32_t id) { return -Change(id, false); }

  void Set(std::int32_t id, bool present) {
    inDictionary_[static_cast<std::size_t>(id)] = present;
    const auto occurrences = index_.Occurrences(id);
    const int k = index_.Length(id);
    Mark(occurrences, k, present);
    ForEachString(occurrences, [&](std::size_t m, std::span<const std::int32_t> at) {
      total_ -= cost_[m];
      Update(m, at.front() - index_.Start(m), at.back() - index_.Start(m));
      total_ += cost_[m];
    });
  }

 private:
  // Codes saved (negative: added) over all strings if `id` came or went.
  std::int64_t Change(std::int32_t id, bool present) {
    const auto occurrences = index_.Occurrences(id);
    const int k = index_.Length(id);
    std::int64_t saved = 0;
    ForEachString(occurrences, [&](std::size_t m, std::span<const std::int32_t> at) {
      const std::int32_t start = index_.Start(m);
      const std::int32_t n = index_.End(m) - start;
      const std::int32_t* prefix = Prefix(m);
      const std::int32_t* suffix = Suffix(m);
      const std::int32_t first = at.front() - start, last = at.back() - start;
      std::int32_t best = cost_[m];
      if (present && at.size() == 1) {
        best = std::min(best, prefix[first] + 1 + suffix[first + k]);
      } else {
        // The prefixes up to the first occurrence keep their cost; every
        // parse has a boundary among the 4 positions behind the last one's
        // start, and from there on the entry is of no use.
        Mark(at, k, present);
        best = 1 << 30;
        const std::int32_t end = std::min(last + kMaxEntryLength, n);
        scratch_.resize(static_cast<std::size_t>(end - first) + 1);
        auto fewest = [&](std::int32_t j) { return j <= first ? prefix[j] : scratch_[static_cast<std::size_t>(j - first)]; };
        scratch_[0] = prefix[first];
        for (std::int32_t j = first + 1; j <= end; ++j) {
          scratch_[static_cast<std::size_t>(j - first)] = BestEndingAt(start, j, fewest);
        }
        for (std::int32_t j = last + 1; j <= end; ++j) best = std::min(best, fewest(j) + suffix[j]);
        Mark(at, k, !present);
      }
      saved += cost_[m] - best;
    });
    return saved;
  }

  std::int32_t* Prefix(std::size_t m) { return &prefix_[static_cast<std::size_t>(index_.Start(m)) + m]; }
  std::int32_t* Suffix(std::size_t m) { return &suffix_[static_cast<std::size_t>(index_.Start(m)) + m]; }

  // Calls f(string, its occurrences) for each string among the occurrences.
  template <typename F>
  void ForEachString(std::span<const std::int32_t> occurrences, F f) {
    for (std::size_t o = 0; o < occurrences.size();) {
      const std::int32_t m = index_.StringOf(occurrences[o]);
      std::size_t next = o + 1;
      while (next < occurrences.size() && index_.StringOf(occurrences[next]) == m) ++next;
      f(static_cast<std::size_t>(m), occurrences.subspan(o, next - o));
      o = next;
    }
  }

  void Mark(std::span<const std::int32_t> at, int k, bool present) {
    const auto bit = static_cast<std::uint8_t>(1u << (k - 2));
    for (std::int32_t p : at) {
      auto& u = usable_[static_cast<std::size_t>(p)];
      u = static_cast<std::uint8_t>(present ? u | bit : u & ~bit);
    }
  }

  // The fewest codes of the first j bytes of the string at `start`, given
  // those of shorter prefixes.
  template <typename Fewest>
  std::int32_t BestEndingAt(std::int32_t start, std::int32_t j, Fewest fewest) const {
    std::int32_t best = fewest(j - 1) + 1;
    for (int k = 2; k <= kMaxEntryLength && k <= j; ++k) {
      if (usable_[static_cast<std::size_t>(start + j - k)] & (1u << (k - 2))) best = std::min(best, fewest(j - k) + 1);
    }
    return best;
  }

  // Prefixes longer than `first` and suffixes from `last` down change when an
  // entry occurring from `first` to `last` comes or goes.
  void Update(std::size_t m, std::int32_t first, std::int32_t last) {
    const std::int32_t start = index_.Start(m);
    const std::int32_t n = index_.End(m) - start;
    std::int32_t* prefix = Prefix(m);
    std::int32_t* suffix = Suffix(m);
    prefix[0] = 0;
    for (std::int32_t j = first + 1; j <= n; ++j) {
      prefix[j] = BestEndingAt(start, j, [&](std::int32_t i) { return prefix[i]; });
    }
    cost_[m] = prefix[n];
    suffix[n] = 0;
    for (std::int32_t i = std::min(last, n - 1); i >= 0; --i) {
      std::int32_t best = suffix[i + 1] + 1;
      const std::uint8_t u = usable_[static_cast<std::size_t>(start + i)];
      for (int k = 2; k <= kMaxEntryLength && i + k <= n; ++k) {
        if (u & (1u << (k - 2))) best = std::min(best, suffix[i + k] + 1);
      }
      suffix[i] = best;
    }
  }

  const SequenceIndex& index_;
  std::vector<std::uint8_t> inDictionary_;
  std::vector<std::uint8_t> usable_;  // per position: bit k - 2 when its k-byte sequence is an entry
  std::vector<std::int32_t> prefix_, suffix_;  // n + 1 per string
  std::vector<std::int32_t> cost_;
  std::vector<std::int32_t> scratch_;
  std::int64_t total_ = 0;
};

// A candidate's gain in bytes as last computed, and when.
struct Scored {
  std::int64_t Gain;
  std::int32_t Id;
  std::int64_t Version;
  // Higher gain first; on equal gain the sequence seen first.
  bool operator<(const Scored& other) const { return Gain != other.Gain ? Gain < other.Gain : Id > other.Id; }
};

// Greedy choice of entries with lazily refreshed gains: a candidate whose
// gain is fresh for the current dictionary and still the highest is taken.
class Chooser {
 public:
  Chooser(const SequenceIndex& index, Parses& parses) : index_(index), parses_(parses) {
    for (std::size_t id = 0; id < index.Sequences(); ++id) {
      const auto sid = static_cast<std::int32_t>(id);
      const int k = index.Length(sid);
      // Each occurrence saves at most k - 1 codes: an upper bound to start from.
      const std::int64_t bound = static_cast<std::int64_t>(index.Occurrences(sid).size()) * (k - 1) - k;
      if (bound > 0) queue_.push({bound, sid, -1});
    }
  }

  void Push(std::int32_t id) { queue_.push({Gain(id), id, version_}); }

  // Takes the best candidate that fits `budget` bytes, if it saves anything.
  std::int32_t TakeBest(std::int64_t budget) {
    while (!queue_.empty()) {
      Scored top = queue_.top();
      queue_.pop();
      if (parses_.Contains(top.Id) || index_.Length(top.Id) > budget) continue;
      if (top.Version != version_) {
        top.Gain = Gain(top.Id);
        top.Version = version_;
        if (top.Gain > 0) queue_.push(top);
        continue;
      }
      if (top.Gain <= 0) return kNone;
      Changed();
      parses_.Set(top.Id, true);
      return top.Id;
    }
    return kNone;
  }

  void Changed() { ++version_; }

  // The highest gain in the queue, fresh or not: what a new entry may save.
  std::int64_t TopGain() {
    while (!queue_.empty() && parses_.Contains(queue_.top().Id)) queue_.pop();
    return queue_.empty() ? 0 : queue_.top().Gain;
  }

 private:
  std::int64_t Gain(std::int32_t id) { return parses_.Saving(id) - index_.Length(id); }

  const SequenceIndex& index_;
  Parses& parses_;
  std::priority_queue<Scored> queue_;
  std::int64_t version_ = 0;
};

}  // namespace

PhoneBytes PackStringOptimal(std::span<const std::uint8_t> s, const DictionaryLookup& lookup) {
  // fewest[i]: codes for s[i..]; choice[i]: the entry that starts there.
  const std::size_t n = s.size();
  constexpr std::int32_t kUnreachable = 1 << 30;
  std::vector<std::int32_t> fewest(n + 1, kUnreachable);
  std::vector<std::int16_t> code(n, 0);
  std::vector<std::uint8_t> length(n, 1);
  fewest[n] = 0;
  for (std::size_t i = n; i-- > 0;) {
    for (int k = kMaxEntryLength; k >= 1; --k) {
      if (i + static_cast<std::size_t>(k) > n) continue;
      const int c = lookup.Find(s.data() + i, k);
      if (c < 0 || fewest[i + static_cast<std::size_t>(k)] + 1 >= fewest[i]) continue;
      fewest[i] = fewest[i + static_cast<std::size_t>(k)] + 1;
      code[i] = static_cast<std::int16_t>(c);
      length[i] = static_cast<std::uint8_t>(k);
    }
    if (fewest[i] == kUnreachable) fewest[i] = fewest[i + 1] + 1;  // code 0 stands in
  }
  PhoneBytes packed;
  packed.reserve(static_cast<std::size_t>(fewest[0]));
  for (std::size_t i = 0; i < n; i += length[i]) packed.push_back(static_cast<std::uint8_t>(code[i]));
  return packed;
}

PhoneBytes PackStringOptimal(std::span<const std::uint8_t> s, const Dictionary& dictionary) {
  return PackStringOptimal(s, DictionaryLookup(dictionary));
}

std::int64_t DictionaryBytes(const Dictionary& dictionary) {
  std::int64_t bytes = 0;
  for (const PhoneBytes& e : dictionary.Entries) bytes += static_cast<std::int64_t>(e.size());
  return bytes;
}

Dictionary BuildCompactDictionary(std::span<const PhoneBytes* const> strings, std::int64_t byteBudget,
                                  const std::function<void(double done)>& progress) {
  auto report = [&](double done) {
    if (progress) progress(done);
  };
  const SequenceIndex index(strings);
  std::array<bool, 256> used{};
  for (std::uint8_t b : index.Bytes()) used[b] = true;
  const auto singles = static_cast<std::int32_t>(std::count(used.begin(), used.end(), true));
  std::int64_t budget = byteBudget - singles;
  std::int32_t free = kDictionaryCodes - singles;

  Parses parses(index);
  Chooser chooser(index, parses);
  std::vector<std::int32_t> chosen;
  report(0.0);
  while (free > 0 && budget > 0) {
    const std::int32_t id = chooser.TakeBest(budget);
    if (id == kNone) break;
    chosen.push_back(id);
    budget -= index.Length(id);
    --free;
    if (chosen.size() % 16 == 0) report(0.7 * static_cast<double>(chosen.size()) / (kDictionaryCodes - singles));
  }
  report(0.7);

  // Swaps: an entry leaves, and the best sequence (it, again, or another)
  // takes its place; the total can only fall.
  for (int round = 0; round < kSwapRounds; ++round) {
    bool improved = false;
    for (std::size_t e = 0; e < chosen.size(); ++e) {
      const std::int32_t out = chosen[e];
      if (out == kNone) continue;
      // Only an entry that saves less than some candidate might is worth trying.
      if (parses.Loss(out) - index.Length(out) >= chooser.TopGain()) continue;
      const std::int64_t before = parses.TotalCodes() + index.Length(out);
      parses.Set(out, false);
      chooser.Changed();
      budget += index.Length(out);
      chooser.Push(out);
      const std::int32_t in = chooser.TakeBest(budget);
      if (in == kNone) {  // `out` no longer saves anything: its code stays free
        chosen[e] = kNone;
        improved = true;
        continue;
      }
      chosen[e] = in;
      budget -= index.Length(in);
      if (parses.TotalCodes() + index.Length(in) < before) improved = true;
    }
    report(0.7 + 0.3 * (round + 1) / kSwapRounds);
    if (!improved) break;
  }

  // Classes in order of length; within a class, in byte order.
  Dictionary dictionary;
  std::size_t code = 0;
  for (int b = 0; b < 256; ++b) {
    if (used[static_cast<std::size_t>(b)]) dictionary.Entries[code++] = {static_cast<std::uint8_t>(b)};
  }
  dictionary.ClassSize[1] = singles;
  std::vector<PhoneBytes> entries;
  for (std::int32_t id : chosen) {
    if (id == kNone) continue;
    const auto bytes = index.SequenceBytes(id);
    entries.emplace_back(bytes.begin(), bytes.end());
  }
  std::sort(entries.begin(), entries.end(), [](const PhoneBytes& a, const PhoneBytes& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  for (PhoneBytes& e : entries) {
    ++dictionary.ClassSize[e.size()];
    dictionary.Entries[code++] = std::move(e);
  }
  return dictionary;
}

}  // namespace tarvo
