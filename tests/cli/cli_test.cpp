#include "cli/cli.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "compile/pack_languages.h"
#include "tests/support/cli_run.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

class Cli : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    WriteText(Path("tarvo.ini"), std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kBareType + "\r\n");
    test::PackPlan plan;
    plan.langIds = {1};
    plan.strings = {{{'H', 'i'}, {0x81, 0x10}, {}, {}, {}}};
    Write(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
  }

  int Run(const std::vector<std::string>& args) {
    const test::CliRun run = test::RunCliCaptured(args);
    out_.str(run.Out), err_.str(run.Err);
    return run.Status;
  }

  std::ostringstream out_, err_;
};

TEST_F(Cli, DecompilesWithItsOptions) {
  const std::string config = Path("tarvo.ini").string();
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("a.lgp")}), 0) << err_.str();
  auto lines = test::LgpLines(Read(Path("a.lgp")));
  EXPECT_EQ(lines[13], u"String 1, \"<81>\u0410\"");

  ASSERT_EQ(Run({"decompile", "--hex-numbers", "--no-signatures", "--config", config, Path("flash.bin"),
                 Path("b.lgp")}),
            0);
  lines = test::LgpLines(Read(Path("b.lgp")));
  EXPECT_EQ(lines[13], u"String $1, \"\u0410\"");
  EXPECT_TRUE(err_.str().empty());
}

TEST_F(Cli, AcceptsRepeatedFlagsAttachedValuesAndFileNamesAfterDoubleDash) {
  const std::string config = Path("tarvo.ini").string();
  std::filesystem::copy_file(Path("flash.bin"), Path("-flash.bin"));
  ASSERT_EQ(Run({"decompile", "--no-signatures", "--no-signatures", "--config=" + config, "--", Path("-flash.bin"),
                 Path("a.lgp")}),
            0)
      << err_.str();
  EXPECT_EQ(test::LgpLines(Read(Path("a.lgp")))[13], u"String 1, \"\u0410\"");
}

TEST_F(Cli, ReadsTarvoIniFromTheWorkingDirectoryByDefault) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  const int status = Run({"decompile", "flash.bin", "c.lgp"});
  std::filesystem::current_path(previous);
  EXPECT_EQ(status, 0) << err_.str();
  EXPECT_TRUE(std::filesystem::exists(Path("c.lgp")));
}

TEST_F(Cli, ReportsFailuresOnStandardErrorWithStatusOne) {
  const std::string config = Path("tarvo.ini").string();
  Write(Path("unknown.bin"), std::vector<std::uint8_t>(100, 1));
  EXPECT_EQ(Run({"decompile", "--config", config, Path("unknown.bin"), Path("d.lgp")}), 1);
  EXPECT_EQ(err_.str(), "Unknow phone's flash!\n");

  Write(Path("empty.bin"), {});
  EXPECT_EQ(Run({"decompile", "--config", config, Path("empty.bin"), Path("d.lgp")}), 1);
  EXPECT_NE(err_.str().find("empty"), std::string::npos);

  EXPECT_EQ(Run({"decompile", "--config", Path("none.ini"), Path("flash.bin"), Path("d.lgp")}), 1);
  EXPECT_NE(err_.str().find("Error reading configuration!"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("d.lgp")));
}

