#include "compile/compact_packing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "compile/pack_languages.h"
#include "compile/pack_writer.h"
#include "compile/packing_cache.h"
#include "tests/support/pack_builder.h"
#include "tests/support/test_frame.h"

namespace tarvo {
namespace {

std::vector<const PhoneBytes*> Pointers(const std::vector<PhoneBytes>& strings) {
  std::vector<const PhoneBytes*> pointers;
  for (const auto& s : strings) pointers.push_back(&s);
  return pointers;
}

// The fewest codes for s by trying every way to cut it.
int FewestCodesByTrial(const PhoneBytes& s, std::size_t from, const Dictionary& d) {
  if (from == s.size()) return 0;
  int best = 1 << 20;
  for (const PhoneBytes& e : d.Entries) {
    if (e.empty() || from + e.size() > s.size() || !std::equal(e.begin(), e.end(), s.begin() + static_cast<long>(from))) {
      continue;
    }
    best = std::min(best, 1 + FewestCodesByTrial(s, from + e.size(), d));
  }
  return best;
}

PhoneBytes RandomString(std::mt19937& random, std::size_t length, int alphabet) {
  PhoneBytes s;
  for (std::size_t i = 0; i < length; ++i) s.push_back(static_cast<std::uint8_t>('a' + random() % alphabet));
  return s;
}

// Menus are made of recurring words; so are these strings.
std::vector<PhoneBytes> WordyStrings(std::mt19937& random, std::size_t count, std::uint8_t firstLetter) {
  std::vector<PhoneBytes> words;
  for (int w = 0; w < 150; ++w) {
    words.push_back(RandomString(random, 2 + random() % 8, 20));
    for (auto& b : words.back()) b = static_cast<std::uint8_t>(b - 'a' + firstLetter);
  }
  std::vector<PhoneBytes> strings;
  for (std::size_t m = 0; m < count; ++m) {
    PhoneBytes s;
    const std::size_t target = random() % 50;
    while (s.size() < target) {
      if (!s.empty()) s.push_back(' ');
      // Zipf-like: low word numbers are far more frequent.
      const PhoneBytes& word = words[(random() % 150) * (random() % 150) / 150];
      s.insert(s.end(), word.begin(), word.end());
    }
    strings.push_back(s);
  }
  return strings;
}

TEST(PackStringOptimal, FindsTheFewestCodesAndNeverMoreThanPackString) {
  std::mt19937 random(5);
  for (int round = 0; round < 300; ++round) {
    const int alphabet = 2 + static_cast<int>(random() % 3);
    std::vector<PhoneBytes> strings;
    for (int i = 0; i < 6; ++i) strings.push_back(RandomString(random, random() % 14, alphabet));
    // A dictionary of every letter and some random longer pieces, in classes.
    Dictionary d;
    std::vector<PhoneBytes> entries;
    for (int c = 0; c < alphabet; ++c) entries.push_back({static_cast<std::uint8_t>('a' + c)});
    for (int i = 0; i < 6; ++i) entries.push_back(RandomString(random, 2 + random() % 3, alphabet));
    std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.size() < b.size(); });
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    for (std::size_t i = 0; i < entries.size(); ++i) {
      d.Entries[i] = entries[i];
      ++d.ClassSize[entries[i].size()];
    }
    for (const PhoneBytes& s : strings) {
      const PhoneBytes codes = PackStringOptimal(s, d);
      ASSERT_EQ(ExpandCodes(codes, d), s);
      ASSERT_EQ(static_cast<int>(codes.size()), FewestCodesByTrial(s, 0, d)) << "round " << round;
      ASSERT_LE(codes.size(), PackString(s, d).size());
    }
  }
}

void ExpectValidDictionary(const Dictionary& d, const std::vector<PhoneBytes>& strings) {
  std::size_t previous = 1;
  int used = 0;
  for (const PhoneBytes& e : d.Entries) {
    if (e.empty()) {
      previous = 5;  // nothing may follow an empty entry
      continue;
    }
    ASSERT_GE(e.size(), previous) << "classes out of order";
    ASSERT_LE(e.size(), 4u);
    previous = e.size();
    ++used;
  }
  EXPECT_EQ(used, d.Used());
  for (const PhoneBytes& s : strings) {
    for (std::uint8_t b : s) {
      ASSERT_TRUE(std::any_of(d.Entries.begin(), d.Entries.end(), [&](auto& e) { return e == PhoneBytes{b}; }))
          << "byte " << int{b} << " has no entry";
    }
  }
}

