#include "memory/memory_index.h"

#include <algorithm>
#include <bit>
#include <unordered_set>

namespace tarvo {

namespace {

// Units above the characters: escapes, then conversions by a hash of their text.
constexpr std::uint32_t kEscapeUnit = 0x10000;
constexpr std::uint32_t kConversionUnit = 0x20000;

struct Unit {
  std::uint32_t Code = 0;
  std::size_t Begin = 0, Length = 1;  // in the text
};

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The length of a printf conversion starting with the "%" at `at`; 0 when none.
std::size_t ConversionLength(std::u16string_view text, std::size_t at) {
  std::size_t i = at + 1;
  const auto digits = [&] {
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
  };
  const std::size_t position = i;
  digits();
  if (i < text.size() && text[i] == u'$' && i > position) {
    ++i;
  } else {
    i = position;
  }
  while (i < text.size() && std::u16string_view(u"-+ #0").find(text[i]) != std::u16string_view::npos) ++i;
  digits();
  if (i < text.size() && text[i] == u'.') {
    ++i;
    digits();
  }
  while (i < text.size() && std::u16string_view(u"hlLqjzt").find(text[i]) != std::u16string_view::npos) ++i;
  if (i < text.size() && std::u16string_view(u"diouxXeEfFgGcsp").find(text[i]) != std::u16string_view::npos) {
    return i + 1 - at;
  }
  return 0;
}

std::vector<Unit> Tokenize(std::u16string_view text) {
  std::vector<Unit> units;
  units.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == u'<' && i + 3 < text.size() && text[i + 3] == u'>' && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0 && (HexDigit(text[i + 1]) | HexDigit(text[i + 2])) != 0) {
      units.push_back(
          {kEscapeUnit + static_cast<std::uint32_t>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])), i,
           4});
      i += 4;
      continue;
    }
    if (text[i] == u'%') {
      if (const std::size_t length = ConversionLength(text, i)) {
        std::uint32_t hash = 2166136261u;
        for (const char16_t c : text.substr(i, length)) hash = (hash ^ c) * 16777619u;
        units.push_back({kConversionUnit + (hash & 0xFFFFF), i, length});
        i += length;
        continue;
      }
    }
    units.push_back({text[i], i, 1});
    ++i;
  }
  return units;
}

std::vector<std::uint32_t> Codes(std::u16string_view text) {
  std::vector<std::uint32_t> codes;
  for (const Unit& unit : Tokenize(text)) codes.push_back(unit.Code);
  return codes;
}

std::uint64_t TrigramKey(const std::uint32_t* units) {
  return units[0] * 0x9E3779B97F4A7C15ull ^ std::rotl(units[1] * 0xC2B2AE3D27D4EB4Full, 21) ^
         std::rotl(units[2] * 0x165667B19E3779F9ull, 42);
}

