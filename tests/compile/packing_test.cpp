#include "compile/packing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::Bytes;

std::vector<const PhoneBytes*> Pointers(const std::vector<PhoneBytes>& strings) {
  std::vector<const PhoneBytes*> pointers;
  for (const auto& s : strings) pointers.push_back(&s);
  return pointers;
}

Dictionary Build(const std::vector<PhoneBytes>& strings) {
  PivotRandom random;
  return BuildDictionary(Pointers(strings), random);
}

std::vector<PhoneBytes> Entries(const Dictionary& d, std::size_t length) {
  std::vector<PhoneBytes> entries;
  for (const auto& e : d.Entries) {
    if (e.size() == length) entries.push_back(e);
  }
  return entries;
}

// The rules as written, slowly: every new piece is counted by searching all
// strings, and dropped when it occurs in an earlier message.
struct ReferenceCandidate {
  PhoneBytes bytes;
  int count;
};
std::vector<ReferenceCandidate> ReferenceCandidates(const std::vector<PhoneBytes>& strings, std::size_t k) {
  std::vector<ReferenceCandidate> list;
  std::size_t q = 0;
  int r = 0;
  for (std::size_t m = 0; m < strings.size(); ++m) {
    const PhoneBytes& s = strings[m];
    for (std::size_t p = 0; p + k <= s.size(); p += k) {
      const PhoneBytes piece(s.begin() + static_cast<long>(p), s.begin() + static_cast<long>(p + k));
      if (std::any_of(list.begin(), list.end(), [&](const auto& c) { return c.bytes == piece; })) continue;
      int count = 0;
      bool dropped = false;
      for (std::size_t j = 0; j < strings.size() && !dropped; ++j) {
        auto at = strings[j].begin();
        while ((at = std::search(at, strings[j].end(), piece.begin(), piece.end())) != strings[j].end()) {
          if (j < m) {
            dropped = true;
            break;
          }
          ++count;
          ++at;
        }
      }
      if (!dropped) list.push_back({piece, count});
    }
    r = list.size() == q ? r + 1 : 0;
    if (r > 10) break;
    q = list.size();
  }
  return list;
}

TEST(BuildDictionary, SingleBytesInOrderOfFirstUse) {
  const Dictionary d = Build({{}, Bytes({0x43, 0x41}), Bytes({0x42, 0x41, 0x43})});
  EXPECT_EQ(d.Entries[0], Bytes({0x43}));
  EXPECT_EQ(d.Entries[1], Bytes({0x41}));
  EXPECT_EQ(d.Entries[2], Bytes({0x42}));
  EXPECT_EQ(d.ClassSize[1], 3);
}

TEST(BuildDictionary, ElevenEmptyMessagesEndTheLongerPasses) {
  std::vector<PhoneBytes> strings(11);
  strings.push_back(Bytes({1, 2, 1, 2, 1, 2, 1, 2}));
  const Dictionary d = Build(strings);
  EXPECT_EQ(d.Used(), 2);
  strings.erase(strings.begin());  // ten are not enough
  EXPECT_GT(Build(strings).Used(), 2);
}

TEST(BuildDictionary, PieceSeenEarlierAtAnotherPositionIsNoCandidate) {
  // Message 0 holds 42 43 only at odd position 1, which its own cutting never
  // offers; message 1 offers it and finds it earlier, so it is dropped.
  const Dictionary d = Build({Bytes({0x41, 0x42, 0x43}), Bytes({0x42, 0x43})});
  const auto pairs = Entries(d, 2);
  EXPECT_EQ(pairs, (std::vector<PhoneBytes>{Bytes({0x41, 0x42})}));
}