TEST_F(Cli, CompilesBackAndAnswersQuestionsByItsOptions) {
  const std::string config = Path("tarvo.ini").string();
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("a.lgp")}), 0);
  // Without a pack signature the image is refused unless --force.
  Write(Path("blank.bin"), std::vector<std::uint8_t>(0x1000, 0xFF));
  EXPECT_EQ(Run({"compile", "--config", config, Path("a.lgp"), Path("blank.bin")}), 1);
  EXPECT_NE(err_.str().find("--force"), std::string::npos);
  EXPECT_EQ(Read(Path("blank.bin")), std::vector<std::uint8_t>(0x1000, 0xFF));
  EXPECT_EQ(Run({"compile", "--force", "--config", config, Path("a.lgp"), Path("blank.bin")}), 0) << err_.str();
  ASSERT_EQ(Run({"decompile", "--config", config, Path("blank.bin"), Path("b.lgp")}), 0);
  const auto compiled = test::LgpLines(Read(Path("b.lgp")));
  EXPECT_EQ(compiled[12], u"String 0, \"<80>Hi\"");  // a text's first character gets its window
  EXPECT_EQ(compiled[13], test::LgpLines(Read(Path("a.lgp")))[13]);

  // An over-long string stops the command unless --crop.
  auto lines = test::LgpLines(Read(Path("a.lgp")));
  std::u16string longText;
  std::mt19937 random(4);
  for (int i = 0; i < 900; ++i) longText.push_back(static_cast<char16_t>(u'!' + random() % 90));
  lines[14] = u"String 2, \"" + longText + u"\"";
  Write(Path("long.lgp"), test::LgpBytes(lines));
  const auto before = Read(Path("blank.bin"));
  EXPECT_EQ(Run({"compile", "--config", config, Path("long.lgp"), Path("blank.bin")}), 1);
  EXPECT_NE(err_.str().find("String 2 in language 1 doesn't fit to 254 bytes length. Crop it?"), std::string::npos);
  EXPECT_EQ(Read(Path("blank.bin")), before);
  EXPECT_EQ(Run({"compile", "--crop", "--config", config, Path("long.lgp"), Path("blank.bin")}), 0) << err_.str();
  EXPECT_NE(Read(Path("blank.bin")), before);
}

TEST_F(Cli, CompactPacksOnRequestAndIsNamedWhenOnlyItFits) {
  const std::string config = Path("tarvo.ini").string();
  test::PackPlan plan;
  plan.langIds = {1};
  plan.strings = {{{'H', 'i'}, {}, {}, {}, {}}};
  plan.imageSize = 0x2000;
  Write(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("a.lgp")}), 0);
  auto lines = test::LgpLines(Read(Path("a.lgp")));
  test::FillWithRecurringWords(lines);
  auto withLimit = [&](std::int64_t limit) {
    char type[96];
    std::snprintf(type, sizeof type, "WORDY, 80, %llX, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4",
                  static_cast<unsigned long long>(limit));
    lines[3] = u"PhoneType " + test::U(type);
    return test::LgpBytes(lines);
  };
  // Both pack lengths, as the compile measures them (limits within the first
  // 16 KB keep the same layout).
  Configuration tables;
  LoadConfigurationText("TRANS 80,0\nTRANS 81,400\n", tables);
  LgpFile lgp;
  ASSERT_EQ(ReadLgpFile(withLimit(0x3FFF), tables.Chars, lgp), LgpReadStatus::Read);
  test::TestFrame frame;
  PivotRandom pivots;
  const std::int64_t standard = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Standard, pivots, FrameControl(frame))).Length;
  const std::int64_t compact = MeasurePack(lgp, PackLanguages(lgp, PackingStrategy::Compact, pivots, FrameControl(frame))).Length;
  const std::int64_t limit = compact + 1 + 30;
  ASSERT_GE(standard, limit) << "the test text must not fit with the standard packing";
  Write(Path("wordy.lgp"), withLimit(limit));
  const auto before = Read(Path("flash.bin"));

  // Without --compact the compile fails and says what would fit.
  EXPECT_EQ(Run({"compile", "--config", config, Path("wordy.lgp"), Path("flash.bin")}), 1);
  EXPECT_EQ(err_.str(), "The langpack size exceeds phone's limit! Try to reduce it...\n(the pack needs " +
                            std::to_string(standard) + " bytes, the limit is " + std::to_string(limit) +
                            ")\nWith --compact the pack fits, with 30 bytes to spare.\n");
  EXPECT_EQ(Read(Path("flash.bin")), before);

  // With it the pack is written, reads back as its text, and is the same
  // on a second run.
  ASSERT_EQ(Run({"compile", "--compact", "--config", config, Path("wordy.lgp"), Path("flash.bin")}), 0) << err_.str();
  EXPECT_TRUE(err_.str().empty());
  const auto written = Read(Path("flash.bin"));
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("b.lgp")}), 0);
  const auto back = test::LgpLines(Read(Path("b.lgp")));
  ASSERT_EQ(back.size(), lines.size());
  for (std::size_t i = 4; i < back.size(); ++i) EXPECT_EQ(back[i], lines[i]) << "line " << i;
  Write(Path("flash.bin"), before);
  ASSERT_EQ(Run({"compile", "--compact", "--config", config, Path("wordy.lgp"), Path("flash.bin")}), 0);
  EXPECT_EQ(Read(Path("flash.bin")), written);

  // Where neither fits, only the sizes are added.
  Write(Path("wordy.lgp"), withLimit(compact));
  EXPECT_EQ(Run({"compile", "--config", config, Path("wordy.lgp"), Path("flash.bin")}), 1);
  EXPECT_EQ(err_.str(), "The langpack size exceeds phone's limit! Try to reduce it...\n(the pack needs " +
                            std::to_string(standard) + " bytes, the limit is " + std::to_string(compact) + ")\n");
  EXPECT_EQ(Run({"compile", "--compact", "--config", config, Path("wordy.lgp"), Path("flash.bin")}), 1);
  EXPECT_EQ(err_.str(), "The langpack size exceeds phone's limit! Try to reduce it...\n(the pack needs " +
                            std::to_string(compact) + " bytes, the limit is " + std::to_string(compact) + ")\n");
  EXPECT_EQ(Read(Path("flash.bin")), written);
}

