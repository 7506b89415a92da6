#include "compile/packing.h"

#include <algorithm>

namespace tarvo {

namespace {

std::uint32_t KeyOf(const std::uint8_t* bytes, int length) {
  std::uint32_t key = 0;
  for (int i = 0; i < length; ++i) key = (key << 8) | bytes[i];
  return key;
}

PhoneBytes BytesOf(std::uint32_t key, int length) {
  PhoneBytes bytes(static_cast<std::size_t>(length));
  for (int i = length - 1; i >= 0; --i, key >>= 8) bytes[static_cast<std::size_t>(i)] = key & 0xFF;
  return bytes;
}

std::uint64_t LongKey(const std::uint8_t* bytes, int length) {
  return KeyOf(bytes, length) | (std::uint64_t{static_cast<std::uint32_t>(length)} << 32);
}

std::size_t Slot(std::uint64_t key) { return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 54); }

// Every k-byte sequence of a language, counted once: its occurrences in all
// strings (overlapping ones too) and the lowest message it occurs in. Pairs
// are indexed directly; longer sequences go into an open-addressing table.
class SequenceCounts {
 public:
  struct Entry {
    std::uint32_t Key = 0;
    std::int32_t Count = 0;  // 0: slot unused
    std::int32_t FirstMessage = 0;
    bool Listed = false;  // already in the candidate list
  };

  SequenceCounts(std::span<const PhoneBytes* const> strings, int k) : k_(k) {
    std::size_t positions = 0;
    for (const PhoneBytes* s : strings) positions += s->size();
    std::size_t size = 64;
    if (k == 2) {
      size = 65536;
    } else {
      while (size < positions + positions / 4) size *= 2;
    }
    while ((std::size_t{1} << shift_) < size) ++shift_;
    table_.resize(size);
    mask_ = size - 1;
    for (std::size_t m = 0; m < strings.size(); ++m) {
      const PhoneBytes& s = *strings[m];
      for (std::size_t p = 0; p + static_cast<std::size_t>(k) <= s.size(); ++p) {
        Entry& entry = Find(KeyOf(s.data() + p, k));
        if (entry.Count == 0) entry.FirstMessage = static_cast<std::int32_t>(m);
        ++entry.Count;
      }
    }
  }

  // The entry of a key; a new one has Count 0.
  Entry& Find(std::uint32_t key) {
    if (k_ == 2) {
      Entry& entry = table_[key];
      entry.Key = key;
      return entry;
    }
    // The high bits of a multiplicative hash are the well-mixed ones.
    std::size_t slot = static_cast<std::size_t>((std::uint64_t{key} * 0x9E3779B97F4A7C15ull) >> (64 - shift_));
    for (;;) {
      Entry& entry = table_[slot];
      if (entry.Count == 0) {
        entry.Key = key;
        return entry;
      }
      if (entry.Key == key) return entry;
      slot = (slot + 1) & mask_;
    }
  }

 private:
  int k_;
  std::vector<Entry> table_;
  std::size_t mask_ = 0;
  int shift_ = 0;
};

// The quota of a pass: how many of the most frequent candidates it takes.
std::int32_t Quota(int k, std::int32_t used, std::int32_t candidates) {
  std::int32_t q = k == 2 ? ((255 - used) / 3) * 2 : k == 3 ? (255 - used) / 3 : 255 - used;
  if (q >= candidates) q = candidates - 1;
  // Q + 1 are taken; never more than the codes that are left.
  return std::max(0, std::min(q + 1, 256 - used));
}

}  // namespace

void QuickSortByCount(std::span<Candidate> list, std::int64_t low, std::int64_t high, PivotRandom& random) {
  while (low < high) {
    if (high - low == 1) {
      if (list[low].Count > list[high].Count) std::swap(list[low], list[high]);
      return;
    }
    // A range of equal counts is sorted already; only the order among equal
    // counts is left to the pivots, so nothing is lost by stopping here.
    const auto first = list.begin() + low;
    const auto last = list.begin() + high + 1;
    if (std::all_of(first, last, [&](const Candidate& c) { return c.Count == first->Count; })) return;

    const std::int64_t m = low + static_cast<std::int64_t>(random.Next() * static_cast<double>(high - low + 1));
    std::swap(list[m], list[high]);
    const std::int32_t pivot = list[high].Count;
    // Scanning on from where a swap left off finds exactly what a scan
    // restarted from the ends would find: everything it would pass again is
    // already on the right side.
    std::int64_t i = low, j = high;
    for (;;) {
      while (i < j && list[i].Count <= pivot) ++i;
      while (j > i && list[j].Count >= pivot) --j;
      if (i >= j) break;
      std::swap(list[i], list[j]);
    }
    std::swap(list[i], list[high]);
    // The smaller side first, as a call; the larger one in this loop, so the
    // depth of calls stays logarithmic.
    if (i - low < high - i) {
      QuickSortByCount(list, low, i - 1, random);
      low = i + 1;
    } else {
      QuickSortByCount(list, i + 1, high, random);
      high = i - 1;
    }
  }
}

