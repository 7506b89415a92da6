#include "compile/compile_command.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "decompile/decompile_command.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::ByteString;

class Compile : public test::TempDirTest {
 protected:
  Compile() {
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nTRANS 82,380\nPHONETYPE ") + test::kFlashType +
                              "\nPHONETYPE " + test::kBareType + "\nPHONETYPE " + test::kLangType + "\n",
                          config_);
  }

  // Decompiles `image` (saved under `name`) and returns the .lgp bytes.
  ByteString Decompiled(const std::string& name) {
    test::TestFrame frame;
    const auto out = Path(name + ".lgp");
    EXPECT_EQ(RunDecompile(frame, config_, Path(name), out).Outcome, CommandOutcome::Done);
    return Read(out);
  }

  CommandResult CompileInto(const std::vector<std::u16string>& lines, const std::string& target) {
    Write(Path("in.lgp"), test::LgpBytes(lines));
    return RunCompile(frame_, config_, random_, Path("in.lgp"), Path(target));
  }

  Configuration config_;
  PivotRandom random_;
  test::TestFrame frame_;
};

// An image holding a pack of one language with empty strings.
test::PackPlan Blank(std::size_t messages, std::size_t imageSize) {
  test::PackPlan plan;
  plan.langIds = {1};
  plan.strings = {std::vector<ByteString>(messages)};
  plan.imageSize = imageSize;
  return plan;
}

std::vector<std::u16string> SmallLgp(const char* type = test::kBareType) {
  return {u"PhoneType " + test::U(type), u"AllLangs 2", u"MaxMsgId 4", u"LgPackId DEMO",
          u"LangId 1", u"String 0, \"Hello\"", u"String 1, \"\u041F\u0440\u0438\u0432\u0435\u0442\"",
          u"String 2, \"<0A>\"", u"String 4, \"\"",
          u"LangId 2", u"String 0, \"\u0393\u03B5\u03B9\u03B1\"", u"String 3, \"a<95>b\""};
}

// A random .lgp file exactly as the decompile command writes it with the
// signature option off: texts from the table's windows, without "<" and
// control characters, so that they come back unchanged.
std::vector<std::u16string> RandomLgp(std::mt19937& random, const char* type, int languages, int maxMsgId) {
  std::vector<std::u16string> lines = {u";", u"; Header info", u";", u"PhoneType " + test::U(type),
                                       u"AllLangs " + test::U(std::to_string(languages)),
                                       u"MaxMsgId " + test::U(std::to_string(maxMsgId)), u"LgPackId R", u";"};
  const char16_t windows[] = {0, 0x400, 0x380};
  for (int l = 0; l < languages; ++l) {
    for (const char* line : {";", "; Language data", ";"}) lines.push_back(test::U(line));
    lines.push_back(u"LangId " + test::U(std::to_string(l * 3)));
    const char16_t window = windows[l % 3];
    for (int m = 0; m <= maxMsgId; ++m) {
      std::u16string text;
      const int length = static_cast<int>(random() % 61);
      for (int i = 0; i < length; ++i) {
        char16_t c = random() % 4 == 0 ? static_cast<char16_t>(u' ' + random() % 95)
                                       : static_cast<char16_t>(window + random() % 128);
        if (c < u' ' || c == u'<') c = u'e';
        text.push_back(c);
      }
      lines.push_back(u"String " + test::U(std::to_string(m)) + u", \"" + text + u"\"");
    }
  }
  return lines;
}