TEST_F(Cli, UsageErrorsExitWithStatusTwoAndSayWhy) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"compile", "--hex-numbers", "a", "b"}, "unknown option \"--hex-numbers\" for compile"},
      {{"decompile", "--crop", "a", "b"}, "unknown option \"--crop\" for decompile"},
      {{}, "no command given"},
      {{"explode", "a", "b"}, "unknown command \"explode\""},
      {{"decompile", "only-one"}, "expected two file names"},
      {{"compile", "a", "b", "c"}, "expected two file names"},
      {{"decompile", "--bogus", "a", "b"}, "unknown option \"--bogus\" for decompile"},
      {{"decompile", "a", "b", "--config"}, "--config needs a file name"},
  };
  for (const auto& [args, problem] : cases) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_TRUE(err_.str().starts_with("tarvo-cli: " + problem + "\n\nUsage:\n")) << err_.str();
    EXPECT_TRUE(out_.str().empty());
  }
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("tarvo-cli decompile"), std::string::npos);
  EXPECT_NE(out_.str().find("tarvo-cli compile"), std::string::npos);
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_.str(), "tarvo-cli 1.35\n");
  EXPECT_EQ(Run({"compile", "--help"}), 0);
  EXPECT_NE(out_.str().find("--crop"), std::string::npos);
  EXPECT_EQ(out_.str().find("--hex-numbers  "), std::string::npos);
}

TEST_F(Cli, ChecksWithExitStatusByWhetherCompileWouldSucceed) {
  const std::string config = Path("tarvo.ini").string();
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("a.lgp")}), 0);
  const auto before = Read(Path("a.lgp"));
  EXPECT_EQ(Run({"check", "--config", config, Path("a.lgp")}), 0) << err_.str();
  EXPECT_NE(out_.str().find("Verdict: fits\n"), std::string::npos) << out_.str();
  EXPECT_TRUE(err_.str().empty());
  EXPECT_EQ(Read(Path("a.lgp")), before);  // nothing written

  EXPECT_EQ(Run({"check", "--json", "--reference", "1", "--config", config, Path("a.lgp")}), 0);
  EXPECT_TRUE(out_.str().starts_with("{") && out_.str().find("\"fits\": true") != std::string::npos) << out_.str();

  // A string no packing gets under 254 codes.
  auto lines = test::LgpLines(before);
  std::u16string longText;
  std::mt19937 random(4);
  for (int i = 0; i < 900; ++i) longText.push_back(static_cast<char16_t>(u'!' + random() % 90));
  lines[14] = u"String 2, \"" + longText + u"\"";
  Write(Path("long.lgp"), test::LgpBytes(lines));
  EXPECT_EQ(Run({"check", "--config", config, Path("long.lgp")}), 1);
  EXPECT_NE(out_.str().find("Errors (1):\n  line 15, string 2, language 1: string 2 packs to"), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("Verdict: does not fit"), std::string::npos);

  EXPECT_EQ(Run({"check", "--config", config, Path("missing.lgp")}), 1);
  EXPECT_FALSE(err_.str().empty());
  EXPECT_EQ(Run({"check", "--reference", "2", "--config", config, Path("a.lgp")}), 2);
  EXPECT_TRUE(err_.str().starts_with("tarvo-cli: --reference 2 names no language: the file has 1\n\nUsage:\n"))
      << err_.str();
}

