// The compile reader and the scanner read every file alike: the same texts
// in the same languages, or the same refusal (where the reader refuses a text
// above U+7FFF, the scanner keeps it and names that refusal).
#include <gtest/gtest.h>

#include "tests/support/lgp_readings.h"
#include "tests/support/lgp_text.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

struct TrickyFile {
  const char* Name;
  std::vector<std::u16string> Lines;
  std::string Expected;  // the summary of both readings, or the start of the refusal after the line number
};

std::vector<std::uint8_t> Raw(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  AppendUtf16Le(text, bytes);
  return {bytes.begin(), bytes.end()};
}

void ExpectAgreement(const std::string& name, const std::vector<std::uint8_t>& file, const std::string& expected) {
  static const CharTable table = test::Table({{0x80, 0}, {0x81, 0x400}});
  const test::LgpReading byReader = test::ReadByReader(file, table);
  const test::LgpReading byScanner = test::ReadByScanner(file);
  EXPECT_EQ(byReader, byScanner) << name << "\n reader:  " << byReader.Summary()
                                 << "\n scanner: " << byScanner.Summary();
  const std::string summary = byReader.Summary();
  const auto colon = summary.find(": ");
  const bool refused = summary.starts_with("Line ") && colon != std::string::npos;
  EXPECT_EQ(refused ? summary.substr(colon + 2, expected.size()) : summary, expected) << name;
}