Dictionary BuildDictionary(std::span<const PhoneBytes* const> strings, PivotRandom& random,
                           const std::function<void(int k, std::int32_t m)>& progress) {
  Dictionary dictionary;
  std::int32_t used = 0;
  auto report = [&](int k, std::int32_t m) {
    if (progress) progress(k, m);
  };

  // Single bytes, in order of first use.
  std::array<bool, 256> seen{};
  for (std::size_t m = 0; m < strings.size(); ++m) {
    for (std::uint8_t b : *strings[m]) {
      if (!seen[b]) {
        seen[b] = true;
        dictionary.Entries[static_cast<std::size_t>(used++)] = {b};
      }
    }
    report(1, static_cast<std::int32_t>(m));
  }
  dictionary.ClassSize[1] = used;
  report(1, -1);

  for (int k = 2; k <= 4; ++k) {
    SequenceCounts counts(strings, k);
    std::vector<Candidate> candidates;
    std::size_t previousSize = 0;
    int run = 0;
    for (std::size_t m = 0; m < strings.size(); ++m) {
      const PhoneBytes& s = *strings[m];
      for (std::size_t p = 0; p + static_cast<std::size_t>(k) <= s.size(); p += static_cast<std::size_t>(k)) {
        SequenceCounts::Entry& entry = counts.Find(KeyOf(s.data() + p, k));
        // A piece that occurs in an earlier message is no candidate.
        if (entry.Listed || entry.FirstMessage < static_cast<std::int32_t>(m)) continue;
        entry.Listed = true;
        candidates.push_back({entry.Key, entry.Count});
      }
      run = candidates.size() == previousSize ? run + 1 : 0;
      // Eleven messages in a row without a new candidate end the scan.
      if (run > 10) break;
      report(k, static_cast<std::int32_t>(m));
      previousSize = candidates.size();
    }

    const auto n = static_cast<std::int64_t>(candidates.size());
    QuickSortByCount(candidates, 0, n - 1, random);
    const std::int32_t take = Quota(k, used, static_cast<std::int32_t>(n));
    for (std::int32_t t = 0; t < take; ++t) {
      dictionary.Entries[static_cast<std::size_t>(used++)] = BytesOf(candidates[static_cast<std::size_t>(n - 1 - t)].Key, k);
    }
    dictionary.ClassSize[static_cast<std::size_t>(k)] = take;
    report(k, -1);
  }
  return dictionary;
}

DictionaryLookup::DictionaryLookup(const Dictionary& dictionary) : pairs_(65536, -1), longPrefixes_(65536, false) {
  single_.fill(-1);
  codes_.fill(-1);
  for (int code = 0; code < 256; ++code) {
    const PhoneBytes& e = dictionary.Entries[static_cast<std::size_t>(code)];
    const auto value = static_cast<std::int16_t>(code);
    if (e.size() == 1) {
      single_[e[0]] = value;
    } else if (e.size() == 2) {
      pairs_[KeyOf(e.data(), 2)] = value;
    } else if (e.size() >= 3) {
      longPrefixes_[KeyOf(e.data(), 2)] = true;
      const std::uint64_t key = LongKey(e.data(), static_cast<int>(e.size()));
      std::size_t slot = Slot(key);
      while (codes_[slot] >= 0) slot = (slot + 1) & 1023;
      keys_[slot] = key;
      codes_[slot] = value;
    }
  }
}

int DictionaryLookup::Find(const std::uint8_t* bytes, int length) const {
  if (length == 1) return single_[bytes[0]];
  const std::uint32_t pair = KeyOf(bytes, 2);
  if (length == 2) return pairs_[pair];
  if (!longPrefixes_[pair]) return -1;
  const std::uint64_t key = LongKey(bytes, length);
  for (std::size_t slot = Slot(key); codes_[slot] >= 0; slot = (slot + 1) & 1023) {
    if (keys_[slot] == key) return codes_[slot];
  }
  return -1;
}

PhoneBytes PackString(std::span<const std::uint8_t> s, const DictionaryLookup& lookup) {
  struct Match {
    std::int16_t code;
    std::uint8_t length;
    std::uint32_t position;
  };
  std::vector<Match> matches;
  matches.reserve(3 * s.size());
  for (int length = 4; length >= 2; --length) {
    for (std::size_t p = 0; p + static_cast<std::size_t>(length) <= s.size(); ++p) {
      const int code = lookup.Find(s.data() + p, length);
      if (code >= 0) {
        matches.push_back({static_cast<std::int16_t>(code), static_cast<std::uint8_t>(length),
                           static_cast<std::uint32_t>(p)});
      }
    }
  }
  // Codes from 255 down; each code's occurrences from left to right.
  std::sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
    return a.code != b.code ? a.code > b.code : a.position < b.position;
  });
  // For each position: the code that starts there, -2 where a code covers it.
  std::vector<std::int16_t> cover(s.size(), -1);
  for (const Match& match : matches) {
    const auto begin = cover.begin() + match.position;
    if (!std::all_of(begin, begin + match.length, [](std::int16_t c) { return c == -1; })) continue;
    std::fill(begin, begin + match.length, std::int16_t{-2});
    *begin = match.code;
  }
  PhoneBytes packed;
  packed.reserve(s.size());
  for (std::size_t p = 0; p < s.size(); ++p) {
    if (cover[p] >= 0) {
      packed.push_back(static_cast<std::uint8_t>(cover[p]));
    } else if (cover[p] == -1) {
      // Every byte of the language has a 1-byte entry; the pack is read back
      // and compared before it is written, so a gap here cannot reach a file.
      packed.push_back(static_cast<std::uint8_t>(std::max(lookup.Find(s.data() + p, 1), 0)));
    }
  }
  return packed;
}

PhoneBytes PackString(std::span<const std::uint8_t> s, const Dictionary& dictionary) {
  return PackString(s, DictionaryLookup(dictionary));
}

PhoneBytes ExpandCodes(std::span<const std::uint8_t> codes, const Dictionary& dictionary) {
  PhoneBytes bytes;
  for (std::uint8_t code : codes) {
    const PhoneBytes& e = dictionary.Entries[code];
    bytes.insert(bytes.end(), e.begin(), e.end());
  }
  return bytes;
}

}  // namespace tarvo
