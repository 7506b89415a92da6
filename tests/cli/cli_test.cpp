#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"

namespace tarvo {
namespace {

class Cli : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    WriteText(Path("tarvo.ini"), std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kBareType + "\r\n");
    test::PackSpec spec;
    spec.langIds = {1};
    spec.strings = {{{'H', 'i'}, {0x81, 0x10}, {}, {}, {}}};
    Write(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), spec));
  }

  int Run(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    out_.str(""), err_.str("");
    return RunCli(views, out_, err_);
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

TEST_F(Cli, UsageErrorsExitWithStatusTwo) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"explode", "a", "b"}), 2);
  EXPECT_EQ(Run({"decompile", "only-one"}), 2);
  EXPECT_EQ(Run({"decompile", "--bogus", "a", "b"}), 2);
  EXPECT_EQ(Run({"decompile", "a", "b", "--config"}), 2);
  EXPECT_NE(err_.str().find("Usage:"), std::string::npos);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("tarvo-cli decompile"), std::string::npos);
}

}  // namespace
}  // namespace tarvo
