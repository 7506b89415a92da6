// Small text and number routines shared by the configuration loader, the
// phone-type parser, the text encoder and the .lgp reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

// The value of one hexadecimal digit, either letter case, or -1.
int HexDigit(char32_t c);

// ASCII letters in upper case; other characters as they are.
std::string UpperAscii(std::string_view text);

// Value of a hexadecimal numeral without prefix, either letter case.
// Any character that is not a hexadecimal digit makes the whole result 0,
// and so does the empty text or a value that does not fit 32 bits signed.
std::int32_t HexValue(std::string_view text);

// Cuts a comma-separated text into items, each trimmed of spaces. An empty
// item between commas is kept; nothing follows a trailing comma.
std::vector<std::string> SplitList(std::string_view text);

// Removes space characters (only 0x20, never tabs) from the ends.
std::string_view TrimSpaces(std::string_view text);
std::string_view TrimLeadingSpaces(std::string_view text);
std::string_view TrimTrailingSpaces(std::string_view text);

// Lenient decimal reading: spaces, tabs and line feeds are skipped wherever
// they stand, then an optional sign, digits and an optional fraction are
// read up to the first character that cannot continue the number. A text
// without digits reads as 0. The value is rounded to the nearest integer,
// halves to the even neighbour. Returns nothing when the rounded value lies
// outside [min, max].
std::optional<std::int32_t> ReadDecimal(std::u16string_view text, std::int32_t min, std::int32_t max);
std::optional<std::int32_t> ReadDecimal(std::string_view text, std::int32_t min, std::int32_t max);

// 8-bit text to UTF-16 units and back, one unit per byte (Latin-1). The
// narrowing direction reports a unit above 0xFF through its result.
std::u16string Latin1ToUtf16(std::string_view text);

// "U+0416": a character as messages name it, at least four hexadecimal digits.
std::string CodePointName(char32_t c);
std::optional<std::string> Utf16ToLatin1(std::u16string_view text);

}  // namespace tarvo
