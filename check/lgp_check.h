// What a pack built from an .lgp file will hold and what is wrong with the
// text, found without writing anything: the file is read with the compile
// command's reader and packed in memory with both packers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/configuration.h"

namespace tarvo {

enum class Severity { Error, Warning };

// Which part of the report a problem belongs to.
enum class ProblemGroup { Error, Warning, Consistency };

struct Problem {
  ProblemGroup Group = ProblemGroup::Warning;
  std::string Kind;                      // a short fixed name, such as "unclosed-quote"
  std::optional<std::int64_t> Line;      // in the .lgp file, from 1
  std::optional<std::int32_t> Message;   // string number
  std::optional<std::int32_t> Language;  // from 0
  std::string Text;                      // a plain sentence
  Severity GetSeverity() const { return Group == ProblemGroup::Error ? Severity::Error : Severity::Warning; }
};

// One packing of the whole pack, as the writer would lay it out.
struct PackingSummary {
  bool Packed = false;          // false when the file could not be packed at all
  std::int64_t PackLength = 0;  // offset just behind the last string record
  std::int64_t Spare = 0;       // bytes left below PackSizeLimit; negative when over
  std::int32_t Blocks = 0;
  std::int64_t TablesEnd = 0;  // header, tables and dictionaries end here
  bool TablesFitFirstBlock = false;
  std::int32_t OverlongStrings = 0;  // packed to more than 254 codes
  // A compile with this packing would write the pack.
  bool Fits() const { return Packed && TablesFitFirstBlock && Spare >= 0 && OverlongStrings == 0; }
};

struct LanguageSummary {
  std::int32_t LangId = 0;
  std::int32_t Strings = 0;        // non-empty strings up to MaxMsgId
  std::int64_t PhoneBytes = 0;     // their encoded length
  std::int64_t StandardBytes = 0;  // dictionary and string records, standard packing
  std::int64_t CompactBytes = 0;
  std::array<std::int32_t, 5> StandardEntries{};  // dictionary entries by length (index 1 to 4)
  std::array<std::int32_t, 5> CompactEntries{};
};

// Messages of one language that share a reference text but were translated
// differently.
struct InconsistentMessage {
  std::int32_t Message = 0;
  std::int64_t Line = 0;  // of its "String" line
  std::string Text;       // its translation, UTF-8
};
struct Inconsistency {
  std::int32_t Language = 0;                  // from 0
  std::string Reference;                      // the shared reference text, UTF-8
  std::vector<InconsistentMessage> Messages;  // in number order
};

struct CheckReport {
  bool Read = false;  // the file was an .lgp file the reader took in full
  std::string PhoneType;
  std::int32_t Languages = 0;
  std::int32_t Messages = 0;  // MaxMsgId + 1
  std::int64_t PackSizeLimit = 0;
  std::int32_t Reference = 0;  // the language the others are compared with, from 0
  PackingSummary Standard, Compact;
  std::vector<LanguageSummary> PerLanguage;
  std::vector<Problem> Problems;  // errors, then warnings, then consistency, each by line
  // By language, then by first message; they change no verdict.
  std::vector<Inconsistency> Inconsistencies;

  bool HasErrors() const;
  // A compile with the standard packing would succeed.
  bool Fits() const { return !HasErrors() && Standard.Fits(); }
  bool FitsCompact() const { return !HasErrors() && Compact.Fits(); }
};

// Checks the bytes of an .lgp file. `reference` (from 0) names the language
// whose strings the others are compared with; with one beyond the file's
// languages the comparison is left out.
CheckReport CheckLgp(std::span<const std::uint8_t> file, const CharTable& table, std::int32_t reference = 0);

}  // namespace tarvo
