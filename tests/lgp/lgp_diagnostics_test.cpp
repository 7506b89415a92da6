#include <gtest/gtest.h>

#include "config/error.h"
#include "lgp/lgp_file.h"
#include "tests/support/lgp_text.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

class LgpDiagnosing : public ::testing::Test {
 protected:
  LgpDiagnosing() : table_(test::Table({{0x80, 0}, {0x81, 0x400}})) {}

  // Reads the lines with and without diagnostics; both must give the same file.
  LgpDiagnostics Diagnose(const std::vector<std::u16string>& lines) {
    LgpFile plain, watched;
    LgpDiagnostics diagnostics;
    const auto bytes = test::LgpBytes(lines);
    EXPECT_EQ(ReadLgpFile(bytes, table_, plain), LgpReadStatus::Read);
    EXPECT_EQ(ReadLgpFile(bytes, table_, watched, {}, &diagnostics), LgpReadStatus::Read);
    EXPECT_EQ(plain.Strings, watched.Strings);
    EXPECT_EQ(plain.LangIds, watched.LangIds);
    return diagnostics;
  }
  // The one warning of a file with exactly one mistake.
  LgpWarning OnlyWarning(const std::vector<std::u16string>& lines) {
    const LgpDiagnostics d = Diagnose(lines);
    EXPECT_EQ(d.Warnings.size(), 1u);
    return d.Warnings.empty() ? LgpWarning{} : d.Warnings.front();
  }

  CharTable table_;
};

TEST_F(LgpDiagnosing, ACleanFileHasNoWarningsAndKeepsEverySource) {
  const LgpDiagnostics d = Diagnose({u"; Header", u"AllLangs 2", u"MaxMsgId 1", u"LangId 1", u"String 0, \"a\"",
                                     u"String $1, \"say \"hi\"\"", u"LangId 2", u"String 1, \"\""});
  EXPECT_TRUE(d.Warnings.empty());
  ASSERT_EQ(d.Sources.size(), 2u);
  EXPECT_EQ(d.Sources[0].at(1).Line, 6);
  EXPECT_EQ(d.Sources[0].at(1).Text, u"say \"hi\"");
  EXPECT_EQ(d.Sources[1].at(1).Line, 8);
  EXPECT_EQ(d.Sources[1].at(1).Text, u"");
}

TEST_F(LgpDiagnosing, EachIgnoredOrMisreadLineIsNamedWithItsLine) {
  const std::u16string head[] = {u"AllLangs 1", u"MaxMsgId 9", u"LangId 0"};
  struct Case {
    std::u16string line;
    const char* kind;
    std::optional<std::int32_t> message;
  } cases[] = {
      {u"String 4, \"open", "unclosed-quote", 4},
      {u"SL4xLangName \"open", "unclosed-quote", {}},
      {u"Strng 4, \"typo\"", "unknown-key", {}},
      {u"MaxMsgId", "no-value", {}},
      {u"String $1G, \"x\"", "loose-number", 0},
      {u"String $1A , \"x\"", "loose-number", 0},
      {u"String 3.5, \"x\"", "loose-number", {}},
      {u"MaxMsgId 12abc", "loose-number", {}},
      {u"LangId 9", "langid-ignored", {}},
      {u"PhoneType A, 0, 8000", "phonetype-ignored", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const LgpWarning w = OnlyWarning({head[0], head[1], head[2], c.line});
    EXPECT_EQ(w.Line, 4);
    EXPECT_EQ(w.Kind, c.kind);
    EXPECT_EQ(w.Message, c.message);
    EXPECT_FALSE(w.Text.empty());
  }
}

TEST_F(LgpDiagnosing, ABareLgPackIdAsDecompiledFromAPackWithoutOneIsNoMistake) {
  EXPECT_TRUE(Diagnose({u"AllLangs 1", u"MaxMsgId 9", u"LgPackId", u"LangId 0"}).Warnings.empty());
}

TEST_F(LgpDiagnosing, PlainNumbersWithBlanksAreNoMistake) {
  const auto d = Diagnose({u"  AllLangs   1  ", u"MaxMsgId 30", u"LangId 0", u"String 26 , \"a\"", u"String $1b, \"b\""});
  for (const auto& w : d.Warnings) ADD_FAILURE() << w.Line << " " << w.Text;
}

TEST_F(LgpDiagnosing, LangIdLinesBeyondAllLangsAndBeforeIt) {
  LgpWarning w = OnlyWarning({u"LangId 3", u"AllLangs 1", u"LangId 0"});
  EXPECT_EQ(w.Kind, "langid-ignored");
  EXPECT_EQ(w.Line, 1);
  w = OnlyWarning({u"AllLangs 2", u"LangId 1", u"LangId 2", u"LangId 3", u"String 0, \"b\""});
  EXPECT_EQ(w.Line, 4);
  EXPECT_NE(w.Text.find("language 2"), std::string::npos);
}

TEST_F(LgpDiagnosing, AllLangsAfterStringsAndRepeatedStrings) {
  LgpWarning w = OnlyWarning({u"AllLangs 1", u"LangId 0", u"String 0, \"a\"", u"AllLangs 2"});
  EXPECT_EQ(w.Kind, "strings-discarded");
  EXPECT_EQ(w.Line, 4);
  EXPECT_NE(w.Text.find("1 strings"), std::string::npos);

  w = OnlyWarning({u"AllLangs 1", u"LangId 0", u"String 0, \"a\"", u"String 0, \"b\""});
  EXPECT_EQ(w.Kind, "string-replaced");
  EXPECT_EQ(w.Line, 4);
  EXPECT_EQ(w.Message, 0);
  EXPECT_EQ(w.Language, 0);
  EXPECT_NE(w.Text.find("line 3"), std::string::npos);
}

TEST_F(LgpDiagnosing, StringsAboveMaxMsgIdAreNamedWhereverMaxMsgIdStands) {
  const LgpWarning w = OnlyWarning({u"AllLangs 1", u"LangId 0", u"String 0, \"a\"", u"String 3, \"b\"",
                                    u"MaxMsgId 2"});
  EXPECT_EQ(w.Kind, "beyond-maxmsgid");
  EXPECT_EQ(w.Line, 4);
  EXPECT_EQ(w.Message, 3);
}

TEST_F(LgpDiagnosing, ARefusedLineIsRemembered) {
  LgpFile lgp;
  LgpDiagnostics d;
  const auto bytes = test::LgpBytes({u"AllLangs 1", u"LangId 0", u"String 0 \"no comma\""});
  EXPECT_THROW(ReadLgpFile(bytes, table_, lgp, {}, &d), Error);
  EXPECT_EQ(d.FailedLine, 3);
}

}  // namespace
}  // namespace tarvo
