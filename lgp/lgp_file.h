// The .lgp text file: its in-memory form and its reader.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/configuration.h"

namespace tarvo {

using PhoneBytes = std::vector<std::uint8_t>;

struct LgpFile {
  PhoneTypeRecord PhoneType;  // from the last complete "PhoneType" line
  std::int32_t AllLangs = 0;
  std::int32_t MaxMsgId = 0;
  std::string LgPackId;        // 8-bit characters
  PhoneBytes SL4xLangName;     // encoded
  std::int32_t LangCount = 0;  // "LangId" lines accepted
  std::vector<std::int32_t> LangIds;  // AllLangs entries, 0 where no line gave one
  // Encoded strings by language, then message number. Kept sparse: a message
  // without a "String" line is the empty string.
  std::vector<std::map<std::int32_t, PhoneBytes>> Strings;

  // The string of a language and message, empty when there is none.
  const PhoneBytes& StringAt(std::int32_t language, std::int32_t message) const;
};

enum class LgpReadStatus { Read, EmptyFile, NoByteOrderMark };

// A line that the reader passes over, or reads other than it looks, without
// refusing the file.
struct LgpWarning {
  std::int64_t Line = 0;                 // counted from 1
  std::string Kind;                      // a short fixed name, such as "unclosed-quote"
  std::optional<std::int32_t> Message;   // the string number, where one applies
  std::optional<std::int32_t> Language;  // counted from 0, where one applies
  std::string Text;                      // a plain sentence
};

// Where an accepted string came from: its line and the text between its
// quotation marks, before encoding.
struct LgpStringSource {
  std::int64_t Line = 0;
  std::u16string Text;
};

// What a reader collects beside the LgpFile for a report on the file.
struct LgpDiagnostics {
  std::vector<LgpWarning> Warnings;
  // By language, then message number, like LgpFile::Strings.
  std::vector<std::map<std::int32_t, LgpStringSource>> Sources;
  std::int64_t FailedLine = 0;  // the line named by an Error, 0 if none
  // Off where only the warnings are wanted: the sources then keep their lines
  // but not their texts, which spares a copy of every string.
  bool KeepTexts = true;
};

// Reads the bytes of a .lgp file, encoding every string with `table` as it is
// read. Lines the format cannot hold (a number beyond 16 bits, a negative
// string number, a character above U+7FFF, a "String" line with no language
// to go to) are an Error that names the line. `afterLine` runs after each line.
// With `diagnostics`, the reader also collects its warnings and the source
// of every string; what it reads into `lgp` stays the same.
LgpReadStatus ReadLgpFile(std::span<const std::uint8_t> file, const CharTable& table, LgpFile& lgp,
                          const std::function<void()>& afterLine = {}, LgpDiagnostics* diagnostics = nullptr);

}  // namespace tarvo
