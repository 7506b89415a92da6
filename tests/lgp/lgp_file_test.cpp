#include "lgp/lgp_file.h"

#include <gtest/gtest.h>

#include "config/error.h"
#include "tests/support/lgp_text.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::Bytes;

class LgpReading : public ::testing::Test {
 protected:
  LgpReading() : table_(test::Table({{0x80, 0}, {0x81, 0x400}})) {}

  LgpFile Read(const std::vector<std::u16string>& lines) {
    LgpFile lgp;
    EXPECT_EQ(ReadLgpFile(test::LgpBytes(lines), table_, lgp), LgpReadStatus::Read);
    return lgp;
  }
  std::string ErrorOf(const std::vector<std::u16string>& lines) {
    try {
      Read(lines);
    } catch (const Error& e) {
      return e.what();
    }
    return "no error";
  }

  CharTable table_;
};

TEST_F(LgpReading, ReadsHeaderAndSections) {
  const LgpFile lgp = Read({u";", u"PhoneType A, 0, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9",
                            u"  AllLangs   3  ", u"MaxMsgId 2", u"LgPackId Pack 1", u"; a comment",
                            u"langid 7", u"STRING 0, \"Hi\"", u"LangId\t8", u"string $1, \"\u0410\"",
                            u"LangId 9", u"String 2, \"\""});
  EXPECT_EQ(lgp.PhoneType.Name, "A");
  EXPECT_EQ(lgp.AllLangs, 3);
  EXPECT_EQ(lgp.MaxMsgId, 2);
  EXPECT_EQ(lgp.LgPackId, "Pack 1");
  EXPECT_EQ(lgp.LangCount, 3);
  EXPECT_EQ(lgp.LangIds, (std::vector<std::int32_t>{7, 8, 9}));
  EXPECT_EQ(lgp.StringAt(0, 0), Bytes({0x80, 'H', 'i'}));
  EXPECT_EQ(lgp.StringAt(1, 1), Bytes({0x81, 0x10}));
  EXPECT_TRUE(lgp.StringAt(2, 2).empty());
  EXPECT_TRUE(lgp.StringAt(0, 1).empty());  // no line: the empty string
}

TEST_F(LgpReading, ReadsStringNumbersInBothForms) {
  const LgpFile lgp = Read({u"AllLangs 1", u"LangId 0", u"String $1A, \"a\"", u"String 27 , \"b\"",
                            u"String $1G, \"c\"", u"String $1C , \"d\"", u"String 3.5, \"e\""});
  EXPECT_EQ(lgp.StringAt(0, 26), Bytes({0x80, 'a'}));
  EXPECT_EQ(lgp.StringAt(0, 27), Bytes({0x80, 'b'}));
  EXPECT_EQ(lgp.StringAt(0, 0), Bytes({0x80, 'd'}));  // $1G and "$1C " read as 0; the last one wins
  EXPECT_TRUE(lgp.StringAt(0, 28).empty());
  EXPECT_EQ(lgp.StringAt(0, 4), Bytes({0x80, 'e'}));  // 3.5 rounds to the even 4
}

TEST_F(LgpReading, QuotedTextRules) {
  const LgpFile lgp = Read({u"AllLangs 1", u"LangId 0", u"String 0, junk\"say \"hi\"\"", u"String 1, \"open",
                            u"String 2, \"\"", u"SL4xLangName \"\u0410\""});
  EXPECT_EQ(lgp.StringAt(0, 0), Bytes({0x80, 's', 'a', 'y', ' ', '"', 'h', 'i', '"'}));
  EXPECT_TRUE(lgp.StringAt(0, 1).empty());
  EXPECT_TRUE(lgp.StringAt(0, 2).empty());
  EXPECT_EQ(lgp.SL4xLangName, Bytes({0x81, 0x10}));
}