TEST(BuildCompactDictionary, KeepsTheReadersRulesAndItsByteBudget) {
  std::mt19937 random(6);
  // Few bytes in use, many bytes in use (few codes left), and text.
  std::vector<std::vector<PhoneBytes>> inputs;
  inputs.push_back(WordyStrings(random, 400, 'a'));
  std::vector<PhoneBytes> wide;
  for (int i = 0; i < 300; ++i) wide.push_back(RandomString(random, random() % 30, 250));
  inputs.push_back(wide);
  inputs.push_back({});
  inputs.push_back({PhoneBytes{'x'}, PhoneBytes(300, 'y')});
  for (const auto& strings : inputs) {
    const Dictionary d = BuildCompactDictionary(Pointers(strings));
    ExpectValidDictionary(d, strings);
    const Dictionary small = BuildCompactDictionary(Pointers(strings), 60);
    ExpectValidDictionary(small, strings);
    EXPECT_LE(DictionaryBytes(small), std::max<std::int64_t>(60, small.ClassSize[1]));
  }
  // A long run of one byte packs into 4-byte codes.
  const Dictionary runs = BuildCompactDictionary(Pointers(inputs[3]));
  EXPECT_EQ(PackStringOptimal(inputs[3][1], runs).size(), 75u);
}

TEST(BuildCompactDictionary, SavesMoreThanTheStandardDictionaryOnText) {
  std::mt19937 random(7);
  const auto strings = WordyStrings(random, 1500, 'a');
  PivotRandom pivots;
  const Dictionary standard = BuildDictionary(Pointers(strings), pivots);
  const Dictionary compact = BuildCompactDictionary(Pointers(strings));
  auto payload = [&](const Dictionary& d, bool optimal) {
    std::int64_t bytes = DictionaryBytes(d);
    for (const auto& s : strings) bytes += static_cast<std::int64_t>((optimal ? PackStringOptimal(s, d) : PackString(s, d)).size()) + 1;
    return bytes;
  };
  EXPECT_LT(payload(compact, true), payload(standard, false) * 95 / 100);
}

// An .lgp file in memory with `languages` of word-made strings.
LgpFile WordyLgp(std::uint32_t seed, int languages, int messages) {
  std::mt19937 random(seed);
  LgpFile lgp;
  lgp.PhoneType = test::TypeOf(test::kFlashType);
  lgp.AllLangs = languages;
  lgp.MaxMsgId = messages - 1;
  lgp.LgPackId = "T";
  lgp.Strings.resize(static_cast<std::size_t>(languages));
  for (int l = 0; l < languages; ++l) {
    lgp.LangIds.push_back(l);
    // Language 1 is noise rather than words: the standard packer may win there.
    const auto strings = l == 1 ? std::vector<PhoneBytes>{} : WordyStrings(random, static_cast<std::size_t>(messages), static_cast<std::uint8_t>('a' + l));
    for (int m = 0; m < messages; ++m) {
      lgp.Strings[static_cast<std::size_t>(l)][m] =
          l == 1 ? RandomString(random, random() % 20, 200) : strings[static_cast<std::size_t>(m)];
    }
  }
  return lgp;
}

