#include "config/configuration.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tarvo {
namespace {

std::vector<std::pair<int, int>> TransOf(std::string_view text) {
  Configuration config;
  LoadConfigurationText(text, config);
  std::vector<std::pair<int, int>> entries;
  for (const auto& e : config.Chars.Entries()) entries.emplace_back(e.selector, e.base);
  return entries;
}

TEST(LoadConfiguration, ReadsTransLinesByTheLineRules) {
  using V = std::vector<std::pair<int, int>>;
  const V one{{0x81, 0x400}};
  EXPECT_EQ(TransOf("TRANS 81,0400"), one);
  EXPECT_EQ(TransOf("trans 81,0400"), one);
  EXPECT_EQ(TransOf("TRANS 81,0400;comment"), one);
  EXPECT_EQ(TransOf("   TRANS 81,0400  ; comment  "), one);
  EXPECT_EQ(TransOf("TRANS 81 , 0400 , FFFF"), one);
  EXPECT_EQ(TransOf("TRANS ,0400"), (V{{0, 0x400}}));
  EXPECT_EQ(TransOf("TRANS 81"), V{});
  EXPECT_EQ(TransOf("TRANS\t81,0400"), one);
  EXPECT_EQ(TransOf("TRANS\t81, 0400"), V{});  // split at the space: key "TRANS\t81,"
  EXPECT_EQ(TransOf("TRANS\t\t81,0400"), (V{{0, 0x400}}));
  EXPECT_EQ(TransOf(";TRANS 81,0400"), V{});
  EXPECT_EQ(TransOf("   ;TRANS 81,0400"), V{});
  EXPECT_EQ(TransOf("\n\nTRANS\nFOO 1\n"), V{});
}

TEST(LoadConfiguration, SkipsTransValuesTheCodecCannotHold) {
  using V = std::vector<std::pair<int, int>>;
  EXPECT_EQ(TransOf("TRANS 100,0400"), V{});
  EXPECT_EQ(TransOf("TRANS 81,7F81"), V{});
  EXPECT_EQ(TransOf("TRANS 81,FFFFFFFF"), (V{{0x81, 0}}));  // above 7FFFFFFF reads as 0
  EXPECT_EQ(TransOf("TRANS FF,7F80"), (V{{0xFF, 0x7F80}}));
}

TEST(LoadConfiguration, KeepsFileOrderAndEveryLineEnding) {
  Configuration config;
  LoadConfigurationText(
      "TRANS 81,400\r\nTRANS 81,480\rTRANS 80,0\nPHONETYPE A, 0, 8000, 2, 4, 6, 8, A, C, E, 20, 12, 40, 256, 10\r\n"
      "PHONETYPE too few\r\n",
      config);
  ASSERT_EQ(config.Chars.Entries().size(), 3u);
  EXPECT_EQ(config.Chars.LastBase(0x81), 0x480);
  EXPECT_EQ(config.Chars.FirstBase(0x81), 0x400);
  ASSERT_EQ(config.PhoneTypes.size(), 2u);  // the unusable record stays, empty
  EXPECT_EQ(config.PhoneTypes[0].Name, "A");
  EXPECT_TRUE(IsEmptyRecord(config.PhoneTypes[1]));
  EXPECT_TRUE(IsUsable(config));
}

TEST(LoadConfiguration, NeedsBothTables) {
  Configuration onlyTypes;
  LoadConfigurationText("PHONETYPE A, 0, 8000, 2, 4, 6, 8, A, C, E, 20, 12, 40, 256, 10", onlyTypes);
  EXPECT_FALSE(IsUsable(onlyTypes));
  Configuration onlyChars;
  LoadConfigurationText("TRANS 80,0\n; only comments otherwise", onlyChars);
  EXPECT_FALSE(IsUsable(onlyChars));
}

class ConfigurationFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvo-config-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(ConfigurationFile, EmptyFileIsDeletedAndMissingFileIsNotCreated) {
  const auto empty = dir_ / "tarvo.ini";
  std::ofstream{empty};
  Configuration config;
  LoadConfiguration(empty, config);
  EXPECT_FALSE(std::filesystem::exists(empty));
  LoadConfiguration(empty, config);
  EXPECT_FALSE(std::filesystem::exists(empty));
  EXPECT_FALSE(IsUsable(config));
}

TEST_F(ConfigurationFile, LoadsAFileAndAppendsToWhatIsThere) {
  const auto path = dir_ / "tarvo.ini";
  std::ofstream(path) << "TRANS 80,0\r\nTRANS 81,400\r\n";
  Configuration config;
  config.Chars.Add({0x90, 0x80});
  LoadConfiguration(path, config);
  EXPECT_EQ(config.Chars.Entries().size(), 3u);
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace tarvo
