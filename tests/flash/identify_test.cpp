#include "flash/identify.h"

#include <gtest/gtest.h>

#include "tests/support/pack_builder.h"

namespace tarvo {
namespace {

using test::ByteString;

Configuration ConfigWith(std::initializer_list<std::string> phoneTypes) {
  Configuration config;
  std::string text = "TRANS 80,0\n";
  for (const auto& type : phoneTypes) text += "PHONETYPE " + type + "\n";
  LoadConfigurationText(text, config);
  return config;
}

ByteString ImageWithSignatureAt(std::size_t at, std::size_t size) {
  ByteString image(size, 0x11);
  image[at] = 0xBB, image[at + 1] = 0xBB, image[at + 2] = 0, image[at + 3] = 0;
  return image;
}

constexpr const char* kTail = ", 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9";

TEST(Identify, TakesTheFirstTypeThatFits) {
  const ByteString image = ImageWithSignatureAt(0x100, 0x400);
  Configuration config = ConfigWith({std::string("A, 200") + kTail, std::string("B, 100") + kTail,
                                     std::string("C, 100") + kTail});
  EXPECT_EQ(IdentifyFlash(image, "x.bin", config, true).TypeIndex, 1);
}

TEST(Identify, ComparesIdBytesUnlessTheLastHasOffsetZero) {
  ByteString image = ImageWithSignatureAt(0x100, 0x400);
  image[0x10] = 0x42;
  Configuration config = ConfigWith({std::string("WRONG, 100") + kTail + ", 10, 43",
                                     std::string("SKIPPED, 100") + kTail + ", 10, 43, 0, 0",
                                     std::string("RIGHT, 100") + kTail + ", 10, 42"});
  EXPECT_EQ(IdentifyFlash(image, "x.bin", config, true).TypeIndex, 1);
  config.PhoneTypes.erase(config.PhoneTypes.begin() + 1);
  EXPECT_EQ(IdentifyFlash(image, "x.bin", config, true).TypeIndex, 1);
}

TEST(Identify, BytesBeyondTheEndNeverMatch) {
  const ByteString image = ImageWithSignatureAt(0x100, 0x104);
  Configuration config = ConfigWith({std::string("FAR, 1000") + kTail, std::string("IDFAR, 100") + kTail + ", 9999, 11",
                                     std::string("EDGE, 101") + kTail});
  EXPECT_EQ(IdentifyFlash(image, "x.bin", config, true).TypeIndex, -1);
  EXPECT_EQ(IdentifyFlash({}, "x.bin", config, true).TypeIndex, -1);
}

TEST(Identify, LanguageFileGivesItsOffsetToTheFirstLanguageFileTypeAndLeavesTheConfigurationAlone) {
  ByteString file = {0x41, 0x42, 0x00, 0xBB, 0xBB, 0x00, 0x00, 0x55};
  Configuration config =
      ConfigWith({std::string("FLASH, 100") + kTail, std::string("LNG1, -1") + kTail, std::string("LNG2, -1") + kTail});
  const Identification id = IdentifyFlash(file, "/some/dir/lang.LnG", config, true);
  EXPECT_EQ(id.TypeIndex, 1);
  EXPECT_EQ(id.LanguageName, u"AB");
  EXPECT_EQ(id.Type.PackOffset, 3);
  EXPECT_EQ(config.PhoneTypes[1].PackOffset, 0);

  // The same bytes under another extension are no language file, and no
  // offset of an earlier file is kept.
  const Identification bin = IdentifyFlash(file, "lang.bin", config, true);
  EXPECT_EQ(bin.TypeIndex, -1);
  EXPECT_TRUE(bin.LanguageName.empty());

  // A language file without a byte 00 is not identified.
  EXPECT_EQ(IdentifyFlash(ByteString{0x41, 0x42}, "x.lng", config, true).TypeIndex, -1);
}

TEST(Identify, LanguageFileWithoutLanguageFileTypeIsTestedLikeAnImage) {
  const ByteString image = ImageWithSignatureAt(0x100, 0x400);
  Configuration config = ConfigWith({std::string("FLASH, 100") + kTail});
  const Identification id = IdentifyFlash(image, "x.lng", config, true);
  EXPECT_EQ(id.TypeIndex, 0);
  EXPECT_TRUE(id.LanguageName.empty());
}

TEST(Identify, EmptyRecordsNeverMatch) {
  ByteString image = ImageWithSignatureAt(0, 0x10);
  Configuration config = ConfigWith({"too, few, items"});
  EXPECT_EQ(IdentifyFlash(image, "x.bin", config, true).TypeIndex, -1);
}

TEST(Identify, LanguageFilePathTest) {
  EXPECT_TRUE(IsLanguageFilePath("a.lng"));
  EXPECT_TRUE(IsLanguageFilePath("A.LnG"));
  EXPECT_TRUE(IsLanguageFilePath("aLNG"));
  EXPECT_FALSE(IsLanguageFilePath("a.bin"));
  EXPECT_FALSE(IsLanguageFilePath("NG"));
}

}  // namespace
}  // namespace tarvo
