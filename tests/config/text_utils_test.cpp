#include "config/text_utils.h"

#include <gtest/gtest.h>

namespace tarvo {
namespace {

TEST(HexValue, ReadsNumeralsAndGivesZeroForAnythingElse) {
  EXPECT_EQ(HexValue("1F"), 31);
  EXPECT_EQ(HexValue("1f"), 31);
  EXPECT_EQ(HexValue("00FF"), 255);
  EXPECT_EQ(HexValue("7FFFFFFF"), 2147483647);
  EXPECT_EQ(HexValue(""), 0);
  EXPECT_EQ(HexValue("0x1F"), 0);
  EXPECT_EQ(HexValue(" 1F"), 0);
  EXPECT_EQ(HexValue("1F "), 0);
  EXPECT_EQ(HexValue("-1"), 0);
  EXPECT_EQ(HexValue("\t1"), 0);
  EXPECT_EQ(HexValue("G"), 0);
}

TEST(HexValue, ValuesBeyond32BitsSignedReadAsZero) {
  EXPECT_EQ(HexValue("80000000"), 0);
  EXPECT_EQ(HexValue("FFFFFFFF"), 0);
  EXPECT_EQ(HexValue("123456789"), 0);
  EXPECT_EQ(HexValue("000000007FFFFFFF"), 2147483647);
}

TEST(SplitList, CutsAtCommasAndTrimsOnlySpaces) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitList("a,b,c"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitList(" a , b ,c "), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitList("a,,b"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitList(",a"), (V{"", "a"}));
  EXPECT_EQ(SplitList("a,"), (V{"a"}));
  EXPECT_EQ(SplitList("a, "), (V{"a", ""}));
  EXPECT_EQ(SplitList(""), V{});
  EXPECT_EQ(SplitList("   "), (V{""}));
  EXPECT_EQ(SplitList("\ta\t,b"), (V{"\ta\t", "b"}));
}

TEST(ReadDecimal, IsLenientAndRoundsHalvesToEven) {
  auto read = [](std::string_view text) { return ReadDecimal(text, INT16_MIN, INT16_MAX); };
  EXPECT_EQ(read("42"), 42);
  EXPECT_EQ(read("  4 2 "), 42);  // blanks are skipped wherever they stand
  EXPECT_EQ(read("\t\n7"), 7);
  EXPECT_EQ(read("-12"), -12);
  EXPECT_EQ(read("+5"), 5);
  EXPECT_EQ(read("12abc"), 12);
  EXPECT_EQ(read("abc"), 0);
  EXPECT_EQ(read(""), 0);
  EXPECT_EQ(read("2.5"), 2);
  EXPECT_EQ(read("3.5"), 4);
  EXPECT_EQ(read("-2.5"), -2);
  EXPECT_EQ(read("2.51"), 3);
  EXPECT_EQ(read(".5"), 0);
  EXPECT_EQ(read("1.5.5"), 2);
  EXPECT_EQ(read("32767"), 32767);
  EXPECT_EQ(read("32767.4"), 32767);
  EXPECT_EQ(read("32768"), std::nullopt);
  EXPECT_EQ(read("-32769"), std::nullopt);
  EXPECT_EQ(read(std::string(400, '9')), std::nullopt);
  EXPECT_EQ(ReadDecimal(u" 1 0 ,", 0, 100), 10);
}

}  // namespace
}  // namespace tarvo