TEST_F(Compile, TextComesBackUnchanged) {
  std::mt19937 random(8);
  for (const char* type : {test::kFlashType, test::kBareType}) {
    for (int round = 0; round < 5; ++round) {
      const PhoneTypeRecord record = test::TypeOf(type);
      const int maxMsgId = record.MaxMsgIdPos ? static_cast<int>(random() % 400) : record.DefaultMaxMsgId;
      const auto lines = RandomLgp(random, type, 1 + static_cast<int>(random() % 5), maxMsgId);
      Write(Path("t.bin"), test::BuildImage(record, Blank(1, 0x30000)));
      ASSERT_EQ(CompileInto(lines, "t.bin").Outcome, CommandOutcome::Done)
          << (frame_.messages.empty() ? "" : frame_.messages[0].Text);
      test::TestFrame frame;
      frame.signatures = false;
      ASSERT_EQ(RunDecompile(frame, config_, Path("t.bin"), Path("t.lgp")).Outcome, CommandOutcome::Done);
      const auto back = test::LgpLines(Read(Path("t.lgp")));
      ASSERT_EQ(back.size(), lines.size());
      for (std::size_t i = 0; i < back.size(); ++i) ASSERT_EQ(back[i], lines[i]) << "round " << round << " line " << i;
      EXPECT_EQ(Read(Path("t.lgp")), test::LgpBytes(lines));
    }
  }
}

TEST_F(Compile, DecompiledImagesReachAFixedPointAfterOneCompile) {
  // Phone bytes that no text writes (a character without its selector) gain
  // the selector on their first compile; from then on nothing changes.
  std::mt19937 random(9);
  for (int round = 0; round < 4; ++round) {
    test::PackPlan plan;
    plan.langIds = {4, 5, 6};
    plan.strings = test::RandomStrings(static_cast<std::uint32_t>(random()), 3, 200, 60);
    plan.imageSize = 0x30000;
    Write(Path("a.bin"), test::BuildImage(test::TypeOf(test::kFlashType), plan));
    const ByteString first = Decompiled("a.bin");
    test::TestFrame frame;
    ASSERT_EQ(RunCompile(frame, config_, random_, Path("a.bin.lgp"), Path("a.bin")).Outcome, CommandOutcome::Done);
    const ByteString second = Decompiled("a.bin");
    EXPECT_EQ(test::LgpLines(second).size(), test::LgpLines(first).size());
    ASSERT_EQ(RunCompile(frame, config_, random_, Path("a.bin.lgp"), Path("a.bin")).Outcome, CommandOutcome::Done);
    ASSERT_EQ(Decompiled("a.bin"), second) << "round " << round;
  }
}

TEST_F(Compile, ShowsItsPhasesAndEndsWithAFullBar) {
  test::PackPlan plan;
  plan.langIds = {1};
  plan.strings = test::RandomStrings(2, 1, 4, 10);
  plan.imageSize = 0x2000;
  Write(Path("f.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
  const auto before = Read(Path("f.bin"));
  ASSERT_EQ(CompileInto(SmallLgp(), "f.bin").Outcome, CommandOutcome::Done) << frame_.messages.at(0).Text;
  EXPECT_EQ(frame_.statuses, (std::vector<std::string>{"Reading...", "Packing...", "Writing...", "Done!"}));
  EXPECT_EQ(frame_.value, frame_.maximum);
  EXPECT_FALSE(frame_.locked);
  EXPECT_EQ(frame_.lockCount, 1);
  // Bytes before the pack and after its end keep their values.
  const auto after = Read(Path("f.bin"));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 0x80, after.begin()));

  const auto lines = test::LgpLines(Decompiled("f.bin"));
  EXPECT_EQ(lines[12], u"String 0, \"<80>Hello\"");
  EXPECT_EQ(lines[13], u"String 1, \"<81>\u041F\u0440\u0438\u0432\u0435\u0442\"");
  EXPECT_EQ(lines[14], u"String 2, \"<0A>\"");
  EXPECT_EQ(lines[15], u"String 3, \"\"");  // no line: empty
  EXPECT_EQ(lines[21], u"String 0, \"<82>\u0393\u03B5\u03B9\u03B1\"");
  EXPECT_EQ(lines[24], u"String 3, \"<80>a<95>b\"");
}