TEST(PackingCache, PacksAsEachStringAloneAndKeepsAtMost32MB) {
  std::mt19937 random(5);
  const std::vector<PhoneBytes> strings = WordyStrings(random, 400, 'a');
  const Dictionary dictionary = BuildCompactDictionary(Pointers(strings));
  PackingCache cache;
  const auto optimalHits = [&] { return cache.Hits(PackingCache::Kind::PackedOptimally); };
  for (const bool optimally : {false, true}) {
    std::vector<PhoneBytes> alone;
    for (const PhoneBytes& s : strings)
      alone.push_back(optimally ? PackStringOptimal(s, dictionary) : PackString(s, dictionary));
    EXPECT_EQ(cache.PackAll(Pointers(strings), dictionary, optimally), alone);
    EXPECT_EQ(cache.PackAll(Pointers(strings), dictionary, optimally), alone);
  }
  EXPECT_EQ(cache.Hits(PackingCache::Kind::Packed), 1u);
  EXPECT_EQ(optimalHits(), 1u);
  // Another dictionary, or one string changed, is packed anew.
  Dictionary other = dictionary;
  std::swap(other.Entries[200], other.Entries[201]);
  cache.PackAll(Pointers(strings), other, true);
  std::vector<PhoneBytes> changed = strings;
  changed[7].push_back('b');
  cache.PackAll(Pointers(changed), dictionary, true);
  EXPECT_EQ(optimalHits(), 1u);
  // Lists of about 6 MB each: the first ones make room for the later ones.
  const std::vector<PhoneBytes> large(16384, PhoneBytes(240, 'a'));
  for (std::uint8_t b = 'b'; b < 'i'; ++b) {
    Dictionary single = dictionary;
    single.Entries[255] = {b};
    cache.PackAll(Pointers(large), single, true);
  }
  cache.PackAll(Pointers(strings), dictionary, true);
  EXPECT_EQ(optimalHits(), 1u);
}

// A standard dictionary is kept by its strings and the generator's state
// before, and leaves the generator as building it would.
TEST(PackingCache, StandardDictionaryLeavesTheGeneratorAsBuildingItWould) {
  std::mt19937 random(9);
  const std::vector<PhoneBytes> strings = WordyStrings(random, 300, 'a');
  PackingCache cache;
  PivotRandom built, first, second;
  const Dictionary expected = BuildDictionary(Pointers(strings), built);
  EXPECT_TRUE(cache.StandardDictionary(Pointers(strings), first) == expected);
  EXPECT_TRUE(cache.StandardDictionary(Pointers(strings), second) == expected);
  EXPECT_TRUE(first == built && second == built);
  EXPECT_EQ(cache.Hits(PackingCache::Kind::StandardDictionary), 1u);
  PivotRandom moved = built;
  const Dictionary fromMoved = BuildDictionary(Pointers(strings), moved);
  EXPECT_TRUE(cache.StandardDictionary(Pointers(strings), built) == fromMoved);
  EXPECT_TRUE(built == moved);
  EXPECT_EQ(cache.Hits(PackingCache::Kind::StandardDictionary), 1u);
}

TEST(PackLanguages, CompactIsNeverLargerPerLanguageAndTheSameOnEveryRun) {
  for (std::uint32_t seed : {1u, 2u}) {
    const LgpFile lgp = WordyLgp(seed, 3, 600);
    test::TestFrame frame;
    PivotRandom pivots;
    const auto standard = PackLanguages(lgp, PackingStrategy::Standard, pivots, FrameControl(frame));
    const auto compact = PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame));
    ASSERT_EQ(compact.size(), 3u);
    for (std::size_t l = 0; l < compact.size(); ++l) {
      EXPECT_LE(PayloadSize(compact[l]), PayloadSize(standard[l])) << "language " << l;
      for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) {
        ASSERT_EQ(ExpandCodes(compact[l].Packed[static_cast<std::size_t>(m)], compact[l].Dict),
                  lgp.StringAt(static_cast<std::int32_t>(l), m));
      }
    }
    EXPECT_LT(PayloadSize(compact[0]), PayloadSize(standard[0]) * 95 / 100);
    PivotRandom otherPivots;
    otherPivots.Next();
    const auto again = PackLanguages(lgp, PackingStrategy::Compact, otherPivots, FrameControl(frame));
    for (std::size_t l = 0; l < compact.size(); ++l) {
      EXPECT_EQ(again[l].Dict.Entries, compact[l].Dict.Entries);
      EXPECT_EQ(again[l].Packed, compact[l].Packed);
    }
    EXPECT_TRUE(frame.messages.empty());
  }
}

