// The largest and smallest packs the format allows, and a language that
// uses every byte value.
#include <gtest/gtest.h>

#include <random>

#include "compile/compile_command.h"
#include "compile/pack_languages.h"
#include "compile/pack_writer.h"
#include "decompile/decompile_command.h"
#include "flash/pack_reader.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using Lines = std::vector<std::u16string>;

class Limits : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nPHONETYPE ") + test::kFlashType + "\n", config_);
  }
  // A blank image of the flash type with an empty pack's signature.
  void Blank(std::size_t size, std::uint8_t fill) {
    std::vector<std::uint8_t> image(size, fill);
    image[0x100] = image[0x101] = 0xBB;
    image[0x102] = image[0x103] = 0;
    Write(Path("flash.bin"), image);
  }
  CommandResult Compile(const Lines& lines) {
    Write(Path("in.lgp"), test::LgpBytes(lines));
    frame_ = {};
    PivotRandom random;
    return RunCompile(frame_, config_, random, Path("in.lgp"), Path("flash.bin"));
  }
  Lines DecompiledWithoutSignatures() {
    test::TestFrame frame;
    frame.signatures = false;
    EXPECT_EQ(RunDecompile(frame, config_, Path("flash.bin"), Path("out.lgp")).Outcome, CommandOutcome::Done);
    return test::LgpLines(Read(Path("out.lgp")));
  }
  static Lines Header(const char* type, int languages, int maxMsgId) {
    return {u";", u"; Header info", u";", u"PhoneType " + test::U(type),
            u"AllLangs " + test::U(std::to_string(languages)), u"MaxMsgId " + test::U(std::to_string(maxMsgId)),
            u"LgPackId LIMITS", u";"};
  }
  static void Section(Lines& lines, int langId, const std::vector<std::u16string>& texts) {
    for (const char* line : {";", "; Language data", ";"}) lines.push_back(test::U(line));
    lines.push_back(u"LangId " + test::U(std::to_string(langId)));
    for (std::size_t m = 0; m < texts.size(); ++m) {
      lines.push_back(u"String " + test::U(std::to_string(m)) + u", \"" + texts[m] + u"\"");
    }
  }

  Configuration config_;
  test::TestFrame frame_;
};

TEST_F(Limits, TheLargestNumberOfSlots) {
  Lines lines = Header(test::kFlashType, 1, 32766);
  std::vector<std::u16string> texts(32767);
  for (std::size_t m = 0; m < texts.size(); m += 7) texts[m] = test::U("m" + std::to_string(m % 100));
  Section(lines, 4, texts);
  Blank(0x30000, 0xFF);
  ASSERT_EQ(Compile(lines).Outcome, CommandOutcome::Done) << frame_.messages.at(0).Text;
  EXPECT_EQ(DecompiledWithoutSignatures(), lines);
}

TEST_F(Limits, TheSmallestPack) {
  Lines lines = Header(test::kFlashType, 1, 0);
  Section(lines, 0, {u""});
  Blank(0x1000, 0x00);
  ASSERT_EQ(Compile(lines).Outcome, CommandOutcome::Done);
  EXPECT_EQ(DecompiledWithoutSignatures(), lines);
}

TEST_F(Limits, ALanguageUsingEveryByteValue) {
  // Escapes give the bytes 01 to FF and the character U+0000 the byte 00, so
  // the dictionary holds 256 single bytes and no longer entries: a string
  // packs to as many codes as it has bytes.
  auto escapes = [](int first, int last) {
    std::u16string text;
    static const char* hex = "0123456789ABCDEF";
    for (int v = first; v <= last; ++v) text += u"<" + test::U(std::string{hex[v / 16], hex[v % 16]}) + u">";
    return text;
  };
  Lines lines = Header(test::kFlashType, 1, 2);
  Section(lines, 0, {std::u16string(1, u'\0') + escapes(1, 255), escapes(1, 254), escapes(1, 255)});
  Blank(0x4000, 0xFF);
  frame_.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
  Write(Path("in.lgp"), test::LgpBytes(lines));
  PivotRandom random;
  ASSERT_EQ(RunCompile(frame_, config_, random, Path("in.lgp"), Path("flash.bin")).Outcome, CommandOutcome::Done);
  // 257 and 255 bytes ask to be cropped; exactly 254 does not.
  ASSERT_EQ(frame_.messages.size(), 2u);
  EXPECT_EQ(frame_.messages[0].Text, "String 0 in language 1 doesn't fit to 254 bytes length. Crop it?");
  EXPECT_EQ(frame_.messages[1].Text, "String 2 in language 1 doesn't fit to 254 bytes length. Crop it?");

  const auto image = Read(Path("flash.bin"));
  const PhoneTypeRecord& type = config_.PhoneTypes[0];
  const PackView view(image, type.PackOffset);
  const PackContents contents = ReadPack(view, type);
  EXPECT_EQ(contents.Languages[0].Thr[1], 256);  // all 256 codes are single bytes
  std::vector<std::uint8_t> read;
  ReadPackString(view, contents, 0, 1, read);
  ASSERT_EQ(read.size(), 254u);
  for (int v = 1; v <= 254; ++v) EXPECT_EQ(read[static_cast<std::size_t>(v - 1)], v);
  read.clear();
  ReadPackString(view, contents, 0, 0, read);
  ASSERT_EQ(read.size(), 254u);  // cropped: 80 00 01 ... FC
  EXPECT_EQ(read[0], 0x80);
  EXPECT_EQ(read[1], 0x00);
  EXPECT_EQ(read[253], 0xFC);
}