TEST_F(Compile, WritesANewLanguageFile) {
  auto lines = SmallLgp(test::kLangType);
  lines[2] = u"MaxMsgId 3";
  lines.push_back(u"SL4xLangName \"\u0420\u0443\u0441\"");
  WriteText(Path("out.lng"), "old contents that must go");
  ASSERT_EQ(CompileInto(lines, "out.lng").Outcome, CommandOutcome::Done);
  const ByteString file = Read(Path("out.lng"));
  EXPECT_EQ(ByteString(file.begin(), file.begin() + 5), test::Bytes({0x81, 0x20, 0x43, 0x41, 0x00}));
  EXPECT_EQ(file.back(), 0x0A);
  const auto decompiled = test::LgpLines(Decompiled("out.lng"));
  EXPECT_EQ(decompiled[7], u"SL4xLangName \"<81>\u0420\u0443\u0441\"");
}

TEST_F(Compile, CropQuestionOkCropsAndCancelStops) {
  std::mt19937 random(4);
  std::u16string longText;
  for (int i = 0; i < 700; ++i) longText.push_back(static_cast<char16_t>(u'!' + random() % 90));
  auto lines = SmallLgp();
  lines.push_back(u"String 4, \"" + longText + u"\"");
  Write(Path("f.bin"), test::BuildImage(test::TypeOf(test::kBareType), Blank(5, 0x2000)));
  const ByteString before = Read(Path("f.bin"));

  frame_.answers = {MessageAnswer::Cancel};
  ASSERT_EQ(CompileInto(lines, "f.bin").Outcome, CommandOutcome::Failed);
  ASSERT_EQ(frame_.messages.size(), 1u);
  EXPECT_EQ(frame_.messages[0].Text, "String 4 in language 2 doesn't fit to 254 bytes length. Crop it?");
  EXPECT_EQ(frame_.messages[0].Title, "String to long");
  EXPECT_EQ(frame_.LastStatus(), "Stopped!");
  EXPECT_EQ(Read(Path("f.bin")), before);

  frame_ = {};
  frame_.answers = {MessageAnswer::Ok};
  ASSERT_EQ(CompileInto(lines, "f.bin").Outcome, CommandOutcome::Done);
  const auto text = test::LgpLines(Decompiled("f.bin"))[25];
  ASSERT_GT(text.size(), 200u);
  EXPECT_EQ(text.substr(0, 15), u"String 4, \"<80>");
  EXPECT_EQ(longText.substr(0, text.size() - 16), text.substr(15, text.size() - 16));
}

using Lines = std::vector<std::u16string>;

