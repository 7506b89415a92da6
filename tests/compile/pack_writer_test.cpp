#include "compile/pack_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "compile/lgp_checks.h"
#include "flash/pack_reader.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using test::Bytes;

// Pack at 0, limit 0x8000 (block table room 3), header fields 4 to 13,
// LgPackId at 0x20, MaxMsgId at 0x12, block table at 0x40, language map of 100.
constexpr const char* kType = "W, 0, 8000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 100, 9";

LgpFile MakeLgp(const char* type, std::vector<std::vector<PhoneBytes>> strings, std::vector<std::int32_t> langIds) {
  LgpFile lgp;
  ParsePhoneType(type, lgp.PhoneType);
  lgp.AllLangs = static_cast<std::int32_t>(strings.size());
  lgp.MaxMsgId = static_cast<std::int32_t>(strings[0].size()) - 1;
  lgp.LangIds = std::move(langIds);
  lgp.LangCount = lgp.AllLangs;
  lgp.LgPackId = "ABC";
  lgp.Strings.resize(strings.size());
  for (std::size_t l = 0; l < strings.size(); ++l) {
    for (std::size_t m = 0; m < strings[l].size(); ++m) lgp.Strings[l][static_cast<std::int32_t>(m)] = strings[l][m];
  }
  return lgp;
}

std::vector<PackedLanguage> PackAll(const LgpFile& lgp) {
  PivotRandom random;
  std::vector<PackedLanguage> languages;
  for (std::int32_t l = 0; l < lgp.AllLangs; ++l) {
    std::vector<const PhoneBytes*> strings;
    for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) strings.push_back(&lgp.StringAt(l, m));
    PackedLanguage language;
    language.Dict = BuildDictionary(strings, random);
    for (const PhoneBytes* s : strings) language.Packed.push_back(PackString(*s, language.Dict));
    language.Cropped.assign(strings.size(), false);
    languages.push_back(std::move(language));
  }
  return languages;
}

// One language whose dictionary is the single byte 41, with packed strings
// of the given numbers of codes.
std::vector<PackedLanguage> RecordsOfLengths(const std::vector<std::size_t>& lengths) {
  PackedLanguage language;
  language.Dict.Entries[0] = {0x41};
  language.Dict.ClassSize[1] = 1;
  for (std::size_t n : lengths) language.Packed.emplace_back(n, 0);
  language.Cropped.assign(lengths.size(), false);
  return {language};
}

int At16(const std::vector<std::uint8_t>& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }

