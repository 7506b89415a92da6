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
  // 84 and 86 open windows that start below the printable units.
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}, {0x83, 0x380}, {0x84, 0x1}, {0x86, 0x1F}});
  const DecodeCase& c = GetParam();
  EXPECT_EQ(DecodePhoneString(c.bytes, table, c.saveSignatures), c.text);
}

// Decoding appends: what stands before is kept, and the text after it is the
// same as on its own (the rewrite of a plain "<" counts from the start).
TEST_P(Decode, AppendsAfterWhatIsThere) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}, {0x83, 0x380}, {0x84, 0x1}, {0x86, 0x1F}});
  const DecodeCase& c = GetParam();
  for (const std::u16string before : {u"<3C>", u"String 1, \"\u0410<"}) {
    std::u16string out = before;
    DecodePhoneString(c.bytes, table, c.saveSignatures, out);
    EXPECT_EQ(out, before + c.text);
  }
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
        DecodeCase{"HighByteOfTheUnit", Bytes({0x83, 0x7F}), u"\u03FF"},
        DecodeCase{"ControlByteInsideAWindow", Bytes({0x81, 0x05}), u"\u0405"},
        DecodeCase{"EscapeDigitsAreUpperCase", Bytes({0x8C, 0x01}), U("<8C><01>")},
        // A "<" that would read back as an escape is written as its own escape.
        DecodeCase{"LessThanBeforeAnEscapeShape", Bytes({0x3C, 0x34, 0x31, 0x3E}), U("<3C>41>")},
        DecodeCase{"LessThanBeforeLowerCaseDigits", Bytes({0x3C, 0x61, 0x62, 0x3E}), U("<3C>ab>")},
        DecodeCase{"LessThanBeforeItsOwnEscape", Bytes({0x3C, 0x33, 0x43, 0x3E}), U("<3C>3C>")},
        DecodeCase{"LessThanBeforeAnotherLessThan", Bytes({0x3C, 0x3C, 0x33, 0x43, 0x3E}), U("<<3C>3C>")},
        DecodeCase{"LessThanAtTheEnd", Bytes({0x41, 0x3C}), U("A<")},
        DecodeCase{"LessThanWithoutClosingBracket", Bytes({0x3C, 0x34, 0x31}), U("<41")},
        DecodeCase{"LessThanBeforeZeroZero", Bytes({0x3C, 0x30, 0x30, 0x3E}), U("<00>")},
        DecodeCase{"LessThanBeforeANonDigit", Bytes({0x3C, 0x30, 0x47, 0x3E}), U("<0G>")},
        DecodeCase{"LessThanBeforeAnEscapedByte", Bytes({0x3C, 0x0A, 0x3E}), U("<<0A>>")},
        // Units below 0020 through a window that starts below it are escapes,
        // and so is the selector that shows in no character then.
        DecodeCase{"BaseOneBeforeAControlUnit", Bytes({0x84, 0x1E, 0x41}), U("<84><1E>B")},
        DecodeCase{"BaseOneReachesTheSpace", Bytes({0x84, 0x1F}), U(" ")},
        DecodeCase{"BaseOneAtTheEnd", Bytes({0x84}), U("<84>")},
        DecodeCase{"Base1FBeforeZero", Bytes({0x86, 0x00, 0x01}), U("<86><00> ")},
        DecodeCase{"Base1FBeforeAControlUnitMidString", Bytes({0x41, 0x86, 0x00}), U("A<86><00>")},
        DecodeCase{"ControlUnitBehindASilentSelector", Bytes({0x86, 0x01, 0x00}), U(" <00>")},
        // An escape takes no window on the way back: the selector before an
        // escaped "<" shows.
        DecodeCase{"LessThanFromAWindowKeepsItsByte", Bytes({0x86, 0x1D, 0x15, 0x12, 0x1F}), U("<86><1D>41>")},
        DecodeCase{"SelectorBeforeAnEscapedLessThan", Bytes({0x81, 0x10, 0x80, 0x3C, 0x34, 0x31, 0x3E}),
                   u"\u0410<80><3C>41>"},
        DecodeCase{"SelectorThatKeepsTheWindowBeforeAnEscapedLessThan", Bytes({0x41, 0x80, 0x3C, 0x34, 0x31, 0x3E}),
                   U("A<3C>41>")},
        DecodeCase{"SelectorBeforeAPlainLessThan", Bytes({0x81, 0x10, 0x80, 0x3C, 0x3E}), u"\u0410<>"},
        // A selector behind a known one shows where it would read back as silent.
        DecodeCase{"SameSelectorTwice", Bytes({0x81, 0x81, 0x10}), u"<81><81>\u0410"},
        DecodeCase{"TwoSelectorsAtTheEnd", Bytes({0x83, 0x81}), U("<83><81>")},
        DecodeCase{"SelectorBehindAnUnknownOneStaysSilent", Bytes({0x85, 0x80, 0x41}), U("<85>A")},
        DecodeCase{"SignaturesWithAControlUnit", Bytes({0x84, 0x05}), U("<84><05>"), true}),
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
