#include "check/text_checks.h"

#include <gtest/gtest.h>

#include "tests/support/text.h"

namespace tarvo {
namespace {

std::string Kinds(std::u16string_view text) {
  std::string kinds;
  for (const Conversion& c : FindConversions(text)) {
    if (c.Position != 0) kinds += std::to_string(c.Position) + "$";
    kinds += c.Kind;
    kinds += ' ';
  }
  return kinds;
}

TEST(Conversions, AreFoundWithFlagsWidthPrecisionLengthAndPositions) {
  const struct {
    std::u16string text;
    std::string kinds;
  } cases[] = {
      {u"Call %s?", "s "},
      {u"%d of %u, %x %X %c", "d u x x c "},
      {u"%-5.2lx|%+08d|% i|%#o|%'.*f|%lld|%hhu", "x d d o f d u "},
      {u"100%% done", ""},
      {u"%%d is no conversion, %%%s is one", "s "},
      {u"%1$s has %2$d", "1$s 2$d "},
      {u"50% off", "o "},  // as printf reads it: a space flag, then 'o'
      {u"trailing %", ""},
      {u"%5", ""},
      {u"%y is unknown", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Kinds(c.text), c.kinds) << Excerpt(c.text);
}

TEST(Conversions, ComparePairsOfStrings) {
  auto same = [](std::u16string_view a, std::u16string_view b) {
    return SameConversions(FindConversions(a), FindConversions(b));
  };
  EXPECT_TRUE(same(u"Call %s?", u"Anrufen %s?"));
  EXPECT_TRUE(same(u"%d of %d", u"%i von %5d"));              // flags, width and d/i are no difference
  EXPECT_TRUE(same(u"%1$s sent %2$d", u"%2$d sent by %1$s"));  // numbered arguments may move
  EXPECT_TRUE(same(u"100%%", u"100 %%"));
  EXPECT_FALSE(same(u"%s and %d", u"%d and %s"));  // unnumbered ones may not
  EXPECT_FALSE(same(u"%s", u"no conversion"));
  EXPECT_FALSE(same(u"%s", u"%s %s"));
  EXPECT_FALSE(same(u"%1$s", u"%2$s"));
  EXPECT_FALSE(same(u"%d%%", u"%s%%"));
}

TEST(ControlEscapes, CountOnlyEscapesOfBytesBelow20) {
  EXPECT_EQ(CountControlEscapes(u"One<0A>Two<0a>Three"), 2);
  EXPECT_EQ(CountControlEscapes(u"<81>\u0410<1F>"), 1);
  EXPECT_EQ(CountControlEscapes(u"<00> <0A <20> <FF>"), 0);
}

TEST(FalseEscapes, AreFoundWhereTheEncoderSeesCharacters) {
  EXPECT_EQ(FindFalseEscape(u"a<00>b"), u"<00>");
  EXPECT_EQ(FindFalseEscape(u"<G1>"), u"<G1>");
  EXPECT_EQ(FindFalseEscape(u"line<0A"), u"<0A");
  EXPECT_EQ(FindFalseEscape(u"<0A next"), u"<0A");
  EXPECT_EQ(FindFalseEscape(u"<0A><81>"), std::nullopt);
  EXPECT_EQ(FindFalseEscape(u"<OK> <Back 1<2"), std::nullopt);
}

TEST(Windows, CharactersWithoutASelectorAreFound) {
  const CharTable table = test::Table({{0x80, 0}, {0x81, 0x400}});
  EXPECT_EQ(FindUnselectableCharacter(u"Hi \u0410\u044F", table), std::nullopt);
  EXPECT_EQ(FindUnselectableCharacter(u"Hi \u0531", table), u'\u0531');
  EXPECT_EQ(FindUnselectableCharacter(u"<85>\u00E9", table), u'\u00E9');  // escapes are skipped, not the letter
}

}  // namespace
}  // namespace tarvo
