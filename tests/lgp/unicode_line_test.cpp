#include "lgp/unicode_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvo {
namespace {

std::vector<std::uint8_t> Le(std::u16string_view units) {
  std::string bytes;
  AppendUtf16Le(units, bytes);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::u16string> Lines(const std::vector<std::uint8_t>& data) {
  std::vector<std::u16string> lines;
  std::size_t pos = 0;
  std::u16string line;
  while (ReadUnicodeLine(data, pos, line)) lines.push_back(line);
  return lines;
}

TEST(ReadUnicodeLine, OnlyTheUnitPairCrLfEndsALine) {
  using V = std::vector<std::u16string>;
  EXPECT_EQ(Lines(Le(u"AB\r\nC")), (V{u"AB", u"C"}));
  EXPECT_EQ(Lines(Le(u"A\rB\r\n")), (V{u"A\rB"}));
  EXPECT_EQ(Lines(Le(u"A\nB\r\n")), (V{u"A\nB"}));
  EXPECT_EQ(Lines(Le(u"\r\r\n")), (V{u"\r"}));
  EXPECT_EQ(Lines(Le(u"\u010D\u010A\r\n")), (V{u"\u010D\u010A"}));
  EXPECT_EQ(Lines(Le(u"\r\n\r\nX")), (V{u"", u"", u"X"}));
  EXPECT_EQ(Lines(Le(u"")), V{});
}

TEST(ReadUnicodeLine, DropsALoneLastByte) {
  auto data = Le(u"AB");
  data.push_back(0x43);
  EXPECT_EQ(Lines(data), (std::vector<std::u16string>{u"AB"}));
  EXPECT_EQ(Lines({0x43}), std::vector<std::u16string>{});
}

TEST(TrimWide, RemovesOnlySpaceUnits) {
  EXPECT_EQ(LTrimWide(u"  A "), u"A ");
  EXPECT_EQ(RTrimWide(u"  A "), u"  A");
  EXPECT_EQ(LTrimWide(u"   "), u"");
  EXPECT_EQ(RTrimWide(u"   "), u"");
  EXPECT_EQ(LTrimWide(u"\t\u00A0\u3000A"), u"\t\u00A0\u3000A");
}

TEST(BEInt, ReadsLittleEndian) {
  const std::uint8_t a[] = {0x01, 0x02};
  const std::uint8_t b[] = {0xFF, 0xFF};
  EXPECT_EQ(BE_int(a), 513);
  EXPECT_EQ(BE_int(b), 65535);
}

}  // namespace
}  // namespace tarvo