// No languages is a fault of the file: the report names it, whether or not
// a reference language was asked for.
TEST_F(Cli, ChecksAFileWithoutLanguagesAsAFileThatDoesNotFit) {
  const std::string config = Path("tarvo.ini").string();
  Write(Path("bare.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType)}));
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--reference", "2"}, {"--json"}}) {
    std::vector<std::string> args = {"check", "--config", config};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(Path("bare.lgp"));
    EXPECT_EQ(Run(args), 1) << err_.str();
    EXPECT_EQ(err_.str(), "");
    EXPECT_NE(out_.str().find("AllLangs must be at least 1"), std::string::npos) << out_.str();
  }
}

TEST_F(Cli, CheckUsageErrorsAndHelp) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"check"}, "expected one file name"},
      {{"check", "a", "b"}, "expected one file name"},
      {{"check", "--crop", "a"}, "unknown option \"--crop\" for check"},
      {{"check", "a", "--reference"}, "--reference needs a number"},
      {{"check", "--reference", "x", "a"}, "--reference needs a number"},
      {{"check", "--reference", "0", "a"}, "--reference counts languages from 1"},
      {{"compile", "--json", "a", "b"}, "unknown option \"--json\" for compile"},
  };
  for (const auto& [args, problem] : cases) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_TRUE(err_.str().starts_with("tarvo-cli: " + problem + "\n\nUsage:\n")) << err_.str();
  }
  EXPECT_EQ(Run({"check", "--help"}), 0);
  EXPECT_NE(out_.str().find("--reference N"), std::string::npos);
  EXPECT_EQ(out_.str().find("--crop "), std::string::npos);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("tarvo-cli check [--config FILE] [--reference N] [--json] INPUT.lgp"), std::string::npos);
}

TEST_F(Cli, CompilePrintsTheReadersWarningsAndStillWrites) {
  const std::string config = Path("tarvo.ini").string();
  ASSERT_EQ(Run({"decompile", "--config", config, Path("flash.bin"), Path("a.lgp")}), 0);
  auto lines = test::LgpLines(Read(Path("a.lgp")));
  lines[13] = u"String 1, \"no closing quote";
  for (int i = 0; i < 22; ++i) lines.push_back(u"Strnig 3, \"typo\"");
  Write(Path("warned.lgp"), test::LgpBytes(lines));
  std::filesystem::copy_file(Path("flash.bin"), Path("out.bin"));
  EXPECT_EQ(Run({"compile", "--config", config, Path("warned.lgp"), Path("out.bin")}), 0) << err_.str();
  const std::string err = err_.str();
  EXPECT_TRUE(err.starts_with("Warning: line 14: the text of string 1 does not end with a quotation mark")) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 21);
  EXPECT_TRUE(err.ends_with("... and 3 more warnings; run tarvo-cli check for all.\n")) << err;
}

TEST_F(Cli, CheckGivesThePackLengthsThatCompileWrites) {
  // The language-file example: its file is the name, 00, the pack and 0A.
  const std::filesystem::path examples = std::filesystem::path(TARVO_SOURCE_DIR) / "examples";
  const std::string config = (std::filesystem::path(TARVO_SOURCE_DIR) / "config" / "tarvo.ini").string();
  const std::string lgp = (examples / "demo-language-file.lgp").string();
  ASSERT_EQ(Run({"check", "--json", "--config", config, lgp}), 0) << err_.str();
  const std::string json = out_.str();
  auto lengthIn = [&](const std::string& packing) {
    const auto at = json.find("\"packLength\": ", json.find("\"" + packing + "\": {"));
    return std::stoll(json.substr(at + 14));
  };
  for (const std::string packing : {"standard", "compact"}) {
    std::vector<std::string> args = {"compile", "--config", config, lgp, Path(packing + ".lng").string()};
    if (packing == "compact") args.insert(args.begin() + 1, "--compact");
    ASSERT_EQ(Run(args), 0) << err_.str();
    const auto file = Read(Path(packing + ".lng"));
    const auto nameEnd = std::find(file.begin(), file.end(), 0) - file.begin();
    EXPECT_EQ(static_cast<long long>(file.size()) - nameEnd - 2, lengthIn(packing)) << packing;
  }
}

}  // namespace
}  // namespace tarvo
