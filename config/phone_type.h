// One configured phone type: where the language pack lies in the image,
// where its header fields lie inside the pack, and what identifies it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

struct IdByte {
  std::int32_t Offset = 0;  // absolute offset in the flash file
  std::uint8_t Value = 0;   // the byte expected there
};

struct PhoneTypeRecord {
  std::string Name;
  std::int32_t PackOffset = 0;     // absolute offset of the pack (P)
  std::int32_t PackSizeLimit = 0;  // largest pack size, counted from P
  // Positions relative to P of the pack's 16-bit header fields.
  std::int32_t BlockCountPos = 0;
  std::int32_t LangMapOffsetPos = 0;
  std::int32_t LangTableOffsetPos = 0;
  std::int32_t LangIdListOffsetPos = 0;  // 0: no field, the list follows the language map
  std::int32_t AllLangsPos = 0;
  std::int32_t FirstLangIdPos = 0;
  std::int32_t StringIndexOffsetPos = 0;
  std::int32_t LgPackIdPos = 0;  // the 16-byte identifier field itself
  std::int32_t MaxMsgIdPos = 0;  // 0: no field, DefaultMaxMsgId applies
  std::int32_t BlockTablePos = 0;  // the block table itself
  std::int16_t LangMapSize = 0;
  std::int32_t DefaultMaxMsgId = 0;
  std::string Definition;  // the whole value text, as written
  bool IsLangFile = false;  // an SL4x language file: name, byte 00, then the pack
  std::vector<IdByte> IdBytes;
};

// A record that no value of 15 items or more has filled: identification skips
// it and the compile command cannot write with it.
bool IsEmptyRecord(const PhoneTypeRecord& type);

// Fills `record` from a phone-type value (comma-separated items). A value of
// fewer than 15 items, or one whose items 14 or 15 do not fit their 16- and
// 32-bit fields, leaves the record exactly as it was. `IsLangFile` is set by an
// item 2 of "-1" and never cleared.
void ParsePhoneType(std::string_view value, PhoneTypeRecord& record);

}  // namespace tarvo
