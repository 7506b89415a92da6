// Reading a language pack: header, tables, and any string expanded through
// its language's dictionary into phone bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/phone_type.h"
#include "flash/pack_view.h"

namespace tarvo {

// One language's table entry. Off[u] is the offset of the u-byte entries;
// Thr[u] is the first code of the (u+1)-byte entries (Thr[0] is 0).
struct LanguageTableEntry {
  std::array<std::int16_t, 5> Off{};  // Off[1..4]
  std::array<std::int16_t, 4> Thr{};  // Thr[0..3]
};

// Where a code's dictionary entry lies, worked out once per language, and
// its bytes when they can be read.
struct DictionaryEntryPlace {
  std::int32_t Offset = 0;  // relative to P, 16-bit arithmetic
  std::uint8_t Length = 0;  // 1 to 4
  bool Overflows = false;   // the offset arithmetic left 16 bits
  bool Readable = false;    // neither overflows nor leaves the file
  std::array<std::uint8_t, 4> Bytes{};  // the first Length count
};

struct PackContents {
  std::int32_t BlockCount = 0;
  std::int32_t LangMapOffset = 0;
  std::int32_t LangTableOffset = 0;
  std::int32_t LangIdListOffset = 0;
  std::int32_t AllLangs = 0;
  std::int32_t FirstLangId = 0;
  std::int32_t StringIndexOffset = 0;
  std::int32_t MaxMsgId = 0;
  std::string LgPackId;                  // 8-bit characters
  std::vector<std::int32_t> BlockTable;  // slot of the first string of block 1, 2, ...
  // The running maximum of BlockTable: a string lies in the block numbered
  // by the entries up to the first one above its slot, which a binary
  // search finds here even where a damaged table is out of order.
  std::vector<std::int32_t> BlockSearch;
  std::vector<std::uint8_t> LangMap;
  std::vector<std::uint8_t> LangIds;
  std::vector<LanguageTableEntry> Languages;
  std::vector<std::array<DictionaryEntryPlace, 256>> Dictionaries;  // by language
};

// Reads header and tables of the pack at the phone type's PackOffset.
// Anything that lies outside the file or breaks the format's 16-bit limits
// is an Error.
PackContents ReadPack(const PackView& pack, const PhoneTypeRecord& type);

// The block that holds the string of `slot`: as many as there are entries of
// the block table before the first one above the slot.
std::int64_t BlockOfSlot(const PackContents& contents, std::int32_t slot);

// The most phone bytes a string record can expand to: a length byte of 255
// leaves 254 codes, each of up to four bytes.
inline constexpr std::size_t kMostStringPhoneBytes = 254 * 4;
using PackStringBuffer = std::array<std::uint8_t, kMostStringPhoneBytes>;

// The phone bytes of message `message` in language `language`, expanded
// into `buffer`.
std::span<const std::uint8_t> ReadPackString(const PackView& pack, const PackContents& contents,
                                             std::int32_t language, std::int32_t message, PackStringBuffer& buffer);

// Where the record of every slot lies, in slot order, for a reader of every
// string: the records of a group are walked once for all of its slots.
// Refuses what ReadPackString refuses, as reading slot after slot would.
std::vector<std::int64_t> StringRecords(const PackView& pack, const PackContents& contents);

// The phone bytes of the string in language `language` whose record lies
// at `record`, expanded into `buffer`.
std::span<const std::uint8_t> ReadPackRecord(const PackView& pack, const PackContents& contents,
                                             std::int32_t language, std::int64_t record, PackStringBuffer& buffer);

// Appends the phone bytes of message `message` in language `language`.
void ReadPackString(const PackView& pack, const PackContents& contents, std::int32_t language,
                    std::int32_t message, std::vector<std::uint8_t>& out);

}  // namespace tarvo
