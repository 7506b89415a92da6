// The binary language pack (LGpack) as it lies in a flash image or an SL4x
// language file. The reader and the writer both take every position from here.
//
//   P + 0                signature BB BB 00 00
//   header fields        16-bit little-endian, at positions the phone type gives:
//                          BlockCountPos, LangMapOffsetPos, LangTableOffsetPos,
//                          LangIdListOffsetPos (optional), AllLangsPos,
//                          FirstLangIdPos, StringIndexOffsetPos, MaxMsgIdPos
//                          (optional); LgPackIdPos - 2: block size 00 40;
//                          LgPackIdPos: 16-byte identifier, text 00 FF FF ...
//   BlockTablePos        block table: slot of the first string of block 1, 2, ...
//   T                    language map, LangMapSize bytes indexed by LangId
//   L                    LangId list, one byte per language [FF gap byte]
//   R (even)             language table, 14 bytes per language:
//                          Off1 Thr1 Off2 Thr2 Off3 Thr3 Off4
//   G                    string index: start of each group of 8 slots in its block
//   D0                   dictionaries, language 0 first; entries of 1, 2, 3, 4 bytes
//   ...                  string records [length + 1][codes], 8 to a group; a group
//                        never crosses a 16 KB block boundary
//
// An SL4x language file is the language name in phone bytes, a byte 00 and
// the pack (P = name length + 1), with a model tag, the pack's last offset
// and a checksum inside the pack and a byte 0A behind it.
#pragma once

#include <array>
#include <cstdint>

#include "config/phone_type.h"

namespace tarvo {

inline constexpr std::int32_t kBlockSize = 16384;
inline constexpr std::array<std::uint8_t, 4> kPackSignature = {0xBB, 0xBB, 0x00, 0x00};

inline constexpr std::int32_t kLgPackIdFieldSize = 16;
inline constexpr std::int32_t kMaxLgPackIdLength = kLgPackIdFieldSize - 1;
// The block size field stands just before the identifier field.
inline constexpr std::int32_t kBlockSizeFieldBeforeLgPackId = 2;

inline constexpr std::int32_t kSlotsPerGroup = 8;
inline constexpr std::int32_t kMaxPackedLength = 254;  // codes of one string record
inline constexpr std::int32_t kDictionaryCodes = 256;
inline constexpr std::int32_t kMaxEntryLength = 4;
inline constexpr std::uint8_t kLangIdListEnd = 0xFF;
inline constexpr std::uint8_t kGapFill = 0xFF;

// Language table entry: seven 16-bit fields. Off1 is the start of the
// language's dictionary; Thr(u) is the first code of the (u+1)-byte entries
// and Off(u) the offset of the u-byte entries.
inline constexpr std::int32_t kLangTableEntrySize = 14;
inline constexpr std::int32_t OffFieldPos(int length) { return (length - 1) * 4; }      // Off1..Off4
inline constexpr std::int32_t ThrFieldPos(int length) { return (length - 1) * 4 - 2; }  // Thr(u-1), u = 2..4

// Fields of an SL4x language file, relative to P.
inline constexpr std::int32_t kLangFileModelTagPos = 0x2C;  // "SL45"
inline constexpr std::array<std::uint8_t, 4> kLangFileModelTag = {'S', 'L', '4', '5'};
inline constexpr std::int32_t kLangFileModelLetterPos = 0x31;  // "E"
inline constexpr std::uint8_t kLangFileModelLetter = 'E';
inline constexpr std::int32_t kLangFileChecksumPos = 0x34;  // low byte; high byte at + 1
inline constexpr std::int32_t kLangFilePackEndAfterLgPackId = 16;  // 32-bit: pack length - 1
inline constexpr std::uint8_t kLangFileTrailer = 0x0A;

// Offsets stored in the header are signed 16-bit values.
inline constexpr std::int32_t kMaxHeaderOffset = 32767;

// Number of entries the block table has room for.
inline std::int32_t BlockTableRoom(const PhoneTypeRecord& type) { return type.PackSizeLimit / kBlockSize + 1; }

}  // namespace tarvo