TEST(BuildDictionary, QuotasFollowTheCodesLeft) {
  // 60 single bytes, and plenty of distinct pairs, triples and quads.
  std::vector<PhoneBytes> strings;
  PhoneBytes singles;
  for (int b = 0; b < 60; ++b) singles.push_back(static_cast<std::uint8_t>(b));
  strings.push_back(singles);
  std::mt19937 random(3);
  for (int m = 0; m < 400; ++m) {
    PhoneBytes s;
    for (int i = 0; i < 48; ++i) s.push_back(static_cast<std::uint8_t>(random() % 60));
    strings.push_back(s);
  }
  const Dictionary d = Build(strings);
  EXPECT_EQ(d.ClassSize[1], 60);
  EXPECT_EQ(d.ClassSize[2], 131);
  EXPECT_EQ(d.ClassSize[3], 22);
  EXPECT_EQ(d.ClassSize[4], 43);
  EXPECT_EQ(d.Used(), 256);
}

TEST(BuildDictionary, NeverMoreThan256Codes) {
  for (int distinct : {254, 255, 256}) {
    PhoneBytes all;
    for (int b = 0; b < distinct; ++b) all.push_back(static_cast<std::uint8_t>(b));
    const Dictionary d = Build({all, all, all});
    EXPECT_LE(d.Used(), 256) << distinct;
    EXPECT_EQ(d.ClassSize[1], distinct);
  }
}

TEST(BuildDictionary, TakesWhatTheRulesTakeOnRandomLanguages) {
  std::mt19937 random(17);
  for (int round = 0; round < 40; ++round) {
    std::vector<PhoneBytes> strings(static_cast<std::size_t>(5 + random() % 60));
    const int alphabet = 3 + static_cast<int>(random() % 40);
    for (auto& s : strings) {
      const int length = static_cast<int>(random() % 30);
      for (int i = 0; i < length; ++i) s.push_back(static_cast<std::uint8_t>(random() % alphabet));
    }
    const Dictionary d = Build(strings);
    std::size_t used = Entries(d, 1).size();
    for (std::size_t k = 2; k <= 4; ++k) {
      const auto reference = ReferenceCandidates(strings, k);
      std::map<PhoneBytes, int> counts;
      for (const auto& c : reference) counts[c.bytes] = c.count;
      std::vector<int> expected;
      for (const auto& c : reference) expected.push_back(c.count);
      std::sort(expected.rbegin(), expected.rend());
      const auto taken = Entries(d, k);
      expected.resize(std::min(expected.size(), taken.size()));
      std::vector<int> got;
      for (const auto& e : taken) {
        ASSERT_TRUE(counts.count(e)) << "round " << round << ": not a candidate";
        got.push_back(counts[e]);
      }
      // The most frequent candidates, highest count at the lowest code; only
      // the choice among equal counts may differ.
      EXPECT_EQ(got, expected) << "round " << round << " k " << k;
      used += taken.size();
    }
    EXPECT_LE(used, 256u);
  }
}

TEST(QuickSortByCount, SortsAscendingAndKeepsEveryRecord) {
  PivotRandom pivots;
  std::vector<Candidate> two = {{1, 5}, {2, 3}};
  QuickSortByCount(two, 0, 1, pivots);
  EXPECT_EQ(two[0].Key, 2u);
  std::vector<Candidate> equal = {{1, 4}, {2, 4}};
  QuickSortByCount(equal, 0, 1, pivots);
  EXPECT_EQ(equal[0].Key, 1u);

  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::vector<Candidate> list(random() % 300);
    for (std::size_t i = 0; i < list.size(); ++i) list[i] = {static_cast<std::uint32_t>(i), static_cast<int>(random() % 7)};
    QuickSortByCount(list, 0, static_cast<std::int64_t>(list.size()) - 1, pivots);
    ASSERT_TRUE(std::is_sorted(list.begin(), list.end(), [](auto& a, auto& b) { return a.Count < b.Count; }));
    std::vector<std::uint32_t> keys;
    for (const auto& c : list) keys.push_back(c.Key);
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < keys.size(); ++i) ASSERT_EQ(keys[i], i);
  }
  // Long runs of equal counts, as real candidate lists have, sort quickly.
  std::vector<Candidate> many(200000, {0, 1});
  many[100] = {1, 9};
  QuickSortByCount(many, 0, static_cast<std::int64_t>(many.size()) - 1, pivots);
  EXPECT_EQ(many.back().Key, 1u);
}

