#include "lgp/lgp_scan.h"

#include <gtest/gtest.h>

#include "config/error.h"
#include "config/utf8.h"
#include "tests/support/lgp_text.h"

namespace tarvo {
namespace {

std::string ErrorOf(const std::vector<std::uint8_t>& file) {
  try {
    ScanLgp(file);
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

// A later negative AllLangs leaves no language, however many came before.
TEST(LgpScan, NegativeAllLangsGivesNoLanguages) {
  EXPECT_TRUE(ScanLgp(test::LgpBytes({u"AllLangs 2", u"LangId 1", u"AllLangs -3"})).Languages.empty());
}

// The texts go to languages and messages as the compile command reads them.
TEST(LgpScan, AssignsTextsByTheReadersRules) {
  const auto file =
      test::LgpBytes({u"; header", u"  AllLangs   2  ", u"MaxMsgId 3", u"LgPackId Pack 1", u"LangId 7",
                      u"String 0, \"say \"hi\"\"", u"String $1, \"first\"", u"String 1, \"last wins\"",
                      u"String 2, \"no final quotation mark", u"LangId\t8", u"String $1A, \"hex\"",
                      u"LangId 9", u"String 3, \"after an ignored LangId\"", u"String 4 ,\"\""});
  const LgpScan scan = ScanLgp(file);
  EXPECT_EQ(scan.MaxMsgId, 3);
  EXPECT_EQ(scan.LgPackId, u"Pack 1");
  ASSERT_EQ(scan.Languages.size(), 2u);
  EXPECT_EQ(scan.Languages[0].LangId, 7);
  EXPECT_EQ(scan.Languages[0].LangIdLine, 5u);
  EXPECT_EQ(scan.Text(file, 0, 0), u"say \"hi\"");
  EXPECT_EQ(scan.Text(file, 0, 1), u"last wins");
  EXPECT_EQ(scan.Languages[0].Texts.at(1).Line, 8u);
  EXPECT_FALSE(scan.Languages[0].Texts.contains(2));
  EXPECT_EQ(scan.Text(file, 1, 26), u"hex");
  EXPECT_TRUE(scan.Languages[1].Texts.at(26).HexNumber);
  EXPECT_EQ(scan.Text(file, 1, 3), u"after an ignored LangId");
  EXPECT_TRUE(scan.Languages[1].Texts.contains(4));
  EXPECT_EQ(scan.Text(file, 1, 4), u"");

  // An "AllLangs" line starts the table again: earlier texts and LangIds are gone.
  const auto again = test::LgpBytes(
      {u"AllLangs 1", u"LangId 5", u"String 0, \"gone\"", u"allLangs 1", u"String 1, \"kept\""});
  const LgpScan rescanned = ScanLgp(again);
  ASSERT_EQ(rescanned.Languages.size(), 1u);
  EXPECT_EQ(rescanned.Languages[0].LangId, 0);
  EXPECT_EQ(rescanned.Languages[0].LangIdLine, 0u);
  EXPECT_FALSE(rescanned.Languages[0].Texts.contains(0));
  EXPECT_EQ(rescanned.Text(again, 0, 1), u"kept");
}

TEST(LgpScan, RefusesWhatTheCompileCommandRefuses) {
  EXPECT_NE(ErrorOf({'a', 'b'}).find("byte order mark"), std::string::npos);
  EXPECT_NE(ErrorOf({}).find("byte order mark"), std::string::npos);
  EXPECT_EQ(ErrorOf(test::LgpBytes({u"AllLangs 1", u"String 0, \"x\""})),
            "Line 2 of the LGpack file: a String line comes before the first LangId line.");
  EXPECT_EQ(ErrorOf(test::LgpBytes({u"AllLangs 1", u"LangId 1", u"String 0 \"x\""})),
            "Line 3 of the LGpack file: the String line has no comma after its number.");
  EXPECT_EQ(ErrorOf(test::LgpBytes({u"AllLangs 1", u"LangId 1", u"String -1, \"x\""})),
            "Line 3 of the LGpack file: the string number -1 lies outside 0 to 32767.");
  EXPECT_EQ(ErrorOf(test::LgpBytes({u"MaxMsgId 40000"})),
            "Line 1 of the LGpack file: MaxMsgId \"40000\" does not fit 16 bits (-32768 to 32767).");
}

class LgpEditing : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> Edit(const std::vector<std::u16string>& lines, std::size_t language,
                                 const std::map<std::int32_t, std::u16string>& texts) {
    const auto file = test::LgpBytes(lines);
    return EditLgpTexts(file, ScanLgp(file), language, texts);
  }
};

TEST_F(LgpEditing, ChangesOnlyTheTextBetweenTheQuotationMarks) {
  const std::vector<std::u16string> lines = {
      u"AllLangs 2",          u"MaxMsgId 2", u"LangId 1",
      u"String 0, \"a\"",     u"LangId 2",   u"  String $0 ,  \"old\"  ",
      u"String 0, \"older\"", u"; comment",  u"String 1,\t\"x\"y\""};
  auto expected = lines;
  expected[6] = u"String 0, \"new \"quoted\" <0A>\"";
  expected[8] = u"String 1,\t\"\"";
  EXPECT_EQ(Edit(lines, 1, {{0, u"new \"quoted\" <0A>"}, {1, u""}}), test::LgpBytes(expected));
}

TEST_F(LgpEditing, AddsMissingLinesInNumberOrderInTheNumbersForm) {
  const std::vector<std::u16string> lines = {
      u"AllLangs 3", u"MaxMsgId 9",          u"LangId 1", u"String 2, \"two\"", u"String 5, \"five\"",
      u"LangId 2",   u"String $4, \"four\"", u"LangId 3"};
  const auto edited = Edit(lines, 0, {{0, u"zero"}, {1, u"one"}, {3, u"three"}, {9, u"nine"}, {7, u"seven"}});
  EXPECT_EQ(test::LgpLines(edited),
            (std::vector<std::u16string>{u"AllLangs 3", u"MaxMsgId 9", u"LangId 1", u"String 0, \"zero\"",
                                         u"String 1, \"one\"", u"String 2, \"two\"", u"String 3, \"three\"",
                                         u"String 5, \"five\"", u"String 7, \"seven\"", u"String 9, \"nine\"",
                                         u"LangId 2", u"String $4, \"four\"", u"LangId 3"}));
  EXPECT_EQ(test::LgpLines(Edit(lines, 1, {{9, u"nine"}}))[7], u"String $9, \"nine\"");
  // The last language has no String line yet, and its LangId line no line end.
  std::vector<std::uint8_t> file = test::LgpBytes(lines);
  file.resize(file.size() - 4);
  const auto added = EditLgpTexts(file, ScanLgp(file), 2, {{1, u"one"}});
  EXPECT_EQ(test::LgpLines(added).back(), u"String 1, \"one\"");
  EXPECT_EQ(added.size(), file.size() + 2 * (2 + 15));
}

// One call for several languages gives what one call for each gives in turn,
// also where a section ends right before the next begins.
TEST_F(LgpEditing, ChangesSeveralLanguagesAtOnceAsOneAfterAnother) {
  const std::vector<std::u16string> lines = {
      u"AllLangs 3", u"MaxMsgId 4", u"LangId 1", u"String 2, \"a2\"", u"LangId 2",
      u"String $3, \"b3\"", u"; end of b", u"LangId 3"};
  const std::map<std::size_t, std::map<std::int32_t, std::u16string>> edits = {
      {0, {{0, u"a0"}, {2, u"A2"}, {4, u"a4"}}}, {1, {{1, u"b1"}, {4, u"b4"}}}, {2, {{0, u"c0"}, {3, u""}}}};
  const auto file = test::LgpBytes(lines);
  std::vector<std::uint8_t> stepwise = file;
  for (const auto& [language, texts] : edits) stepwise = EditLgpTexts(stepwise, ScanLgp(stepwise), language, texts);
  const auto atOnce = EditLgpTexts(file, ScanLgp(file), edits);
  EXPECT_EQ(atOnce, stepwise);
  EXPECT_EQ(test::LgpLines(atOnce),
            (std::vector<std::u16string>{u"AllLangs 3", u"MaxMsgId 4", u"LangId 1", u"String 0, \"a0\"",
                                         u"String 2, \"A2\"", u"String 4, \"a4\"", u"LangId 2",
                                         u"String $1, \"b1\"", u"String $3, \"b3\"", u"String $4, \"b4\"",
                                         u"; end of b", u"LangId 3", u"String 0, \"c0\"", u"String 3, \"\""}));
  EXPECT_THROW(EditLgpTexts(file, ScanLgp(file), {{3, {{0, u"x"}}}}), std::out_of_range);
}

TEST(Utf8, ConvertsBothWaysAndRefusesWhatIsNotUtf8) {
  EXPECT_EQ(Utf16ToUtf8(u"Caf\u00e9 \u0416 \u20AC \U0001F600"),
            "Caf\xC3\xA9 \xD0\x96 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(Utf8ToCodePoints("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), U"Caf\u00e9 \u20AC \U0001F600");
  EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})));
  EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t{0xDC00}) + u"a"));
  for (const char* bad :
       {"\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\x80"}) {
    EXPECT_FALSE(Utf8ToCodePoints(bad)) << bad;
  }
}

}  // namespace
}  // namespace tarvo
