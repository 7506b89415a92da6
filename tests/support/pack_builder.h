// A small, independent writer of language packs for the tests: it lays out
// header, tables, dictionaries and string records the way the phone expects,
// with a plain greedy packing, so that the reader can be checked against
// images the program itself did not write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/phone_type.h"

namespace tarvo::test {

using ByteString = std::vector<std::uint8_t>;

struct PackPlan {
  std::string lgPackId = "TESTPACK";
  std::vector<std::uint8_t> langIds;           // one per language
  std::vector<std::vector<ByteString>> strings;  // [language][message] phone bytes
  ByteString languageName;                       // language files only
  std::size_t imageSize = 0;                     // flash images: at least this long
  std::uint8_t filler = 0xEE;                    // bytes the pack does not cover
};

// Phone types used across the tests.
// A flash type: pack at 0x100, every header field present.
inline constexpr const char* kFlashType = "TESTFLASH, 100, 20000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9";
// A flash type without LangId list offset and MaxMsgId fields (MaxMsgId 4).
inline constexpr const char* kBareType = "BARE, 80, 10000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4";
// A language-file type.
inline constexpr const char* kLangType = "LNGFILE, -1, 8000, 4, 6, 8, 0, A, C, E, 12, 0, 36, 128, 3";

PhoneTypeRecord TypeOf(const char* definition);

// The whole file: flash filler or language name, then the pack.
ByteString BuildImage(const PhoneTypeRecord& type, const PackPlan& plan);

// Random strings for `languages` x (`maxMsgId` + 1) messages of phone bytes.
std::vector<std::vector<ByteString>> RandomStrings(std::uint32_t seed, int languages, int maxMsgId,
                                                   int maxLength);

}  // namespace tarvo::test