TEST(WritePack, PlacesRegionsAndHeaderFields) {
  LgpFile lgp = MakeLgp(kType, {std::vector<PhoneBytes>(10, Bytes({'x', 'y'}))}, {7});
  std::vector<std::uint8_t> image(0x8000, 0x5A);
  WritePack(image, false, lgp, PackAll(lgp));
  // T = 0x40 + 3 * 2 = 0x46; L = T + 100 = 0xAA; L + 1 is odd, so a gap byte
  // FF and R = 0xAC; G = R + 14 = 0xBA; D0 = G + (10 / 8 + 1) * 2 = 0xBE.
  EXPECT_EQ(Bytes({image[0], image[1], image[2], image[3]}), Bytes({0xBB, 0xBB, 0, 0}));
  EXPECT_EQ(At16(image, 0x06), 0x46);
  EXPECT_EQ(At16(image, 0x08), 0xAC);
  EXPECT_EQ(At16(image, 0x0A), 0xAA);
  EXPECT_EQ(At16(image, 0x0C), 1);
  EXPECT_EQ(At16(image, 0x0E), 7);
  EXPECT_EQ(At16(image, 0x10), 0xBA);
  EXPECT_EQ(At16(image, 0x12), 9);
  EXPECT_EQ(At16(image, 0x1E), 0x4000);
  EXPECT_EQ(std::vector<std::uint8_t>(image.begin() + 0x20, image.begin() + 0x30),
            Bytes({'A', 'B', 'C', 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(image[0xAA], 7);
  EXPECT_EQ(image[0xAB], 0xFF);
  EXPECT_EQ(image[0x46 + 7], 0);
  EXPECT_EQ(image[0x46 + 8], 0);
  EXPECT_EQ(At16(image, 0xAC), 0xBE);  // Off1 = D0
  EXPECT_EQ(At16(image, 0x04), 1);     // block count: everything in block 0
  EXPECT_EQ(image[0x40], 0x5A);        // unused block table entries keep their bytes

  lgp.LgPackId.clear();
  lgp.AllLangs = 2;
  lgp.LangIds = {7, 8};
  lgp.Strings.resize(2);
  image.assign(0x8000, 0x5A);
  WritePack(image, false, lgp, PackAll(lgp));
  EXPECT_EQ(image[0x20], 0);
  EXPECT_EQ(image[0x2F], 0xFF);
  EXPECT_EQ(At16(image, 0x08), 0xAC);  // L + 2 is even: no gap byte
  EXPECT_EQ(image[0xAB], 8);
}

TEST(WritePack, EveryLengthClassGetsItsFields) {
  // Only single bytes: the 2-, 3- and 4-byte classes are empty.
  LgpFile lgp = MakeLgp(kType, {{Bytes({1}), Bytes({2}), Bytes({3}), {}, {}, {}, {}, {}, {}, {}}}, {0});
  std::vector<std::uint8_t> image(0x8000, 0x5A);
  WritePack(image, false, lgp, PackAll(lgp));
  const std::size_t r = 0xAC;
  const int d = At16(image, r);
  EXPECT_EQ(At16(image, r + 2), 3);   // Thr1
  EXPECT_EQ(At16(image, r + 4), d + 3);
  EXPECT_EQ(At16(image, r + 6), 3);   // Thr2
  EXPECT_EQ(At16(image, r + 8), d + 3);
  EXPECT_EQ(At16(image, r + 10), 3);  // Thr3
  EXPECT_EQ(At16(image, r + 12), d + 3);

  // Pairs but no triples: the classes after an empty one are right too.
  lgp = MakeLgp(kType, {{Bytes({1, 2, 1, 2, 1, 2, 3, 3, 3, 3}), {}, {}, {}, {}, {}, {}, {}, {}, {}}}, {0});
  const auto languages = PackAll(lgp);
  image.assign(0x8000, 0x5A);
  WritePack(image, false, lgp, languages);
  const auto& sizes = languages[0].Dict.ClassSize;
  EXPECT_EQ(At16(image, r + 2), sizes[1]);
  EXPECT_EQ(At16(image, r + 6), sizes[1] + sizes[2]);
  EXPECT_EQ(At16(image, r + 10), sizes[1] + sizes[2] + sizes[3]);
  EXPECT_EQ(At16(image, r + 12), d + sizes[1] + 2 * sizes[2] + 3 * sizes[3]);
}

TEST(WritePack, GroupThatWouldEndAtTheBlockBoundaryStartsTheNextBlock) {
  // 64 messages of one language: D0 = 0xBA + (64 / 8 + 1) * 2 = 0xCC; the
  // dictionary (one byte) ends at 0xCD. Groups 0 to 6 are 8 records of 255
  // bytes; group 7 takes what is left up to the boundary, minus `short_by`.
  for (int shortBy : {0, 1}) {
    const std::int64_t start = 0xCD;
    std::vector<std::size_t> lengths(64, 254);
    const std::int64_t group7 = 16384 - start - 7 * 8 * 255 - shortBy;
    for (int i = 56; i < 63; ++i) lengths[static_cast<std::size_t>(i)] = 254;
    lengths[63] = static_cast<std::size_t>(group7 - 7 * 255 - 1);
    LgpFile lgp = MakeLgp(kType, {std::vector<PhoneBytes>(64)}, {0});
    std::vector<std::uint8_t> image(0x8000, 0x5A);
    WritePack(image, false, lgp, RecordsOfLengths(lengths));
    const std::size_t g = 0xBA;
    if (shortBy == 0) {
      EXPECT_EQ(At16(image, 0x04), 2);        // two blocks
      EXPECT_EQ(At16(image, 0x40), 56);       // block 1 starts with slot 56
      EXPECT_EQ(At16(image, g + 14), 0);      // group 7 at the start of block 1
      EXPECT_EQ(image[16383], 0x5A);          // the gap keeps its bytes
      EXPECT_EQ(image[16384], 255);
    } else {
      EXPECT_EQ(At16(image, 0x04), 1);
      EXPECT_EQ(image[16383], 0x5A);          // the last byte is left over
      EXPECT_EQ(image[16382], 0);             // code 0 of the last record
    }
    EXPECT_EQ(image[0x42], 0x5A);
  }
}

TEST(WritePack, SizeLimitHoldsForEveryRecord) {
  // The last record's last byte may lie at PackSizeLimit - 2, not at - 1.
  std::vector<std::size_t> lengths = {3, 0, 200, 7};
  LgpFile lgp = MakeLgp("W, 0, 3000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 20, 3", {std::vector<PhoneBytes>(4)}, {0});
  std::vector<std::uint8_t> image(0x4000, 0);
  WritePack(image, false, lgp, RecordsOfLengths(lengths));
  // Find the end of the last record: G = 0x40 + 2 + 20 + 2 = 0x58 (L + 1 odd:
  // R = 0x58), G = 0x66, D0 = 0x68, dictionary ends 0x69, records 4+1+201+8.
  const std::int64_t end = 0x69 + 4 + 1 + 201 + 8;
  auto limited = [&](std::int64_t limit) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%llX", static_cast<unsigned long long>(limit));
    return MakeLgp((std::string("W, 0, ") + hex + ", 4, 6, 8, A, C, E, 10, 20, 12, 40, 20, 3").c_str(),
                   {std::vector<PhoneBytes>(4)}, {0});
  };
  image.assign(0x4000, 0);
  EXPECT_NO_THROW(WritePack(image, false, limited(end + 1), RecordsOfLengths(lengths)));
  EXPECT_THROW(WritePack(image, false, limited(end), RecordsOfLengths(lengths)), SizeLimitError);
  // A long record in the middle of the group fails as well as the first would.
  lengths = {0, 250, 0, 0};
  EXPECT_THROW(WritePack(image, false, limited(0x69 + 1 + 251 + 1 + 1), RecordsOfLengths(lengths)), SizeLimitError);
}

TEST(WritePack, SizeLimitBoundaryHoldsWhicheverGroupIsLast) {
  // Records of random lengths across several blocks; for every number of
  // groups the pack just fits a limit one byte beyond its end and not one
  // that its end reaches.
  std::mt19937 random(31);
  std::vector<std::size_t> all(8 * 40);
  for (auto& n : all) n = random() % 255;
  auto typeWithLimit = [](std::int64_t limit) {
    char text[96];
    std::snprintf(text, sizeof text, "W, 0, %llX, 4, 6, 8, A, C, E, 10, 20, 12, 40, 20, 3",
                  static_cast<unsigned long long>(limit));
    return std::string(text);
  };
  int checked = 0;
  for (std::size_t groups = 1; groups <= 40; ++groups) {
    const std::vector<std::size_t> lengths(all.begin(), all.begin() + static_cast<long>(8 * groups));
    // The block table's room follows the limit; find the 16 KB bracket in
    // which the pack's end agrees with the limit.
    for (std::int64_t bracket = 0; bracket < 8; ++bracket) {
      const std::int64_t wide = bracket * 16384 + 16383;
      std::vector<std::uint8_t> image(0x30000, 0);
      LgpFile lgp = MakeLgp(typeWithLimit(wide).c_str(), {std::vector<PhoneBytes>(lengths.size())}, {0});
      WrittenRange range;
      try {
        range = WritePack(image, false, lgp, RecordsOfLengths(lengths));
      } catch (const SizeLimitError&) {
        continue;
      }
      const std::int64_t end = range.End;
      if (end / 16384 != bracket || (end + 1) / 16384 != bracket) break;
      lgp = MakeLgp(typeWithLimit(end).c_str(), {std::vector<PhoneBytes>(lengths.size())}, {0});
      EXPECT_THROW(WritePack(image, false, lgp, RecordsOfLengths(lengths)), SizeLimitError) << groups;
      lgp = MakeLgp(typeWithLimit(end + 1).c_str(), {std::vector<PhoneBytes>(lengths.size())}, {0});
      EXPECT_EQ(WritePack(image, false, lgp, RecordsOfLengths(lengths)).End, end) << groups;
      ++checked;
      break;
    }
  }
  EXPECT_GE(checked, 35);  // only a pack ending just before a bracket's end is left out
}

TEST(WritePack, RefusesTablesReachingPastTheFirstBlock) {
  std::vector<PackedLanguage> languages;
  LgpFile lgp = MakeLgp(kType, std::vector<std::vector<PhoneBytes>>(70, std::vector<PhoneBytes>(1)),
                        std::vector<std::int32_t>(70, 1));
  for (int l = 0; l < 70; ++l) {
    PackedLanguage language;
    for (int c = 0; c < 256; ++c) language.Dict.Entries[static_cast<std::size_t>(c)] = PhoneBytes(1, static_cast<std::uint8_t>(c));
    language.Dict.ClassSize[1] = 256;
    language.Packed = {{}};
    language.Cropped = {false};
    languages.push_back(language);
  }
  std::vector<std::uint8_t> image(0x8000, 0);
  try {
    WritePack(image, false, lgp, languages);
    ADD_FAILURE() << "no error";
  } catch (const SizeLimitError&) {
    ADD_FAILURE() << "wrong error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("first 16 KB block"), std::string::npos);
  }
}

TEST(WritePack, LanguageFileGetsItsTagsChecksumAndTrailer) {
  // Pack behind the name; LgPackId at 0x12, its pack-end field at 0x22.
  std::set<std::size_t> parities;
  for (std::size_t extra = 0; extra < 8; ++extra) {
    LgpFile lgp = MakeLgp("L, -1, 8000, 4, 6, 8, 0, A, C, E, 12, 0, 36, 128, 3",
                          {{Bytes({'a', 'b'}), PhoneBytes(5 + extra, 'c'), {}, Bytes({'d'})}}, {3});
    lgp.SL4xLangName = Bytes({'N', 'a', 'm'});
    std::vector<std::uint8_t> file;
    WritePack(file, true, lgp, PackAll(lgp));
    const std::size_t p = 4;
    EXPECT_EQ(Bytes({file[0], file[1], file[2], file[3]}), Bytes({'N', 'a', 'm', 0}));
    const std::size_t packLength = file.size() - p - 1;
    EXPECT_EQ(file.back(), 0x0A);
    EXPECT_EQ(Bytes({file[p + 0x2C], file[p + 0x2D], file[p + 0x2E], file[p + 0x2F], file[p + 0x31]}),
              Bytes({'S', 'L', '4', '5', 'E'}));
    EXPECT_EQ(At16(file, p + 0x22), static_cast<int>(packLength - 1));
    EXPECT_EQ(At16(file, p + 0x24), 0);
    // The exclusive or of all 16-bit words, a lone last byte completed by FF, is 0.
    std::uint8_t low = 0, high = packLength % 2 ? 0xFF : 0;
    for (std::size_t i = 0; i < packLength; ++i) (i % 2 ? high : low) ^= file[p + i];
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 0);
    parities.insert(packLength % 2);
  }
  EXPECT_EQ(parities.size(), 2u) << "both parities are covered";
}

TEST(XorChecksum, IsTheExclusiveOrOfAllBytes) {
  EXPECT_EQ(XorChecksum({}), 0);
  EXPECT_EQ(XorChecksum(Bytes({0x0F, 0xF0, 0x01})), 0xFE);
}

}  // namespace
}  // namespace tarvo
