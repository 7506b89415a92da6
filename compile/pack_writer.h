// Writing a packed language pack into the bytes of a flash image or a new
// language file, in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "compile/packing.h"
#include "config/error.h"
#include "flash/layout.h"
#include "lgp/lgp_file.h"

namespace tarvo {

struct PackedLanguage {
  Dictionary Dict;
  std::vector<PhoneBytes> Packed;  // codes of messages 0 to MaxMsgId
  std::vector<bool> Cropped;       // the user let these be cut to 254 codes
  // The codes each cropped string packed to before it was cut, by message.
  std::map<std::int32_t, std::size_t> CroppedFrom;
};

inline constexpr const char* kSizeLimitText = "The langpack size exceeds phone's limit! Try to reduce it...";

// A string record would reach the phone type's PackSizeLimit.
class SizeLimitError : public Error {
 public:
  using Error::Error;
};

// The header, tables and dictionaries would end beyond the first block.
class TablesPastFirstBlockError : public Error {
 public:
  using Error::Error;
};
std::string TablesPastFirstBlockText(std::int64_t dictionariesEnd);

// Where the writer puts the regions behind the header (offsets from P).
struct PackPlacement {
  std::int32_t T = 0;   // language map, behind the block table's full room
  std::int32_t L = 0;   // LangId list
  std::int32_t R = 0;   // language table, at an even offset
  std::int32_t G = 0;   // string index
  std::int32_t D0 = 0;  // dictionaries, then string records
};

// Every start must fit the header's 16-bit offsets; otherwise an Error.
PackPlacement PlacePack(const PhoneTypeRecord& type, std::int32_t languages, std::int32_t maxMsgId);

// The pack's start in the file: PackOffset, or behind a language file's name.
std::int64_t PackStart(const LgpFile& lgp);

struct WrittenRange {
  std::int64_t First = 0;  // lowest pack offset written
  std::int64_t End = 0;    // one past the highest
};

// Writes header, tables, dictionaries and string records at P of `file`.
// A flash image (`grow` false) must already hold every byte written; a
// language file's buffer grows, zero-filled. Bytes not written keep their
// values. Throws SizeLimitError when a record would reach PackSizeLimit and
// Error when the tables reach past the first block. `afterMessage` runs
// after each message number's strings.
WrittenRange WritePack(std::vector<std::uint8_t>& file, bool grow, const LgpFile& lgp,
                       std::span<const PackedLanguage> languages,
                       const std::function<void()>& afterMessage = {});

// The pack as WritePack would lay it out, measured without writing.
struct PackMeasure {
  std::int64_t DictionariesEnd = 0;  // offset just behind the last dictionary
  std::int64_t Length = 0;           // offset just behind the last string record
  std::int32_t Blocks = 0;           // blocks used
  std::int64_t SizeLimit = 0;        // the phone type's PackSizeLimit
  // Every record ends before the size limit and the tables in the first block.
  bool Fits() const { return DictionariesEnd < kBlockSize && Length < SizeLimit; }
  // Bytes left below the limit; negative when the records reach it.
  std::int64_t Spare() const { return SizeLimit - 1 - Length; }
};

// Throws Error only when the regions do not fit the 16-bit header.
PackMeasure MeasurePack(const LgpFile& lgp, std::span<const PackedLanguage> languages);

std::uint8_t XorChecksum(std::span<const std::uint8_t> bytes);

}  // namespace tarvo