TEST_F(LgpReading, SectionRules) {
  // A third LangId beyond AllLangs 2 is ignored; its strings go to language 2.
  LgpFile lgp = Read({u"AllLangs 2", u"LangId 1", u"String 0, \"a\"", u"LangId 2", u"LangId 3",
                      u"String 0, \"b\""});
  EXPECT_EQ(lgp.LangIds, (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(lgp.StringAt(1, 0), Bytes({0x80, 'b'}));
  // An AllLangs line discards what was read before; LangCount stays.
  lgp = Read({u"AllLangs 2", u"LangId 1", u"String 0, \"a\"", u"AllLangs 3", u"LangId 5", u"String 0, \"c\""});
  EXPECT_EQ(lgp.LangIds, (std::vector<std::int32_t>{0, 5, 0}));
  EXPECT_TRUE(lgp.StringAt(0, 0).empty());
  EXPECT_EQ(lgp.StringAt(1, 0), Bytes({0x80, 'c'}));
  // Lines without a value, and unknown keys, are ignored; the last header line wins.
  lgp = Read({u"AllLangs", u"Foo 1", u"MaxMsgId 3", u"MaxMsgId 4", u"AllLangs 1", u"LangId 0"});
  EXPECT_EQ(lgp.MaxMsgId, 4);
  EXPECT_EQ(lgp.AllLangs, 1);
}

TEST_F(LgpReading, LastCompletePhoneTypeWins) {
  const LgpFile lgp = Read({u"PhoneType A, 0, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9",
                            u"PhoneType B, 1, 2", u"AllLangs 1"});
  EXPECT_EQ(lgp.PhoneType.Name, "A");
}

TEST_F(LgpReading, RefusesLinesTheFormatCannotHold) {
  EXPECT_NE(ErrorOf({u"AllLangs 1", u"String 0, \"a\""}).find("Line 2"), std::string::npos);
  EXPECT_NE(ErrorOf({u"AllLangs 40000"}).find("does not fit 16 bits"), std::string::npos);
  EXPECT_NE(ErrorOf({u"AllLangs 1", u"LangId 0", u"String -1, \"a\""}).find("outside 0 to 32767"),
            std::string::npos);
  EXPECT_NE(ErrorOf({u"AllLangs 1", u"LangId 0", u"String $8000, \"a\""}).find("outside 0 to 32767"),
            std::string::npos);
  EXPECT_NE(ErrorOf({u"AllLangs 1", u"LangId 0", u"String 5 \"a\""}).find("no comma"), std::string::npos);
  EXPECT_NE(ErrorOf({u"AllLangs 1", u"LangId 0", u"String 5, a\""}).find("opening quotation"), std::string::npos);
  EXPECT_NE(ErrorOf({u"LgPackId \u0410"}).find("8-bit"), std::string::npos);
  const std::string tooHigh = ErrorOf({u"AllLangs 2", u"LangId 0", u"LangId 1", u"String 7, \"ab\U0001F600\""});
  EXPECT_NE(tooHigh.find("Line 4"), std::string::npos) << tooHigh;
  EXPECT_NE(tooHigh.find("string 7 in language 2"), std::string::npos) << tooHigh;
  EXPECT_NE(tooHigh.find("U+D83D"), std::string::npos) << tooHigh;
}

TEST_F(LgpReading, NeedsTheByteOrderMark) {
  LgpFile lgp;
  EXPECT_EQ(ReadLgpFile({}, table_, lgp), LgpReadStatus::EmptyFile);
  EXPECT_EQ(ReadLgpFile(Bytes({0xFE, 0xFF, 0, 'A'}), table_, lgp), LgpReadStatus::NoByteOrderMark);
  EXPECT_EQ(ReadLgpFile(Bytes({'A', 0}), table_, lgp), LgpReadStatus::NoByteOrderMark);
  EXPECT_EQ(ReadLgpFile(Bytes({0xFF, 0xFE}), table_, lgp), LgpReadStatus::Read);
}

}  // namespace
}  // namespace tarvo
