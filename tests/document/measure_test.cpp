#include "document/measure.h"

#include <gtest/gtest.h>

#include <random>

#include "compile/compile_command.h"
#include "document/document.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using Kind = PackingCache::Kind;

// A language file whose header holds MaxMsgId.
constexpr const char* kWordsType = "WORDS, -1, 20000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9";

// Two languages of menu-like text: many words of equal count, so that the
// standard packer's pivots decide its dictionaries.
std::vector<std::uint8_t> WordyPack() {
  const char16_t* words[] = {
      u"open", u"close", u"menu", u"call", u"save", u"phone", u"\u043C\u0435\u043D\u044E",
      u"list", u"back",  u"send", u"new",  u"edit"};
  std::vector<std::u16string> lines = {u"PhoneType " + test::U(kWordsType), u"AllLangs 2", u"MaxMsgId 79",
                                       u"LgPackId WORDS", u"SL4xLangName \"Words\""};
  std::mt19937 random(7);
  for (int l = 0; l < 2; ++l) {
    lines.push_back(u"LangId " + std::u16string(1, static_cast<char16_t>(u'1' + l)));
    for (int m = 0; m < 80; ++m) {
      std::u16string text;
      for (int w = 1 + static_cast<int>(random() % 6); w > 0; --w)
        text += std::u16string(words[random() % 12]) + u" ";
      lines.push_back(u"String " + test::U(std::to_string(m)) + u", \"" + text + u"\"");
    }
  }
  return test::LgpBytes(lines);
}

class Measure : public test::TempDirTest {
 protected:
  Measure() {
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nPHONETYPE ") + kWordsType + "\n", config_);
  }

  std::vector<std::uint8_t> Compile(const Document& document, PackingStrategy strategy, PivotRandom& random) {
    Write(Path("in.lgp"), document.SaveBytes());
    test::TestFrame frame;
    EXPECT_EQ(RunCompile(frame, config_, random, Path("in.lgp"), Path("out.lng"), strategy).Outcome,
              CommandOutcome::Done)
        << (frame.messages.empty() ? frame.LastStatus() : frame.messages.back().Text);
    return Read(Path("out.lng"));
  }

  // The language file holds its name, the pack, and one byte after it.
  static void ExpectWritten(const std::vector<std::uint8_t>& file, const Document& document,
                            const PackingGauge& gauge) {
    const std::int64_t p = PackStart(document.Lgp());
    ASSERT_EQ(static_cast<std::int64_t>(file.size()), p + gauge.Length + 1);
    std::vector<std::uint8_t> dictionaries;
    for (const Dictionary& dictionary : gauge.Dictionaries) {
      for (const PhoneBytes& entry : dictionary.Entries)
        dictionaries.insert(dictionaries.end(), entry.begin(), entry.end());
    }
    const std::int64_t d0 =
        PlacePack(document.Lgp().PhoneType, document.Lgp().AllLangs, document.MaxMsgId()).D0;
    const auto at = file.begin() + p + d0;
    EXPECT_EQ(std::vector<std::uint8_t>(at, at + static_cast<std::ptrdiff_t>(dictionaries.size())),
              dictionaries);
  }

  Configuration config_;
};

// Measured before each compile, from the document's texts and the state
// the generator is in after the compiles before.
TEST_F(Measure, FiguresAreWhatTheCompileThenWrites) {
  Document document = Document::FromLgp(WordyPack(), "words.lgp", config_);
  PivotRandom random;
  const MeasureCache& cache = *document.MeasureCacheOf();  // what the snapshots carry
  const std::u16string texts[] = {u"send new list", u"\u043C\u0435\u043D\u044E open menu<0A>", u"back",
                                  u"call"};
  for (int round = 0; round < 4; ++round) {
    // From the third round on only the second language changes: its compact
    // dictionary alone is built again, and its strings alone packed again
    // with both dictionaries.
    if (round < 2) document.Apply({{0, 79, texts[round] + u"save"}});
    document.Apply({{1, 5, texts[round]}});
    const PivotRandom before = random;
    const auto hits = [&cache](PackingCache::Kind kind) { return cache.Packings.Hits(kind); };
    const std::size_t compactHits = hits(Kind::CompactDictionary), optimalHits = hits(Kind::PackedOptimally),
                      standardHits = hits(Kind::StandardDictionary);
    const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, random));
    EXPECT_EQ(hits(Kind::CompactDictionary) - compactHits, round < 2 ? 0u : 1u);
    EXPECT_EQ(hits(Kind::PackedOptimally) - optimalHits, round < 2 ? 0u : 2u);
    // The compact packer's standard dictionary of the first language (its
    // generator always starts fresh); the first round's two packings race.
    if (round > 0) {
      EXPECT_EQ(hits(Kind::StandardDictionary) - standardHits, round < 2 ? 0u : 1u);
    }
    EXPECT_EQ(measure.Revision, document.Revision());
    ASSERT_TRUE(measure.Standard.Fits && measure.Compact.Fits);
    EXPECT_LE(measure.Compact.Length, measure.Standard.Length);
    EXPECT_EQ(measure.Standard.Spare, measure.Standard.SizeLimit - 1 - measure.Standard.Length);
    ExpectWritten(Compile(document, PackingStrategy::Standard, random), document, measure.Standard);
    PivotRandom unused = before;
    ExpectWritten(Compile(document, PackingStrategy::Compact, unused), document, measure.Compact);
  }
}

