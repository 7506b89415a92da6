#include "lgp/lgp_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "lgp/unicode_line.h"

namespace tarvo {
namespace {

std::vector<std::uint8_t> Utf16Le(std::u16string_view text) {
  std::string bytes;
  AppendUtf16Le(text, bytes);
  return {bytes.begin(), bytes.end()};
}

TEST(LgpWriter, WritesStringLines) {
  struct Case {
    std::int32_t message;
    bool hex;
    std::u16string text, line;
  };
  const Case cases[] = {
      {0, false, u"", u"String 0, \"\""},
      {26, false, u"Hi", u"String 26, \"Hi\""},
      {26, true, u"Hi", u"String $1A, \"Hi\""},
      {32767, true, u"\"", u"String $7FFF, \"\"\""},
      {10, true, u"\u0416\uFFFF\u00FF\U0001F600", u"String $A, \"\u0416\uFFFF\u00FF\U0001F600\""},
      {2147483647, false, u"<0A>", u"String 2147483647, \"<0A>\""},
  };
  for (const Case& c : cases) {
    LgpWriter out;
    out.StringLine(c.message, c.hex, c.text);
    EXPECT_EQ(std::move(out).Take(), Utf16Le(u"\uFEFF" + c.line + u"\r\n")) << c.message;
  }
}

// However it grows, with room reserved or not, the file is the same.
TEST(LgpWriter, GrowsWithoutChangingWhatIsWritten) {
  for (const std::size_t reserve : {std::size_t{0}, std::size_t{100}, std::size_t{1} << 20}) {
    std::mt19937 random(3);
    LgpWriter out;
    out.Reserve(reserve);
    std::u16string expected = u"\uFEFF";
    for (int line = 0; line < 3000; ++line) {
      std::u16string text(random() % 300, u'x');
      for (char16_t& unit : text) unit = static_cast<char16_t>(random());
      const std::string number = std::to_string(line);
      if (line % 3 == 0) {
        out.Line("LangId " + number);
        expected += u"LangId " + std::u16string(number.begin(), number.end()) + u"\r\n";
      }
      out.StringLine(line, false, text);
      expected += u"String " + std::u16string(number.begin(), number.end()) + u", \"" + text + u"\"\r\n";
    }
    const auto bytes = out.Bytes();
    const auto want = Utf16Le(expected);
    ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), want.begin(), want.end())) << reserve;
    EXPECT_EQ(std::move(out).Take(), want);
  }
}

}  // namespace
}  // namespace tarvo
