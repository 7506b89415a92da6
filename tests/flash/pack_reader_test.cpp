#include "flash/pack_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "config/error.h"
#include "flash/layout.h"
#include "tests/support/pack_builder.h"

namespace tarvo {
namespace {

using test::ByteString;

// A pack laid out by hand for the BARE phone type (pack at 0x80, no LangId
// list offset field, no MaxMsgId field: MaxMsgId is the default 4).
ByteString HandImage() {
  ByteString pack(0x100, 0xEE);
  auto put = [&](std::size_t at, std::initializer_list<int> bytes) {
    for (int b : bytes) pack[at++] = static_cast<std::uint8_t>(b);
  };
  put(0x00, {0xBB, 0xBB, 0x00, 0x00});  // signature
  put(0x04, {0x01, 0x00});              // block count 1: empty block table
  put(0x06, {0x3A, 0x00});              // language map at T = 0x30 + 5 * 2
  put(0x08, {0x7C, 0x00});              // language table R
  put(0x0A, {0x01, 0x00});              // one language
  put(0x0C, {0x07, 0x00});              // first LangId
  put(0x0E, {0x8A, 0x00});              // string index G
  put(0x10, {0x00, 0x40});              // block size
  put(0x12, {'A', 'B', 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  for (std::size_t i = 0x3A; i < 0x7A; ++i) pack[i] = 0;  // language map, 64 bytes
  pack[0x3A + 7] = 0;                                      // LangId 7 is language 0
  put(0x7A, {0x07, 0xFF});                                 // LangId list and the gap byte
  // Language table: Off1 8C Thr1 2 Off2 8E Thr2 3 Off3 90 Thr3 3 Off4 90.
  put(0x7C, {0x8C, 0, 2, 0, 0x8E, 0, 3, 0, 0x90, 0, 3, 0, 0x90, 0});
  put(0x8A, {0x90, 0x00});              // group 0 starts at 0x90
  put(0x8C, {'H', 'i', 'a', 'b'});      // codes 0 'H', 1 'i', 2 "ab"
  put(0x90, {0x03, 0x00, 0x01,          // message 0: "Hi"
             0x01,                      // message 1: empty
             0x03, 0x02, 0x00,          // message 2: "abH"
             0x03, 0x01, 0x02,          // message 3: "iab"
             0x00});                    // message 4: length byte 0, empty
  ByteString image(0x80 + 0x9B, 0xEE);
  std::copy(pack.begin(), pack.begin() + 0x9B, image.begin() + 0x80);
  return image;
}

std::string StringOf(const PackView& view, const PackContents& c, int language, int message) {
  std::vector<std::uint8_t> bytes;
  ReadPackString(view, c, language, message, bytes);
  return {bytes.begin(), bytes.end()};
}

TEST(PackReader, ReadsAHandLaidPack) {
  const auto type = test::TypeOf(test::kBareType);
  const ByteString image = HandImage();
  const PackView view(image, type.PackOffset);
  const PackContents c = ReadPack(view, type);
  EXPECT_EQ(c.AllLangs, 1);
  EXPECT_EQ(c.MaxMsgId, 4);
  EXPECT_EQ(c.LgPackId, "AB");
  EXPECT_EQ(c.LangIdListOffset, 0x3A + 64);
  EXPECT_EQ(c.LangIds, (std::vector<std::uint8_t>{7}));
  EXPECT_TRUE(c.BlockTable.empty());
  EXPECT_EQ(StringOf(view, c, 0, 0), "Hi");
  EXPECT_EQ(StringOf(view, c, 0, 1), "");
  EXPECT_EQ(StringOf(view, c, 0, 2), "abH");
  EXPECT_EQ(StringOf(view, c, 0, 3), "iab");
  EXPECT_EQ(StringOf(view, c, 0, 4), "");
}

TEST(PackReader, ExpandsCodesByTheirLengthClass) {
  // Header fields at 40.., one language whose table entry at 30 says:
  // Off1 0, Thr1 100, Off2 1000, Thr2 150, Off3 2000, Thr3 200, Off4 3000.
  const auto type = test::TypeOf("T, 0, 4000, 40, 42, 44, 46, 48, 4A, 4C, 50, 60, 70, 0, 0");
  ByteString image(5000);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i % 251);
  auto put16 = [&](std::size_t at, int v) {
    image[at] = static_cast<std::uint8_t>(v & 0xFF);
    image[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  put16(0, 0xBBBB), put16(2, 0);
  const int table[] = {0, 100, 1000, 150, 2000, 200, 3000};
  for (int i = 0; i < 7; ++i) put16(30 + 2 * static_cast<std::size_t>(i), table[i]);
  put16(0x40, 1);     // block count
  put16(0x42, 0x90);  // language map (size 0)
  put16(0x44, 30);    // language table
  put16(0x46, 0x90);  // LangId list
  put16(0x48, 1);     // one language
  put16(0x4C, 20);    // string index
  put16(0x60, 0);     // MaxMsgId 0
  image[0x90] = 5;    // LangId 5
  put16(20, 10);      // group 0 at 10
  image[10] = 4, image[11] = 120, image[12] = 255, image[13] = 99;  // codes 120, 255, 99
  const PackView view(image, 0);
  const PackContents c = ReadPack(view, type);
  // 120: two bytes at Off2 + 20 * 2; 255: four bytes at Off4 + 55 * 4; 99: one byte at 99.
  ByteString expected;
  for (int at : {1040, 1041, 3220, 3221, 3222, 3223, 99}) expected.push_back(static_cast<std::uint8_t>(at % 251));
  EXPECT_EQ(StringOf(view, c, 0, 0), std::string(expected.begin(), expected.end()));
}

// Every string of a pack, slot after slot, as their bytes, or the message of
// the first refusal: read each on its own, or through the records of all.
std::string EveryString(const PackView& view, const PackContents& c, bool throughRecords) {
  std::string all;
  try {
    const std::vector<std::int64_t> records = throughRecords ? StringRecords(view, c) : std::vector<std::int64_t>();
    PackStringBuffer buffer;
    for (std::int32_t slot = 0; slot < (c.MaxMsgId + 1) * c.AllLangs; ++slot) {
      const std::int32_t language = slot % c.AllLangs, message = slot / c.AllLangs;
      const auto bytes = throughRecords ? ReadPackRecord(view, c, language, records[slot], buffer)
                                        : ReadPackString(view, c, language, message, buffer);
      all.append(bytes.begin(), bytes.end()).push_back('|');
    }
  } catch (const Error& e) {
    return e.what();
  }
  return all;
}

TEST(PackReader, FindsStringsAcrossBlocks) {
  const auto type = test::TypeOf(test::kFlashType);
  test::PackPlan plan;
  plan.langIds = {1, 2, 3};
  plan.strings = test::RandomStrings(7, 3, 299, 200);
  const ByteString image = test::BuildImage(type, plan);
  const PackView view(image, type.PackOffset);
  const PackContents c = ReadPack(view, type);
  ASSERT_GE(c.BlockCount, 3);
  for (int i = 0; i < 3; ++i) {
    for (int m = 0; m <= 299; ++m) {
      std::vector<std::uint8_t> bytes;
      ReadPackString(view, c, i, m, bytes);
      ASSERT_EQ(bytes, plan.strings[i][m]) << "language " << i << " message " << m;
    }
  }
  EXPECT_EQ(EveryString(view, c, true), EveryString(view, c, false));
}

TEST(PackReader, RefusesValuesOutsideTheFormat) {
  const auto type = test::TypeOf(test::kBareType);
  using Patch = std::pair<std::size_t, ByteString>;
  auto expectError = [&](std::vector<Patch> patches, const char* fragment) {
    ByteString image = HandImage();
    for (const auto& [at, bytes] : patches) std::copy(bytes.begin(), bytes.end(), image.begin() + 0x80 + at);
    const PackView view(image, type.PackOffset);
    try {
      const PackContents c = ReadPack(view, type);
      for (int m = 0; m <= c.MaxMsgId; ++m) StringOf(view, c, 0, m);
      ADD_FAILURE() << "no error for " << fragment;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
  };
  expectError({{0x08, {0x00, 0x80}}}, "negative");        // language table offset 0x8000
  expectError({{0x0A, {0x00, 0x01}}}, "LangId list");     // 256 languages: the list runs into FF
  expectError({{0x7A, {0xFF}}}, "LangId list ends");
  expectError({{0x8A, {0x00, 0x10}}}, "string record");   // group start beyond the end
  expectError({{0x7C, {0xFF, 0x7F}}, {0x91, {0x01, 0x00}}}, "16-bit");  // Off1 7FFF + code 1
  expectError({{0x7C, {0x9A, 0x00}}}, "a dictionary entry at pack offset 0x9B");  // code 1 beyond the end
  expectError({{0x0A, {0x00, 0x70}}}, "32768 slots");
  expectError({{0x00, {0xBB, 0xBB, 0x00, 0x01}}}, "signature");
}

// A string's block is counted along the table up to the first entry above
// its slot, in order or not (a damaged table may be in any order).
TEST(PackReader, CountsBlocksUpToTheFirstEntryAboveTheSlot) {
  const auto type = test::TypeOf(test::kBareType);
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    ByteString image = HandImage();
    const int blocks = 1 + static_cast<int>(random() % 5);
    image[0x80 + 0x04] = static_cast<std::uint8_t>(blocks);
    for (int t = 1; t < blocks; ++t) {
      const auto first = static_cast<std::uint16_t>(round % 2 ? random() % 40 : random());
      image[0x80 + 0x30 + 2 * (t - 1)] = static_cast<std::uint8_t>(first & 0xFF);
      image[0x80 + 0x31 + 2 * (t - 1)] = static_cast<std::uint8_t>(first >> 8);
    }
    const PackContents c = ReadPack(PackView(image, type.PackOffset), type);
    ASSERT_EQ(c.BlockTable.size(), static_cast<std::size_t>(blocks - 1));
    for (std::int32_t slot : {0, 1, 7, 19, 20, 39, 40, 1000, 32767, 65535}) {
      std::int64_t expected = 0;
      while (expected < std::ssize(c.BlockTable) && c.BlockTable[expected] <= slot) ++expected;
      ASSERT_EQ(BlockOfSlot(c, slot), expected) << "slot " << slot << " round " << round;
    }
  }
}

// Entries of codes that no string uses may lie anywhere.
TEST(PackReader, ReadsOnlyTheEntriesOfUsedCodes) {
  const auto type = test::TypeOf(test::kBareType);
  for (const ByteString& off4 : {ByteString{0xFF, 0x7F}, ByteString{0xF0, 0x7F}, ByteString{0x00, 0x80}}) {
    ByteString image = HandImage();
    std::copy(off4.begin(), off4.end(), image.begin() + 0x80 + 0x88);
    const PackView view(image, type.PackOffset);
    const PackContents c = ReadPack(view, type);
    EXPECT_EQ(StringOf(view, c, 0, 2), "abH");
    EXPECT_EQ(StringOf(view, c, 0, 3), "iab");
  }
}

// The records walk each group once for all of its strings; the strings and
// the refusals stay those of reading each string on its own, also where the
// block table cuts a group or the records leave the file.
TEST(PackReader, RecordsOfAllStringsReadAsEachStringOnItsOwn) {
  const auto type = test::TypeOf(test::kBareType);
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    // The hand-laid pack's records again in blocks 1 to 3, other codes in
    // each, so that a string counted into a later block is read there.
    ByteString image = HandImage();
    const ByteString records(image.begin() + 0x80 + 0x90, image.end());
    for (int block = 1; block <= 3; ++block) {
      image.resize(0x80 + block * kBlockSize + 0x90, 0xEE);
      image.insert(image.end(), records.begin(), records.end());
      for (int code : {1, 2, 5, 6, 8, 9}) image[image.size() - records.size() + code] = (records[code] + block) % 3;
    }
    const int blocks = 1 + static_cast<int>(random() % 4);
    image[0x80 + 0x04] = static_cast<std::uint8_t>(blocks);
    for (int t = 1; t < blocks; ++t) {
      image[0x80 + 0x30 + 2 * (t - 1)] = static_cast<std::uint8_t>(random() % 6);
      image[0x80 + 0x31 + 2 * (t - 1)] = 0;
    }
    if (round % 3 == 1) image[0x80 + 0x90 + random() % records.size()] = static_cast<std::uint8_t>(random());
    if (round % 3 == 2) image.resize(0x80 + 0x9B + random() % (image.size() - 0x80 - 0x9B));
    const PackView view(image, type.PackOffset);
    const PackContents c = ReadPack(view, type);
    ASSERT_EQ(EveryString(view, c, true), EveryString(view, c, false)) << "round " << round;
  }
}

}  // namespace
}  // namespace tarvo