// One packing after the other, as on one thread: the same figures as without
// anything kept, and from a fresh generator the compact packing takes the
// standard one's dictionaries.
TEST_F(Measure, OnOneThreadTheSecondPackingTakesWhatItCanOfTheFirst) {
  const Document document = Document::FromLgp(WordyPack(), "words.lgp", config_);
  for (const bool fresh : {true, false}) {
    PivotRandom random;
    if (!fresh) random.Next();
    MeasureSnapshot snapshot = TakeSnapshot(document, random);
    MeasureCache cache;
    const PackingGauge standard = MeasureGauge(snapshot, PackingStrategy::Standard, &cache);
    const PackingGauge compact = MeasureGauge(snapshot, PackingStrategy::Compact, &cache);
    EXPECT_EQ(cache.Packings.Hits(Kind::StandardDictionary), fresh ? 2u : 0u);
    snapshot.Cache.reset();
    for (const auto& [kept, strategy] : {std::pair{&standard, PackingStrategy::Standard},
                                         std::pair{&compact, PackingStrategy::Compact}}) {
      const PackingGauge alone = MeasureGauge(snapshot, strategy);
      EXPECT_EQ(kept->Payloads, alone.Payloads);
      EXPECT_TRUE(kept->Dictionaries == alone.Dictionaries);
      EXPECT_EQ(kept->Codes, alone.Codes);
    }
  }
}

TEST_F(Measure, APackThatACompileRefusesIsNotPackedButSaysWhy) {
  // The reader takes a negative AllLangs; the document opens, the measure refuses.
  for (const char* allLangs : {"AllLangs -3", "AllLangs 0"}) {
    std::vector<std::u16string> lines = {u"PhoneType " + test::U(kWordsType), test::U(allLangs),
                                         u"MaxMsgId 9", u"LgPackId WORDS"};
    const Document document = Document::FromLgp(test::LgpBytes(lines), "refused.lgp", config_);
    const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, PivotRandom()));
    for (const PackingGauge* gauge : {&measure.Standard, &measure.Compact}) {
      EXPECT_FALSE(gauge->Packed) << allLangs;
      EXPECT_NE(gauge->Failure.find("AllLangs must be at least 1"), std::string::npos) << gauge->Failure;
    }
  }
}

TEST_F(Measure, StringCostIsTheRecordWithTheLastDictionary) {
  const Document document = Document::FromLgp(WordyPack(), "words.lgp", config_);
  const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, PivotRandom()));
  for (const PackingStrategy strategy : {PackingStrategy::Standard, PackingStrategy::Compact}) {
    const PackingGauge& gauge = measure.Of(strategy);
    std::int64_t records = 0;
    for (std::size_t l = 0; l < 2; ++l) {
      for (std::int32_t m = 0; m <= document.MaxMsgId(); ++m) {
        const auto cost = StringCost(measure, strategy, l, document.Text(l, m), config_.Chars);
        ASSERT_TRUE(cost);
        EXPECT_EQ(*cost, static_cast<std::int64_t>(gauge.Codes[l][static_cast<std::size_t>(m)]) + 1);
        records += *cost;
      }
      EXPECT_EQ(StringCost(measure, strategy, l, u"", config_.Chars), 1);
    }
    EXPECT_FALSE(StringCost(measure, strategy, 0, u"\U0001F600", config_.Chars));
    EXPECT_FALSE(StringCost(measure, strategy, 2, u"open", config_.Chars));
    std::int64_t payloads = 0;
    for (const std::int64_t p : gauge.Payloads) payloads += p;
    EXPECT_GT(payloads, records);
  }
}

}  // namespace
}  // namespace tarvo