TEST(PackLanguages, CompactAsksToCropOnlyWhatStillExceeds254Codes) {
  LgpFile lgp = WordyLgp(3, 1, 50);
  // 600 bytes of a four-byte pattern: 150 codes once "abcd" is an entry.
  PhoneBytes pattern;
  for (int i = 0; i < 150; ++i) pattern.insert(pattern.end(), {'w', 'x', 'y', 'z'});
  lgp.Strings[0][3] = pattern;
  std::mt19937 random(9);
  lgp.Strings[0][4] = RandomString(random, 700, 250);
  test::TestFrame frame;
  frame.defaultAnswer = MessageAnswer::Ok;
  PivotRandom pivots;
  const auto compact = PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame));
  ASSERT_EQ(frame.messages.size(), 1u);
  EXPECT_EQ(frame.messages[0].Text, "String 4 in language 1 doesn't fit to 254 bytes length. Crop it?");
  EXPECT_FALSE(compact[0].Cropped[3]);
  EXPECT_TRUE(compact[0].Cropped[4]);
  EXPECT_EQ(compact[0].Packed[4].size(), 254u);

  frame = {};
  EXPECT_THROW(PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame)), PackingStopped);
}

TEST(PackLanguages, CompactGivesUpEntriesRatherThanPushTheTablesPastTheFirstBlock) {
  LgpFile lgp = WordyLgp(6, 4, 400);
  test::TestFrame frame;
  PivotRandom pivots;
  auto dictionaryBytes = [](const std::vector<PackedLanguage>& languages) {
    std::int64_t bytes = 0;
    for (const auto& language : languages) bytes += DictionaryBytes(language.Dict);
    return bytes;
  };
  const auto standard = PackLanguages(lgp, PackingStrategy::Standard, pivots, FrameControl(frame));
  const std::int64_t standardBytes = dictionaryBytes(standard);
  const std::int64_t compactBytes = dictionaryBytes(PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame)));
  ASSERT_GT(compactBytes, standardBytes + 100) << "the compact dictionaries must be the larger ones here";
  // A larger language map moves the dictionaries on until only the standard
  // ones fit in the first block.
  const std::int64_t d0 = PlacePack(lgp.PhoneType, lgp.AllLangs, lgp.MaxMsgId).D0;
  lgp.PhoneType.LangMapSize += static_cast<std::int32_t>(kBlockSize - 1 - d0 - (standardBytes + compactBytes) / 2);
  ASSERT_TRUE(MeasurePack(lgp, standard).Fits());

  const auto compact = PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame));
  const PackMeasure measure = MeasurePack(lgp, compact);
  EXPECT_TRUE(measure.Fits());
  EXPECT_LE(measure.DictionariesEnd, kBlockSize - 1);
  std::int64_t compactPayload = 0, standardPayload = 0;
  for (std::size_t l = 0; l < compact.size(); ++l) {
    compactPayload += PayloadSize(compact[l]);
    standardPayload += PayloadSize(standard[l]);
    for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) {
      ASSERT_EQ(ExpandCodes(compact[l].Packed[static_cast<std::size_t>(m)], compact[l].Dict),
                lgp.StringAt(static_cast<std::int32_t>(l), m));
    }
  }
  EXPECT_LT(compactPayload, standardPayload);

  // Where even the standard dictionaries reach past the block, the compact
  // ones still fit.
  lgp.PhoneType.LangMapSize += static_cast<std::int32_t>((standardBytes + compactBytes) / 2 - standardBytes + 50);
  ASSERT_FALSE(MeasurePack(lgp, standard).Fits());
  const PackMeasure smaller = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame)));
  EXPECT_TRUE(smaller.Fits());
}

TEST(MeasurePack, GivesTheLengthTheWriterWrites) {
  for (std::uint32_t seed : {4u, 5u}) {
    const LgpFile lgp = WordyLgp(seed, 4, 1200);  // several blocks
    test::TestFrame frame;
    PivotRandom pivots;
    for (PackingStrategy strategy : {PackingStrategy::Standard, PackingStrategy::Compact}) {
      const auto languages = PackLanguages(lgp, strategy, pivots, FrameControl(frame));
      const PackMeasure measure = MeasurePack(lgp, languages);
      std::vector<std::uint8_t> image(0x40000, 0);
      const WrittenRange range = WritePack(image, false, lgp, languages);
      EXPECT_EQ(measure.Length, range.End);
      EXPECT_GT(measure.Blocks, 1);
      EXPECT_TRUE(measure.Fits());
    }
  }
}

}  // namespace
}  // namespace tarvo
