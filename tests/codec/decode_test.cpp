#include "codec/decode.h"

#include <gtest/gtest.h>

#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::Bytes;
using test::U;

struct DecodeCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  std::u16string text;
  bool saveSignatures = false;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, GivesTheTextOfTheRules) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}, {0x83, 0x380}});
  const DecodeCase& c = GetParam();
  EXPECT_EQ(DecodePhoneString(c.bytes, table, c.saveSignatures), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decode,
    ::testing::Values(
        DecodeCase{"PlainAscii", Bytes({0x48, 0x69}), U("Hi")},
        DecodeCase{"ControlBytesAreEscaped", Bytes({0x41, 0x0D, 0x0A}), U("A<0D><0A>")},
        DecodeCase{"KnownSelectorIsSilent", Bytes({0x81, 0x10, 0x11}), u"\u0410\u0411"},
        DecodeCase{"OptionEscapesEverySelector", Bytes({0x81, 0x10, 0x11}), u"<81>\u0410\u0411", true},
        DecodeCase{"SwitchBetweenKnownWindows", Bytes({0x81, 0x10, 0x80, 0x41}), u"\u0410A"},
        DecodeCase{"BaseZeroBeforeControlByte", Bytes({0x80, 0x0A}), U("<80><0A>")},
        DecodeCase{"BaseZeroSelectorAtTheEnd", Bytes({0x80}), U("<80>")},
        DecodeCase{"OtherSelectorAtTheEnd", Bytes({0x81}), u""},
        DecodeCase{"SelectorBeforeSelector", Bytes({0x81, 0x82}), U("<81><82>")},
        DecodeCase{"UnknownLowSelectorKeepsTheBase", Bytes({0x81, 0x85, 0x10}), u"<81><85>\u0410"},
        DecodeCase{"UnknownHighSelectorResets", Bytes({0x81, 0x95, 0x10}), U("<81><95><10>")},
        DecodeCase{"KnownAfterUnknownHighIsEscaped", Bytes({0x95, 0x81, 0x10}), u"<95><81>\u0410"},
        DecodeCase{"AngleBracketsStayCharacters", Bytes({0x3C, 0x34, 0x31, 0x3E}), U("<41>")},
        DecodeCase{"HighByteOfTheUnit", Bytes({0x83, 0x7F}), u"\u03FF"},
        DecodeCase{"ControlByteInsideAWindow", Bytes({0x81, 0x05}), u"\u0405"},
        DecodeCase{"EscapeDigitsAreUpperCase", Bytes({0x8C, 0x01}), U("<8C><01>")}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(DecodeTable, LastMatchingEntryWins) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x81, 0x480}});
  EXPECT_EQ(DecodePhoneString(Bytes({0x81, 0x10}), table, false), u"\u0490");
}

TEST(DecodeTable, EveryCallStartsAfresh) {
  const CharTable table = test::Table({{0x81, 0x400}});
  std::u16string out;
  DecodePhoneString(Bytes({0x81, 0x10}), table, false, out);
  DecodePhoneString(Bytes({0x10}), table, false, out);
  EXPECT_EQ(out, u"\u0410<10>");
}

}  // namespace
}  // namespace tarvo