std::vector<std::uint64_t> DistinctTrigrams(const std::vector<std::uint32_t>& units) {
  std::vector<std::uint64_t> keys;
  for (std::size_t i = 0; i + 3 <= units.size(); ++i) keys.push_back(TrigramKey(&units[i]));
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

// The edit distance of a and b, row by row.
std::size_t Distance(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      current[j] =
          std::min({previous[j - 1] + (a[i - 1] != b[j - 1] ? 1 : 0), current[j - 1] + 1, previous[j] + 1});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

// One text compared with many: Myers' bit-parallel edit distance (in
// Hyyrö's form for texts of more than 64 units), 64 rows of the table at a
// time, with the text's units as bit masks made once.
class Pattern {
 public:
  explicit Pattern(const std::vector<std::uint32_t>& units)
      : length_(units.size()), blocks_((units.size() + 63) / 64), slots_(kDirect) {
    for (std::size_t i = 0; i < units.size(); ++i) {
      std::uint32_t& slot = units[i] < kDirect ? slots_[units[i]] : others_[units[i]];
      if (slot == 0) {
        masks_.resize(masks_.size() + blocks_);
        slot = static_cast<std::uint32_t>(masks_.size() / blocks_);
      }
      masks_[(slot - 1) * blocks_ + i / 64] |= std::uint64_t{1} << (i % 64);
    }
  }

  std::size_t Distance(const std::vector<std::uint32_t>& text) const {
    if (length_ == 0) return text.size();
    positive_.assign(blocks_, ~std::uint64_t{0});
    negative_.assign(blocks_, 0);
    const std::uint64_t lastRow = std::uint64_t{1} << ((length_ - 1) % 64);
    std::size_t distance = length_;
    for (const std::uint32_t unit : text) {
      const std::uint64_t* equal = Masks(unit);
      int carry = 1;  // the first row grows by one per unit of the text
      for (std::size_t b = 0; b < blocks_; ++b) {
        std::uint64_t eq = equal ? equal[b] : 0;
        const std::uint64_t pv = positive_[b], mv = negative_[b];
        const std::uint64_t xv = eq | mv;
        if (carry < 0) eq |= 1;
        const std::uint64_t xh = (((eq & pv) + pv) ^ pv) | eq;
        std::uint64_t ph = mv | ~(xh | pv), mh = pv & xh;
        const std::uint64_t high = b + 1 == blocks_ ? lastRow : std::uint64_t{1} << 63;
        const int out = (ph & high) ? 1 : (mh & high) ? -1 : 0;
        ph <<= 1;
        mh <<= 1;
        if (carry < 0) mh |= 1;
        if (carry > 0) ph |= 1;
        positive_[b] = mh | ~(xv | ph);
        negative_[b] = ph & xv;
        carry = out;
      }
      distance = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(distance) + carry);
    }
    return distance;
  }

 private:
  static constexpr std::uint32_t kDirect = 0x3000;  // units looked up in a table: the scripts phones show

  const std::uint64_t* Masks(std::uint32_t unit) const {
    std::uint32_t slot = 0;
    if (unit < kDirect) {
      slot = slots_[unit];
    } else if (const auto found = others_.find(unit); found != others_.end()) {
      slot = found->second;
    }
    return slot == 0 ? nullptr : &masks_[(slot - 1) * blocks_];
  }

  std::size_t length_, blocks_;
  std::vector<std::uint32_t> slots_;  // a unit's masks, from 1; 0 for none
  std::unordered_map<std::uint32_t, std::uint32_t> others_;
  std::vector<std::uint64_t> masks_;                        // blocks_ words per slot
  mutable std::vector<std::uint64_t> positive_, negative_;  // the vertical differences of one column
};

int Score(std::size_t distance, std::size_t longer) {
  return longer == 0 ? 100 : static_cast<int>(100 * (longer - distance) / longer);
}

}  // namespace

std::vector<DiffPiece> TextDifference(std::u16string_view from, std::u16string_view to) {
  const std::vector<Unit> a = Tokenize(from), b = Tokenize(to);
  const std::size_t n = a.size(), m = b.size();
  // The full table of edit distances, walked back from its end.
  std::vector<std::size_t> cost((n + 1) * (m + 1));
  const auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return cost[i * (m + 1) + j]; };
  for (std::size_t i = 0; i <= n; ++i) {
    for (std::size_t j = 0; j <= m; ++j) {
      if (i == 0 || j == 0) {
        at(i, j) = i + j;
      } else {
        at(i, j) = std::min({at(i - 1, j - 1) + (a[i - 1].Code != b[j - 1].Code ? 2 : 0), at(i - 1, j) + 1,
                             at(i, j - 1) + 1});
      }
    }
  }
  std::vector<DiffPiece> reversed;
  const auto add = [&](DiffKind kind, std::u16string_view text) {
    if (reversed.empty() || reversed.back().Kind != kind) reversed.push_back({kind, {}});
    reversed.back().Text.insert(0, text);
  };
  for (std::size_t i = n, j = m; i > 0 || j > 0;) {
    if (i > 0 && j > 0 && a[i - 1].Code == b[j - 1].Code && at(i, j) == at(i - 1, j - 1)) {
      add(DiffKind::Same, to.substr(b[j - 1].Begin, b[j - 1].Length));
      --i, --j;
    } else if (j > 0 && at(i, j) == at(i, j - 1) + 1) {
      add(DiffKind::Added, to.substr(b[j - 1].Begin, b[j - 1].Length));
      --j;
    } else {
      add(DiffKind::Removed, from.substr(a[i - 1].Begin, a[i - 1].Length));
      --i;
    }
  }
  return {reversed.rbegin(), reversed.rend()};
}

