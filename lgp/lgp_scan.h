// A line-level view of a .lgp file that keeps every byte: which "String" line
// gives each language and message its text, by the same rules as the reader
// of the compile command, and an editor that changes only the text between
// the quotation marks of those lines (or adds lines where there are none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace tarvo {

// Where the text of one message stands: the last "String" line of that
// number in the language's section that ends with a quotation mark.
struct LgpTextLine {
  std::size_t Line = 0;       // counted from 1
  std::size_t TextBegin = 0;  // byte offsets in the file of the text between the quotation marks
  std::size_t TextEnd = 0;
  bool HexNumber = false;  // the number is written as "$1A"
};

struct LgpSection {
  std::int32_t LangId = 0;
  std::size_t LangIdLine = 0;  // the "LangId" line that begins it; 0 when an "AllLangs" line came later
  std::map<std::int32_t, LgpTextLine> Texts;  // by message number
};

struct LgpScan {
  std::int32_t MaxMsgId = 0;
  std::u16string LgPackId;
  std::vector<LgpSection> Languages;    // in file order, as many as the reader accepts
  std::vector<std::size_t> LineStarts;  // byte offset of each line, then the end of its last unit
  // A text holding a character above U+7FFF is kept, as a translation in
  // progress may; this is the Error the compile command gives for the first
  // such text, empty when there is none.
  std::string CompileRefusal;

  // The text of a message as the file holds it; empty where no line gives one.
  std::u16string Text(std::span<const std::uint8_t> file, std::size_t language, std::int32_t message) const;
};

// Scans the bytes of a .lgp file by the compile command's rules. A file
// without the byte order mark FF FE is an Error, and so is a file that the
// compile command refuses, with the compile command's text; only a text
// above U+7FFF is kept instead (see CompileRefusal).
LgpScan ScanLgp(std::span<const std::uint8_t> file);

// The file with new texts for some messages of some languages (counted from
// 0): only the bytes between the quotation marks of their lines change, and a
// message without a line gets one, in number order within its section. The
// result is scanned again and must give exactly the intended texts.
std::vector<std::uint8_t> EditLgpTexts(
    std::span<const std::uint8_t> file, const LgpScan& scan,
    const std::map<std::size_t, std::map<std::int32_t, std::u16string>>& textsByLanguage);

// The same for one language.
std::vector<std::uint8_t> EditLgpTexts(std::span<const std::uint8_t> file, const LgpScan& scan,
                                       std::size_t language,
                                       const std::map<std::int32_t, std::u16string>& texts);

}  // namespace tarvo
