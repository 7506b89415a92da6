#include "config/phone_type.h"

#include <gtest/gtest.h>

#include "flash/layout.h"

namespace tarvo {
namespace {

constexpr const char* kFifteen = "X65, 1A0000, 30000, 2, 4, 6, 8, A, C, E, 20, 12, 40, 256, 1999";

TEST(ParsePhoneType, FillsEveryFieldFromFifteenItems) {
  PhoneTypeRecord r;
  ParsePhoneType(kFifteen, r);
  EXPECT_EQ(r.Name, "X65");
  EXPECT_EQ(r.PackOffset, 0x1A0000);
  EXPECT_EQ(r.PackSizeLimit, 0x30000);
  EXPECT_EQ(r.BlockCountPos, 2);
  EXPECT_EQ(r.LangMapOffsetPos, 4);
  EXPECT_EQ(r.LangTableOffsetPos, 6);
  EXPECT_EQ(r.LangIdListOffsetPos, 8);
  EXPECT_EQ(r.AllLangsPos, 10);
  EXPECT_EQ(r.FirstLangIdPos, 12);
  EXPECT_EQ(r.StringIndexOffsetPos, 14);
  EXPECT_EQ(r.LgPackIdPos, 0x20);
  EXPECT_EQ(r.MaxMsgIdPos, 0x12);
  EXPECT_EQ(r.BlockTablePos, 0x40);
  EXPECT_EQ(r.LangMapSize, 256);  // decimal, not hexadecimal
  EXPECT_EQ(r.DefaultMaxMsgId, 1999);
  EXPECT_EQ(r.Definition, kFifteen);
  EXPECT_FALSE(r.IsLangFile);
  EXPECT_TRUE(r.IdBytes.empty());
  EXPECT_FALSE(IsEmptyRecord(r));
}

TEST(ParsePhoneType, TakesOnlyCompleteIdBytePairs) {
  PhoneTypeRecord sixteen;
  ParsePhoneType(std::string(kFifteen) + ", 100", sixteen);
  EXPECT_TRUE(sixteen.IdBytes.empty());

  PhoneTypeRecord pairs;
  ParsePhoneType(std::string(kFifteen) + ", 100, FF, 200, FFxyz, 300, F, 400", pairs);
  ASSERT_EQ(pairs.IdBytes.size(), 3u);
  EXPECT_EQ(pairs.IdBytes[0].Offset, 0x100);
  EXPECT_EQ(pairs.IdBytes[0].Value, 255);
  EXPECT_EQ(pairs.IdBytes[1].Value, 255);  // only the first two characters count
  EXPECT_EQ(pairs.IdBytes[2].Value, 15);
}

TEST(ParsePhoneType, MinusOneMarksALanguageFileAndIsNeverCleared) {
  PhoneTypeRecord r;
  ParsePhoneType("LNG,  -1 , 8000, 2, 4, 6, 0, A, C, E, 20, 0, 40, 256, 1999", r);
  EXPECT_TRUE(r.IsLangFile);
  EXPECT_EQ(r.PackOffset, 0);
  ParsePhoneType(kFifteen, r);
  EXPECT_TRUE(r.IsLangFile);
  EXPECT_EQ(r.PackOffset, 0x1A0000);
}

TEST(ParsePhoneType, LeavesTheRecordAsItWasForUnusableValues) {
  PhoneTypeRecord r;
  ParsePhoneType(kFifteen, r);
  const PhoneTypeRecord before = r;
  ParsePhoneType("A, 1, 2, 3, 4, 5, 6, 7, 8, 9, A, B, C, 256", r);  // 14 items
  EXPECT_EQ(r.Definition, before.Definition);
  ParsePhoneType("A, 1, 2, 3, 4, 5, 6, 7, 8, 9, A, B, C, 40000, 5", r);  // item 14 beyond 16 bits
  EXPECT_EQ(r.Definition, before.Definition);
  EXPECT_EQ(r.LangMapSize, 256);

  PhoneTypeRecord fresh;
  ParsePhoneType("too, few", fresh);
  EXPECT_TRUE(IsEmptyRecord(fresh));
}

TEST(ParsePhoneType, ReadsLenientDecimalsAndSizesTheBlockTable) {
  PhoneTypeRecord r;
  ParsePhoneType("A, 0, 30000, 2, 4, 6, 8, A, C, E, 20, 12, 40, 12.5, x", r);
  EXPECT_EQ(r.LangMapSize, 12);
  EXPECT_EQ(r.DefaultMaxMsgId, 0);

  PhoneTypeRecord twelveBlocks;
  ParsePhoneType("A, 0, 30000, 2, 4, 6, 8, A, C, E, 20, 12, 40, 1, 1", twelveBlocks);
  EXPECT_EQ(BlockTableRoom(twelveBlocks), 13);
  twelveBlocks.PackSizeLimit -= 1;
  EXPECT_EQ(BlockTableRoom(twelveBlocks), 12);
}

}  // namespace
}  // namespace tarvo