int SimilarityScore(std::u16string_view a, std::u16string_view b) {
  if (a == b) return 100;
  const auto x = Codes(a), y = Codes(b);
  const std::size_t longer = std::max(x.size(), y.size());
  return Score(Distance(x, y), longer);
}

MemoryIndex::MemoryIndex(std::vector<MemoryEntry> entries) : entries_(std::move(entries)) {
  for (std::size_t e = 0; e < entries_.size(); ++e) {
    const std::u16string& text = entries_[e].Source;
    if (text.empty()) continue;
    const auto [found, added] = bySource_.try_emplace(text, sources_.size());
    if (added) {
      Source source;
      source.Units = Codes(text);
      const std::vector<std::uint64_t> trigrams = DistinctTrigrams(source.Units);
      source.Trigrams = trigrams.size();
      const auto index = static_cast<std::uint32_t>(sources_.size());
      for (const std::uint64_t key : trigrams) byTrigram_[key].push_back(index);
      if (byLength_.size() <= source.Units.size()) byLength_.resize(source.Units.size() + 1);
      byLength_[source.Units.size()].push_back(index);
      sources_.push_back(std::move(source));
    }
    sources_[found->second].Entries.push_back(e);
  }
}

std::vector<MemoryMatch> MemoryIndex::Find(std::u16string_view text, int minimum) const {
  std::vector<MemoryMatch> matches;
  if (text.empty()) return matches;
  minimum = std::clamp(minimum, 1, 100);
  const auto exact = bySource_.find(std::u16string(text));
  const std::size_t exactSource = exact == bySource_.end() ? sources_.size() : exact->second;
  if (exactSource < sources_.size()) {
    for (const std::size_t e : sources_[exactSource].Entries) matches.push_back({e, 100});
  }
  const std::vector<std::uint32_t> units = Codes(text);
  const std::size_t n = units.size();
  const auto percent = static_cast<std::size_t>(minimum);
  // A score of `minimum` needs lengths within this ratio of each other.
  const std::size_t shortest = (n * percent + 99) / 100,
                    longest = std::min(n * 100 / percent, byLength_.size() - 1);
  if (byLength_.empty() || shortest > longest) return matches;

  // Each edit destroys at most three trigrams, so a text within the
  // distance allowed shares all but that many of the other's trigrams.
  const std::vector<std::uint64_t> trigrams = DistinctTrigrams(units);
  std::vector<std::uint32_t> shared(sources_.size());
  for (const std::uint64_t key : trigrams) {
    const auto found = byTrigram_.find(key);
    if (found == byTrigram_.end()) continue;
    for (const std::uint32_t s : found->second) ++shared[s];
  }
  std::vector<std::pair<int, std::size_t>> scored;  // score, source
  const Pattern pattern(units);
  for (std::size_t length = shortest; length <= longest; ++length) {
    for (const std::uint32_t s : byLength_[length]) {
      if (s == exactSource) continue;
      const Source& source = sources_[s];
      const std::size_t longer = std::max(n, length), allowed = longer * (100 - percent) / 100;
      const std::size_t most = std::max(trigrams.size(), source.Trigrams);
      if (most > 3 * allowed && shared[s] < most - 3 * allowed) continue;
      const std::size_t distance = pattern.Distance(source.Units);
      if (distance > allowed) continue;
      const int score = Score(distance, longer);
      if (score >= minimum) scored.emplace_back(score, s);
    }
  }
  // Best first; of equal scores, the source given first.
  std::sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  for (const auto& [score, s] : scored) {
    for (const std::size_t e : sources_[s].Entries) matches.push_back({e, score});
  }
  return matches;
}

}  // namespace tarvo
