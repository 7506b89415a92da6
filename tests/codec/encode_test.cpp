#include "codec/encode.h"

#include <gtest/gtest.h>

#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::Bytes;
using test::U;

struct EncodeCase {
  const char* name;
  std::u16string text;
  std::vector<std::uint8_t> bytes;
};

void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }

class Encode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(Encode, GivesTheBytesOfTheRules) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}});
  const EncodeCase& c = GetParam();
  const EncodeResult result = EncodePhoneString(c.text, table);
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Bytes, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Encode,
    ::testing::Values(
        EncodeCase{"AsciiStartsWithItsSelector", U("Hi"), Bytes({0x80, 0x48, 0x69})},
        EncodeCase{"WindowsSwitch", u"\u0410\u0411 A", Bytes({0x81, 0x10, 0x11, 0x80, 0x20, 0x41})},
        EncodeCase{"EscapeSetsTheWindow", u"<81>\u0410\u0411", Bytes({0x81, 0x10, 0x11})},
        EncodeCase{"ControlEscape", U("<0A>"), Bytes({0x0A})},
        EncodeCase{"LowerCaseEscape", U("<0a>"), Bytes({0x0A})},
        EncodeCase{"PrintableEscape", U("<41>"), Bytes({0x41})},
        EncodeCase{"ZeroIsNoEscape", U("<00>"), Bytes({0x80, 0x3C, 0x30, 0x30, 0x3E})},
        EncodeCase{"NonDigitIsNoEscape", U("<G1>"), Bytes({0x80, 0x3C, 0x47, 0x31, 0x3E})},
        EncodeCase{"EscapedAngleBracket", U("<3C>41>"), Bytes({0x3C, 0x80, 0x34, 0x31, 0x3E})},
        EncodeCase{"ShortTailIsNoEscape", U("<4"), Bytes({0x80, 0x3C, 0x34})},
        EncodeCase{"UnknownHighSelectorStopsSelectors", u"<95>\u0410A", Bytes({0x95, 0x10, 0x41})},
        EncodeCase{"UnknownLowSelectorKeepsTheWindow", u"<85>\u0410", Bytes({0x85, 0x81, 0x10})},
        EncodeCase{"WindowWithoutEntry", u"Hi\u0391", Bytes({0x80, 0x48, 0x69, 0x11})},
        EncodeCase{"Empty", u"", Bytes({})}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(EncodeTable, AllEntriesOfAWindowWriteTheirSelectors) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x82, 0x400}, {0x80, 0}});
  EXPECT_EQ(EncodePhoneString(u"\u0410", table).Bytes, Bytes({0x81, 0x82, 0x10}));
}

TEST(EncodeTable, EscapeTakesTheFirstEntryOfItsSelector) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x81, 0x480}, {0x80, 0}});
  // After <81> the window is 400, so 0410 needs no selector but 0490 does.
  EXPECT_EQ(EncodePhoneString(u"<81>\u0410", table).Bytes, Bytes({0x81, 0x10}));
}

TEST(EncodeTable, ReportsTheFirstUnitThePhoneCannotHold) {
  const CharTable table = test::Table({{0x80, 0}});
  const EncodeResult surrogate = EncodePhoneString(u"ab\U0001F600", table);
  EXPECT_FALSE(surrogate.Ok);
  EXPECT_EQ(surrogate.FailedAt, 2u);
  const EncodeResult high = EncodePhoneString(u"\u8000", table);
  EXPECT_FALSE(high.Ok);
  EXPECT_EQ(high.FailedAt, 0u);
  EXPECT_TRUE(EncodePhoneString(u"\u7FFF", table).Ok);
}

}  // namespace
}  // namespace tarvo