Dictionary DictionaryOf(std::initializer_list<PhoneBytes> entries) {
  Dictionary d;
  std::size_t code = 0;
  for (const auto& e : entries) {
    d.Entries[code++] = e;
    ++d.ClassSize[e.size()];
  }
  return d;
}

TEST(PackString, ReplacesLongestClassesFirst) {
  const Dictionary d = DictionaryOf({{0x41}, {0x42}, Bytes({0x41, 0x41}), Bytes({0x41, 0x41, 0x41, 0x41})});
  EXPECT_EQ(PackString(Bytes({0x41, 0x41, 0x41, 0x41}), d), Bytes({3}));
  EXPECT_EQ(PackString(Bytes({0x41, 0x41, 0x41}), d), Bytes({2, 0}));
  EXPECT_EQ(PackString(Bytes({0x42, 0x41, 0x41, 0x41, 0x41, 0x41, 0x42}), d), Bytes({1, 3, 0, 1}));
  EXPECT_TRUE(PackString({}, d).empty());
}

TEST(PackString, HigherCodesWinAndCodesNeverMatchAgain) {
  // Code 3 (42 43) is applied before code 2 (41 42): in 41 42 43 it takes 42 43.
  const Dictionary d = DictionaryOf({{0x41}, {0x42}, {0x43}, Bytes({0x41, 0x42}), Bytes({0x42, 0x43})});
  EXPECT_EQ(PackString(Bytes({0x41, 0x42, 0x43}), d), Bytes({0, 4}));
  EXPECT_EQ(PackString(Bytes({0x41, 0x42, 0x41, 0x42}), d), Bytes({3, 3}));
}

// The piece list of the rules, as written.
PhoneBytes ReferencePack(const PhoneBytes& s, const Dictionary& d) {
  struct Piece {
    PhoneBytes bytes;
    bool isCode;
  };
  std::vector<Piece> pieces{{s, false}};
  for (int c = 255; c >= 0; --c) {
    const PhoneBytes& e = d.Entries[static_cast<std::size_t>(c)];
    if (e.empty()) continue;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      if (pieces[i].isCode) continue;
      PhoneBytes& piece = pieces[i].bytes;
      const auto found = std::search(piece.begin(), piece.end(), e.begin(), e.end());
      if (found == piece.end()) continue;
      const PhoneBytes before(piece.begin(), found), after(found + static_cast<long>(e.size()), piece.end());
      const Piece code{{static_cast<std::uint8_t>(c)}, true};
      if (before.empty() && after.empty()) {
        pieces[i] = code;
      } else if (before.empty()) {
        pieces[i] = code;
        pieces.insert(pieces.begin() + static_cast<long>(i) + 1, {after, false});
      } else if (after.empty()) {
        piece = before;
        pieces.insert(pieces.begin() + static_cast<long>(i) + 1, code);
      } else {
        piece = before;
        pieces.insert(pieces.begin() + static_cast<long>(i) + 1, code);
        pieces.insert(pieces.begin() + static_cast<long>(i) + 2, {after, false});
      }
    }
  }
  PhoneBytes packed;
  for (const auto& p : pieces) packed.insert(packed.end(), p.bytes.begin(), p.bytes.end());
  return packed;
}

TEST(PackString, ExpandsBackToTheStringOnRandomInput) {
  std::mt19937 random(23);
  for (int round = 0; round < 30; ++round) {
    std::vector<PhoneBytes> strings(80);
    for (auto& s : strings) {
      const int length = static_cast<int>(random() % 60);
      for (int i = 0; i < length; ++i) s.push_back(static_cast<std::uint8_t>(random() % (round + 2)));
    }
    const Dictionary d = Build(strings);
    const DictionaryLookup lookup(d);
    for (const auto& s : strings) {
      const PhoneBytes packed = PackString(s, lookup);
      ASSERT_EQ(packed, ReferencePack(s, d));
      ASSERT_EQ(ExpandCodes(packed, d), s);
    }
  }
}

}  // namespace
}  // namespace tarvo