struct Refusal {
  const char* name;
  std::function<void(Lines&)> change;  // made to the small file
  const char* fragment;
  const char* title = "Error";
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class CompileRefusal : public Compile, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CompileRefusal, LeavesTheFlashFileUntouched) {
  test::PackPlan plan;
  plan.langIds = {1, 2};
  plan.strings = test::RandomStrings(9, 2, 4, 20);
  Write(Path("f.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
  const ByteString before = Read(Path("f.bin"));
  auto lines = SmallLgp();
  GetParam().change(lines);
  EXPECT_EQ(CompileInto(lines, "f.bin").Outcome, CommandOutcome::Failed);
  ASSERT_EQ(frame_.messages.size(), 1u);
  EXPECT_NE(frame_.messages[0].Text.find(GetParam().fragment), std::string::npos) << frame_.messages[0].Text;
  EXPECT_EQ(frame_.messages[0].Title, GetParam().title);
  EXPECT_EQ(frame_.LastStatus(), "Stopped!");
  EXPECT_FALSE(frame_.locked);
  EXPECT_EQ(Read(Path("f.bin")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompileRefusal,
    ::testing::Values(
        Refusal{"NoPhoneType", [](Lines& l) { l[0] = u"PhoneType too, few"; }, "no usable PhoneType"},
        Refusal{"AllLangsZero", [](Lines& l) { l.push_back(u"AllLangs 0"); }, "AllLangs must be at least 1"},
        Refusal{"LangIdFF", [](Lines& l) { l[4] = u"LangId 255"; }, "LangId 255"},
        Refusal{"LangIdBeyondMap", [](Lines& l) { l[9] = u"LangId 64"; }, "LangId 64"},
        Refusal{"LongLgPackId", [](Lines& l) { l.push_back(u"LgPackId 0123456789ABCDEF"); }, "longer than 15"},
        Refusal{"LgPackIdWithNul", [](Lines& l) { l.push_back(std::u16string(u"LgPackId A\0B", 12)); }, "U+0000"},
        Refusal{"TooManyStrings",
                [](Lines& l) {
                  l[0] = u"PhoneType " + test::U(test::kFlashType);
                  l.push_back(u"MaxMsgId 16383");
                },
                "32767 strings"},
        Refusal{"MaxMsgIdWithoutField", [](Lines& l) { l.push_back(u"MaxMsgId 5"); }, "no MaxMsgId field"},
        Refusal{"CharacterAboveU7FFF", [](Lines& l) { l.push_back(u"String 1, \"\uFFFD\""); }, "language 2"},
        Refusal{"NegativeNumber", [](Lines& l) { l.push_back(u"String -4, \"x\""); }, "Line 13"},
        Refusal{"ImageTooShort",
                [](Lines& l) { l[0] = u"PhoneType SHORT, 1000, 10000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4"; },
                "too short"},
        Refusal{"SizeLimit",
                [](Lines& l) { l[0] = u"PhoneType TINY, 80, B0, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4"; },
                "The langpack size exceeds phone's limit! Try to reduce it...", "Critical error"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(Compile, MissingSignatureIsAskedAbout) {
  Write(Path("blank.bin"), ByteString(0x2000, 0xFF));
  frame_.answers = {MessageAnswer::Cancel};
  ASSERT_EQ(CompileInto(SmallLgp(), "blank.bin").Outcome, CommandOutcome::Failed);
  EXPECT_EQ(frame_.messages.at(0).Kind, MessageKind::MissingSignatureQuestion);
  EXPECT_EQ(frame_.LastStatus(), "Stopped!");
  EXPECT_EQ(Read(Path("blank.bin")), ByteString(0x2000, 0xFF));

  frame_ = {};
  frame_.answers = {MessageAnswer::Ok};
  ASSERT_EQ(CompileInto(SmallLgp(), "blank.bin").Outcome, CommandOutcome::Done);
  const ByteString image = Read(Path("blank.bin"));
  EXPECT_EQ(ByteString(image.begin() + 0x80, image.begin() + 0x84), test::Bytes({0xBB, 0xBB, 0, 0}));
  EXPECT_EQ(test::LgpLines(Decompiled("blank.bin"))[12], u"String 0, \"<80>Hello\"");
}

TEST_F(Compile, SilentEndsAndFileErrors) {
  Write(Path("empty.lgp"), {});
  Write(Path("f.bin"), ByteString(0x100, 0));
  EXPECT_EQ(RunCompile(frame_, config_, random_, Path("empty.lgp"), Path("f.bin")).Outcome, CommandOutcome::Silent);
  EXPECT_FALSE(std::filesystem::exists(Path("empty.lgp")));
  WriteText(Path("ansi.lgp"), "AllLangs 1\r\n");
  EXPECT_EQ(RunCompile(frame_, config_, random_, Path("ansi.lgp"), Path("f.bin")).Outcome, CommandOutcome::Silent);
  EXPECT_TRUE(frame_.messages.empty());
  EXPECT_FALSE(frame_.locked);

  EXPECT_EQ(CompileInto(SmallLgp(), "missing.bin").Outcome, CommandOutcome::Failed);
  EXPECT_NE(frame_.messages.at(0).Text.find("missing.bin"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("missing.bin")));
}

}  // namespace
}  // namespace tarvo
