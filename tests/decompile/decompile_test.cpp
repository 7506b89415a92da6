#include "decompile/decompile_command.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "codec/decode.h"
#include "tests/support/lgp_text.h"
#include "tests/support/text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"

namespace tarvo {
namespace {

using test::ByteString;

class Decompile : public test::TempDirTest {
 protected:
  Decompile() {
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nPHONETYPE ") + test::kFlashType +
                              "\nPHONETYPE " + test::kBareType + "\nPHONETYPE " + test::kLangType + "\n",
                          config_);
  }

  CommandResult Run(const ByteString& image, const std::string& flashName = "flash.bin") {
    Write(Path(flashName), image);
    return RunDecompile(frame_, config_, Path(flashName), Path("out.lgp"));
  }

  Configuration config_;
  test::TestFrame frame_;
};

// Two languages of two messages in the bare type, laid out by the test builder.
test::PackPlan SmallSpec() {
  test::PackPlan plan;
  plan.lgPackId = "DEMO";
  plan.langIds = {1, 9};
  plan.strings = {{{'H', 'i'}, {}, {0x81, 0x10, 0x11}, {0x0A}, {'<', '4', '1', '>'}},
                  {{0x80, 0x0A}, {'a'}, {}, {0x95, 0x10}, {'x', 'y', 'x', 'y'}}};
  return plan;
}

TEST_F(Decompile, WritesTheTextFileLineByLine) {
  const auto type = test::TypeOf(test::kBareType);
  ASSERT_EQ(Run(test::BuildImage(type, SmallSpec())).Outcome, CommandOutcome::Done);
  const std::vector<std::u16string> expected = {
      u";", u"; Header info", u";",
      u"PhoneType BARE, 80, 10000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4",
      u"AllLangs 2", u"MaxMsgId 4", u"LgPackId DEMO", u";",
      u";", u"; Language data", u";", u"LangId 1",
      u"String 0, \"Hi\"", u"String 1, \"\"", u"String 2, \"<81>\u0410\u0411\"", u"String 3, \"<0A>\"",
      u"String 4, \"<3C>41>\"",
      u";", u"; Language data", u";", u"LangId 9",
      u"String 0, \"<80><0A>\"", u"String 1, \"a\"", u"String 2, \"\"", u"String 3, \"<95><10>\"",
      u"String 4, \"xyxy\""};
  EXPECT_EQ(Read(Path("out.lgp")), test::LgpBytes(expected));
  EXPECT_EQ(frame_.statuses, (std::vector<std::string>{"Analyzing...", "Decompiling...", "Done!"}));
  EXPECT_EQ(frame_.maximum, 10);
  EXPECT_EQ(frame_.value, 9);
  EXPECT_FALSE(frame_.locked);
  EXPECT_TRUE(frame_.messages.empty());
}

TEST_F(Decompile, SignatureOptionOffLeavesKnownSelectorsOut) {
  frame_.signatures = false;
  ASSERT_EQ(Run(test::BuildImage(test::TypeOf(test::kBareType), SmallSpec())).Outcome, CommandOutcome::Done);
  const auto lines = test::LgpLines(Read(Path("out.lgp")));
  EXPECT_EQ(lines[14], u"String 2, \"\u0410\u0411\"");
}

TEST_F(Decompile, HexOptionIsReadForEveryLine) {
  test::PackPlan plan;
  plan.langIds = {3};
  plan.strings = test::RandomStrings(3, 1, 29, 5);
  frame_.onYield = [](test::TestFrame& f) { f.hexNumbers = f.value >= 25; };
  ASSERT_EQ(Run(test::BuildImage(test::TypeOf(test::kFlashType), plan)).Outcome, CommandOutcome::Done);
  const auto lines = test::LgpLines(Read(Path("out.lgp")));
  ASSERT_EQ(lines.size(), 12u + 30u);
  EXPECT_EQ(lines[12].substr(0, 10), u"String 0, ");
  EXPECT_EQ(lines[12 + 25].substr(0, 10), u"String 25,");
  EXPECT_EQ(lines[12 + 26].substr(0, 11), u"String $1A,");
  EXPECT_EQ(lines[12 + 29].substr(0, 11), u"String $1D,");
}

TEST_F(Decompile, LanguageFileGetsItsNameLine) {
  const auto type = test::TypeOf(test::kLangType);
  test::PackPlan plan = SmallSpec();
  plan.strings[0].resize(4);
  plan.strings[1].resize(4);
  plan.languageName = {0x81, 0x20, 0x21, 'x'};
  ASSERT_EQ(Run(test::BuildImage(type, plan), "russian.LNG").Outcome, CommandOutcome::Done);
  const auto lines = test::LgpLines(Read(Path("out.lgp")));
  EXPECT_EQ(lines[3], u"PhoneType LNGFILE, -1, 8000, 4, 6, 8, 0, A, C, E, 12, 0, 36, 128, 3");
  EXPECT_EQ(lines[7], u"SL4xLangName \"<81>\u0420\u0421\u0478\"");
  EXPECT_EQ(config_.PhoneTypes[2].PackOffset, 0) << "the configuration stays as it was loaded";

  plan.languageName.clear();
  ASSERT_EQ(Run(test::BuildImage(type, plan), "empty-name.lng").Outcome, CommandOutcome::Done);
  EXPECT_EQ(test::LgpLines(Read(Path("out.lgp")))[7], u"SL4xLangName \"\"");
}

TEST_F(Decompile, DecodesEveryStringOfAMultiBlockPack) {
  const auto type = test::TypeOf(test::kFlashType);
  test::PackPlan plan;
  plan.langIds = {0, 4, 7};
  plan.strings = test::RandomStrings(11, 3, 250, 180);
  plan.imageSize = 0x40000;
  ASSERT_EQ(Run(test::BuildImage(type, plan)).Outcome, CommandOutcome::Done);
  const auto lines = test::LgpLines(Read(Path("out.lgp")));
  ASSERT_EQ(lines.size(), 8u + 3u * (4u + 251u));
  for (int i = 0; i < 3; ++i) {
    for (int m = 0; m <= 250; ++m) {
      const std::u16string expected = u"String " + test::U(std::to_string(m)) + u", \"" +
                                      DecodePhoneString(plan.strings[i][m], config_.Chars, true) + u"\"";
      ASSERT_EQ(lines[8 + i * 255 + 4 + m], expected);
    }
  }
}

// Progress starts at 0, never goes back, passes every whole percent and ends
// at the last string, however many strings there are.
TEST_F(Decompile, ProgressPassesEveryPercentAndEndsAtTheLastString) {
  const auto type = test::TypeOf(test::kFlashType);
  for (const int maxMsgId : {4, 99, 1200}) {
    test::PackPlan plan;
    plan.langIds = {0, 4, 7};
    plan.strings = test::RandomStrings(5, 3, maxMsgId, 12);
    plan.imageSize = 0x40000;
    std::vector<double> done;
    double total = 0;
    DecompileOptions options{true, {}, [&](double value, double of) {
                               done.push_back(value);
                               total = of;
                             }};
    DecompileImage(test::BuildImage(type, plan), "flash.bin", config_, options);
    const double strings = 3.0 * (maxMsgId + 1);
    ASSERT_EQ(total, strings);
    ASSERT_EQ(done.front(), 0);
    EXPECT_EQ(done.back(), strings - 1);
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_LE(done.size(), 1003u);
    std::set<int> percents;
    for (double value : done) percents.insert(static_cast<int>(100 * value / strings));
    EXPECT_EQ(percents.size(), strings < 100 ? static_cast<std::size_t>(strings) : 100u) << maxMsgId;
  }
}

// On a frame: the status once, the bar's range from the first report, a
// yield at every report, and the bar at the last string when done.
TEST_F(Decompile, OnAFrameShowsTheStatusOnceAndTheBarToTheEnd) {
  const auto type = test::TypeOf(test::kFlashType);
  for (const int maxMsgId : {0, 4, 2000}) {
    test::PackPlan plan;
    plan.langIds = {0, 4};
    plan.strings = test::RandomStrings(9, 2, maxMsgId, 8);
    plan.imageSize = 0x40000;
    test::TestFrame frame;
    ASSERT_TRUE(DecompileOnFrame(frame, test::BuildImage(type, plan), "flash.bin", config_));
    EXPECT_EQ(frame.statuses, std::vector<std::string>{"Decompiling..."});
    EXPECT_EQ(frame.ProgressMaximum(), 2.0 * (maxMsgId + 1));
    EXPECT_EQ(frame.value, 2.0 * (maxMsgId + 1) - 1);
    EXPECT_GE(frame.yields, 2);
    EXPECT_LE(frame.yields, 1002);
  }
}

TEST_F(Decompile, UnknownImageKeepsAnOldTextFileAndMakesNoNewOne) {
  WriteText(Path("out.lgp"), "old contents");
  EXPECT_EQ(Run(ByteString(0x1000, 0x42)).Outcome, CommandOutcome::Failed);
  ASSERT_EQ(frame_.messages.size(), 1u);
  EXPECT_EQ(frame_.messages[0].Text, "Unknow phone's flash!");
  EXPECT_EQ(frame_.messages[0].Title, "Error");
  EXPECT_EQ(frame_.LastStatus(), "Analyzing...");
  EXPECT_EQ(Read(Path("out.lgp")), ByteString({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));
  EXPECT_FALSE(frame_.locked);

  std::filesystem::remove(Path("out.lgp"));
  EXPECT_EQ(Run(ByteString(0x1000, 0x42)).Outcome, CommandOutcome::Failed);
  EXPECT_FALSE(std::filesystem::exists(Path("out.lgp")));
}

TEST_F(Decompile, EmptyFlashFileIsDeletedSilently) {
  EXPECT_EQ(Run({}).Outcome, CommandOutcome::Silent);
  EXPECT_TRUE(frame_.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(Path("flash.bin")));
  EXPECT_EQ(frame_.LastStatus(), "Analyzing...");
  EXPECT_FALSE(frame_.locked);
}

TEST_F(Decompile, OutputThatIsTheInputIsRefusedBeforeAnythingIsDeleted) {
  const ByteString image = test::BuildImage(test::TypeOf(test::kBareType), SmallSpec());
  Write(Path("flash.bin"), image);
  EXPECT_EQ(RunDecompile(frame_, config_, Path("flash.bin"), dir_ / "." / "flash.bin").Outcome,
            CommandOutcome::Failed);
  EXPECT_EQ(Read(Path("flash.bin")), image);
}

TEST_F(Decompile, MissingFlashFileIsReportedWithItsPath) {
  EXPECT_EQ(RunDecompile(frame_, config_, Path("nowhere.bin"), Path("out.lgp")).Outcome, CommandOutcome::Failed);
  ASSERT_EQ(frame_.messages.size(), 1u);
  EXPECT_NE(frame_.messages[0].Text.find("nowhere.bin"), std::string::npos);
  EXPECT_NE(frame_.messages[0].Text.find("No such file"), std::string::npos);
  EXPECT_FALSE(frame_.locked);
}

TEST_F(Decompile, TruncatedImagesAreRefusedAtEveryLength) {
  const ByteString image = test::BuildImage(test::TypeOf(test::kBareType), SmallSpec());
  for (std::size_t length = 1; length < image.size(); ++length) {
    test::TestFrame frame;
    Write(Path("cut.bin"), ByteString(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
    const CommandResult result = RunDecompile(frame, config_, Path("cut.bin"), Path("out.lgp"));
    ASSERT_EQ(result.Outcome, CommandOutcome::Failed) << length;
    ASSERT_EQ(frame.messages.size(), 1u);
    ASSERT_FALSE(std::filesystem::exists(Path("out.lgp"))) << length;
    ASSERT_FALSE(frame.locked);
  }
}

TEST_F(Decompile, RandomCorruptionNeverCrashesAndNeverTouchesTheOutputOnFailure) {
  test::PackPlan plan;
  plan.langIds = {1, 2};
  plan.strings = test::RandomStrings(5, 2, 40, 30);
  const ByteString good = test::BuildImage(test::TypeOf(test::kFlashType), plan);
  std::mt19937 random(99);
  int failed = 0;
  for (int round = 0; round < 400; ++round) {
    ByteString image = good;
    const int flips = 1 + static_cast<int>(random() % 8);
    for (int f = 0; f < flips; ++f) {
      image[0x100 + random() % (image.size() - 0x100)] = static_cast<std::uint8_t>(random());
    }
    test::TestFrame frame;
    Write(Path("bad.bin"), image);
    const bool existed = std::filesystem::exists(Path("out.lgp"));
    const ByteString before = existed ? Read(Path("out.lgp")) : ByteString();
    const CommandResult result = RunDecompile(frame, config_, Path("bad.bin"), Path("out.lgp"));
    if (result.Outcome == CommandOutcome::Failed) {
      ++failed;
      ASSERT_EQ(std::filesystem::exists(Path("out.lgp")), existed);
      if (existed) ASSERT_EQ(Read(Path("out.lgp")), before);
    } else {
      ASSERT_EQ(result.Outcome, CommandOutcome::Done);
    }
    ASSERT_FALSE(frame.locked);
  }
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace tarvo