TEST(LgpAgreement, TrickyLinesReadAlike) {
  const std::u16string header = u"AllLangs 1";
  const std::vector<TrickyFile> files = {
      {"comments and blanks", {u"; c", u"  ;AllLangs 5", u"", u"   ", u"AllLangs 1", u"LangId 5", u"String 0, \"a\""},
       "max=0 id= [5] 0=a"},
      {"$ numbers", {header, u"LangId 1", u"String $1A, \"x\"", u"String $1G, \"y\"", u"String $1a , \"z\"",
                     u"String 26 , \"w\"", u"String $, \"e\""},
       "max=0 id= [1] 0=e 26=w"},
      {"decimal fractions round to even", {header, u"LangId 1", u"String 0.5, \"a\"", u"String 1.5, \"b\""},
       "max=0 id= [1] 0=a 2=b"},
      {"tabs", {header, u"LangId\t4", u"String\t3,\t\"t\"", u"String 1,\"a\tb\"", u"MaxMsgId\t2"},
       "max=2 id= [4] 1=a\tb 3=t"},
      {"keys in any case, unknown keys and keys without value",
       {u"allLANGS 1", u"langid 2", u"sTrInG 0, \"x\"", u"Strings 1, \"y\"", u"LgPackId", u"String"},
       "max=0 id= [2] 0=x"},
      {"unclosed quotes store nothing", {header, u"LangId 1", u"String 0, \"a\"", u"String 0, \"b", u"String 1, c",
                                         u"SL4xLangName \"n"},
       "max=0 id= [1] 0=a"},
      {"the last line ending with a quotation mark wins",
       {header, u"LangId 1", u"String 0, \"a\"", u"String 0, \"b\"", u"String $0, \"c"}, "max=0 id= [1] 0=b"},
      {"quotation marks inside the text", {header, u"LangId 1", u"String 0, x\"say \"hi\"\"", u"String 1,\"\""},
       "max=0 id= [1] 0=say \"hi\" 1="},
      {"lone CR and LF stay in the line", {header, u"LangId 1", u"String 0, \"a\rb\nc\""}, "max=0 id= [1] 0=a\rb\nc"},
      {"sections, and a LangId beyond AllLangs",
       {u"AllLangs 2", u"LangId 1", u"String 0, \"a\"", u"LangId 2", u"String 0, \"b\"", u"LangId 3",
        u"String 1, \"c\""},
       "max=0 id= [1] 0=a [2] 0=b 1=c"},
      {"fewer LangIds than AllLangs", {u"AllLangs 3", u"LangId 1", u"String 0, \"a\""}, "max=0 id= [1] 0=a"},
      {"AllLangs again discards texts and LangIds",
       {header, u"LangId 1", u"String 0, \"a\"", u"AllLangs 1", u"String 1, \"b\""}, "max=0 id= [0] 1=b"},
      {"AllLangs lowered below the LangIds read",
       {u"AllLangs 3", u"LangId 1", u"LangId 2", u"LangId 3", u"AllLangs 1", u"String 0, \"x\""},
       "the String line belongs to language 3, but AllLangs is 1."},
      {"negative AllLangs", {u"AllLangs -2", u"LangId 1", u"MaxMsgId 1"}, "max=1 id="},
      {"String after a negative AllLangs", {u"AllLangs -2", u"LangId 1", u"String 0, \"a\""},
       "a String line comes before the first LangId line."},
      {"String without LangId", {u"AllLangs 0", u"String 0, \"a\""},
       "a String line comes before the first LangId line."},
      {"the most languages", {u"AllLangs 32767", u"LangId 1", u"String 32767, \"a\""}, "max=0 id= [1] 32767=a"},
      {"huge AllLangs", {u"AllLangs 40000"}, "AllLangs \"40000\" does not fit 16 bits"},
      {"huge negative LangId", {header, u"LangId -32769"}, "LangId \"-32769\" does not fit 16 bits"},
      {"huge MaxMsgId", {u"MaxMsgId 99999999999"}, "MaxMsgId \"99999999999\" does not fit 16 bits"},
      {"huge string number", {header, u"LangId 1", u"String 40000, \"a\""}, "the string number \"40000\" does not"},
      {"hex string number beyond 16 bits", {header, u"LangId 1", u"String $8000, \"a\""},
       "the string number 32768 lies outside 0 to 32767."},
      {"negative string number", {header, u"LangId 1", u"String -1, \"a\""},
       "the string number -1 lies outside 0 to 32767."},
      {"no comma", {header, u"LangId 1", u"String 0 \"a\""}, "the String line has no comma after its number."},
      {"only the final quotation mark", {header, u"LangId 1", u"String 0, a\""},
       "the text has no opening quotation mark."},
      {"8-bit LgPackId", {u"LgPackId Caf\u00e9 1"}, "max=0 id=Caf? 1"},
      {"LgPackId above U+00FF", {u"LgPackId \u0410"}, "LgPackId may hold only 8-bit characters"},
      {"PhoneType above U+00FF", {u"PhoneType \u0410, 1"}, "PhoneType may hold only 8-bit characters"},
      {"U+8000 in a text", {header, u"LangId 1", u"String 0, \"a\u8000\""},
       "the character U+8000 at position 2 of string 0 in language 1 cannot be stored"},
      {"a surrogate in a text", {u"AllLangs 2", u"LangId 1", u"LangId 2", u"String 7, \"ab\U0001F600\""},
       "the character U+D83D at position 3 of string 7 in language 2"},
      {"U+8000 before a refused line", {header, u"LangId 1", u"String 0, \"\u8000\"", u"String -1, \"a\""},
       "the character U+8000 at position 1 of string 0 in language 1"},
      {"U+8000 in the language name", {u"SL4xLangName \"\u8000\""},
       "the character U+8000 at position 1 of the SL4xLangName"},
      {"U+8000 where nothing is stored", {header, u"LangId 1", u"String 0, \"\u8000", u"; \u8000", u"\u8000 1"},
       "max=0 id= [1]"},
      {"escapes are texts like any other", {header, u"LangId 1", u"String 0, \"<0A><8000>\""},
       "max=0 id= [1] 0=<0A><8000>"},
  };
  for (const TrickyFile& file : files) ExpectAgreement(file.Name, test::LgpBytes(file.Lines), file.Expected);

  // The scanner keeps a text the reader refuses to encode, as a translation in progress may hold one.
  const auto kept = test::LgpBytes({header, u"LangId 1", u"String 0, \"a\u8000\"", u"String 1, \"b\""});
  const LgpScan scan = ScanLgp(kept);
  EXPECT_EQ(scan.Text(kept, 0, 0), u"a\u8000");
  EXPECT_EQ(scan.Text(kept, 0, 1), u"b");

  // Files that no list of lines gives.
  ExpectAgreement("AllLangs -2 without a line end", Raw(u"AllLangs -2"), "max=0 id=");
  std::vector<std::uint8_t> odd = Raw(u"AllLangs 1\r\nLangId 1\r\nString 0, \"a\"");
  odd.push_back('x');
  ExpectAgreement("a lone last byte", odd, "max=0 id= [1] 0=a");
  ExpectAgreement("only the byte order mark", Raw(u""), "max=0 id=");
  ExpectAgreement("empty", {}, "not read");
  ExpectAgreement("big-endian mark", {0xFE, 0xFF, 0, 'A'}, "not read");
  ExpectAgreement("one byte", {0xFF}, "not read");
}

}  // namespace
}  // namespace tarvo
