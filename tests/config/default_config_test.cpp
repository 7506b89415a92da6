// The configuration shipped with the program, and how the program finds one.
#include <gtest/gtest.h>

#include "config/configuration.h"
#include "tests/support/temp_dir.h"

namespace tarvo {
namespace {

const std::filesystem::path kShipped = std::filesystem::path(TARVO_SOURCE_DIR) / "config" / "tarvo.ini";

TEST(DefaultConfiguration, HoldsTheWindowsAndTheDemonstrationTypes) {
  Configuration config;
  LoadConfiguration(kShipped, config);
  ASSERT_TRUE(IsUsable(config));
  std::vector<std::int32_t> bases;
  for (const auto& e : config.Chars.Entries()) bases.push_back(e.base);
  EXPECT_EQ(bases, (std::vector<std::int32_t>{0, 0x80, 0x100, 0x380, 0x400}));
  ASSERT_EQ(config.PhoneTypes.size(), 3u);
  const auto& flash = config.PhoneTypes[0];
  EXPECT_EQ(flash.Name, "DEMO-F1");
  EXPECT_EQ(flash.IdBytes.size(), 3u);
  EXPECT_NE(flash.LangIdListOffsetPos, 0);
  const auto& bare = config.PhoneTypes[1];
  EXPECT_EQ(bare.LangIdListOffsetPos, 0);
  EXPECT_EQ(bare.MaxMsgIdPos, 0);
  EXPECT_EQ(bare.DefaultMaxMsgId, 19);
  EXPECT_TRUE(config.PhoneTypes[2].IsLangFile);
  // The comment after a definition is not part of it.
  EXPECT_EQ(flash.Definition, "DEMO-F1, 1000, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0, 10, 54, 11, 56, 12, 44");
}

class FindingTheConfiguration : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    TempDirTest::TearDown();
  }
  std::filesystem::path previous_;
};

TEST_F(FindingTheConfiguration, WorkingDirectoryFirstThenTheInstalledDefault) {
  const std::filesystem::path exe = dir_ / "prefix" / "bin";
  EXPECT_EQ(FindConfiguration(exe), exe / ".." / "share" / "tarvo" / "tarvo.ini");

  WriteText(Path("tarvo.ini"), "TRANS 80,0\r\n");
  EXPECT_EQ(FindConfiguration(exe), "tarvo.ini");

  // An empty one in the working directory is still the one read: loading
  // deletes it and the program reports the configuration error.
  WriteText(Path("tarvo.ini"), "");
  EXPECT_EQ(FindConfiguration(exe), "tarvo.ini");
  Configuration config;
  LoadConfiguration(FindConfiguration(exe), config);
  EXPECT_FALSE(IsUsable(config));
  EXPECT_FALSE(std::filesystem::exists(Path("tarvo.ini")));
}

}  // namespace
}  // namespace tarvo