TEST_F(Limits, APackFillingItsSizeLimit) {
  // Find the smallest PackSizeLimit (in one 16 KB bracket, so the block
  // table keeps its room) that takes the pack: one byte less is refused.
  std::mt19937 random(2);
  std::vector<std::u16string> texts(400);
  for (auto& text : texts) {
    for (int i = static_cast<int>(random() % 60); i > 0; --i) text.push_back(static_cast<char16_t>(u'!' + random() % 90));
  }
  auto withLimit = [&](std::int64_t limit) {
    char type[96];
    std::snprintf(type, sizeof type, "LIMIT, 100, %llX, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9",
                  static_cast<unsigned long long>(limit));
    Lines lines = Header(type, 1, 399);
    Section(lines, 1, texts);
    return lines;
  };
  Blank(0x10000, 0xFF);
  std::int64_t low = 0, high = 0;  // fails at low, fits at high
  for (std::int64_t bracket = 0; bracket < 4 && high == 0; ++bracket) {
    if (Compile(withLimit(bracket * 16384 + 16383)).Outcome == CommandOutcome::Done &&
        Compile(withLimit(bracket * 16384)).Outcome != CommandOutcome::Done) {
      low = bracket * 16384;
      high = low + 16383;
    }
  }
  ASSERT_NE(high, 0);
  while (high - low > 1) {
    const std::int64_t middle = (low + high) / 2;
    (Compile(withLimit(middle)).Outcome == CommandOutcome::Done ? high : low) = middle;
  }
  // At the limit the last byte lies at limit - 2: the byte at limit - 1 keeps
  // whatever the image held.
  for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
    Blank(0x10000, fill);
    ASSERT_EQ(Compile(withLimit(high)).Outcome, CommandOutcome::Done);
    EXPECT_EQ(Read(Path("flash.bin"))[static_cast<std::size_t>(0x100 + high - 1)], fill);
  }
  const auto before = Read(Path("flash.bin"));
  // One byte less refuses the standard pack; the compact one is offered,
  // and Cancel leaves the image as it was.
  ASSERT_EQ(Compile(withLimit(high - 1)).Outcome, CommandOutcome::Failed);
  EXPECT_EQ(frame_.messages.at(0).Title, "Compact packing");
  EXPECT_EQ(Read(Path("flash.bin")), before);
  // Where neither fits, the size-limit failure tells the sizes.
  ASSERT_EQ(Compile(withLimit(high - 4000)).Outcome, CommandOutcome::Failed);
  EXPECT_EQ(frame_.messages.at(0).Title, "Critical error");
  const std::string& report = frame_.messages.at(0).Report;
  EXPECT_EQ(report.rfind("(the pack needs ", 0), 0u) << report;
  EXPECT_NE(report.find(" bytes, the limit is " + std::to_string(high - 4000) + ")"), std::string::npos) << report;
  EXPECT_EQ(Read(Path("flash.bin")), before);
}

// Where only a compact pack fits the first block but it would crop a string
// that the standard pack keeps whole, the compact pack is not offered.
TEST_F(Limits, CompactIsNotOfferedWhereItWouldCropAStringTheStandardPackKeeps) {
  // Twenty copies of one 300-letter text: the standard dictionary takes
  // its four-letter runs and packs it short, while a dictionary of a few
  // dozen bytes leaves it over 254 codes.
  std::mt19937 random(5);
  std::u16string text;
  for (int i = 0; i < 300; ++i) text.push_back(static_cast<char16_t>(u'a' + random() % 26));
  const std::vector<std::u16string> texts(20, text);
  auto typeWithMap = [](std::int64_t mapSize) {
    return "ROOM, 100, 20000, 4, 6, 8, A, C, E, 10, 20, 12, 40, " + std::to_string(mapSize) + ", 9";
  };
  const std::int64_t d0 = PlacePack(test::TypeOf(typeWithMap(256).c_str()), 1, 19).D0;
  // About 60 bytes of room for the dictionaries.
  const std::string type = typeWithMap(256 + (kBlockSize - 1 - d0 - 60));
  Lines lines = Header(type.c_str(), 1, 19);
  Section(lines, 1, texts);

  LgpFile lgp;
  ASSERT_EQ(ReadLgpFile(test::LgpBytes(lines), config_.Chars, lgp), LgpReadStatus::Read);
  PivotRandom pivots;
  const auto standard = PackLanguages(lgp, PackingStrategy::Standard, pivots);
  ASSERT_FALSE(MeasurePack(lgp, standard).Fits());
  ASSERT_TRUE(standard[0].CroppedFrom.empty());
  const auto compact = PackLanguages(lgp, PackingStrategy::Compact, pivots);
  ASSERT_TRUE(MeasurePack(lgp, compact).Fits()) << "the compact pack must fit for the rule to matter";
  ASSERT_FALSE(compact[0].CroppedFrom.empty());

  Blank(0x30000, 0xFF);
  const auto before = Read(Path("flash.bin"));
  ASSERT_EQ(Compile(lines).Outcome, CommandOutcome::Failed);
  ASSERT_EQ(frame_.messages.size(), 1u);
  EXPECT_EQ(frame_.messages[0].Title, "Error");
  EXPECT_NE(frame_.messages[0].Text.find("beyond the first 16 KB block"), std::string::npos) << frame_.messages[0].Text;
  EXPECT_EQ(Read(Path("flash.bin")), before);
}

}  // namespace
}  // namespace tarvo
