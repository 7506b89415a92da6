// UTF-16LE line input, trimming of space units, and two-byte numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

// Reads the next line of UTF-16LE `data` from `pos` into `line` (replacing
// its contents) and moves `pos` past the line's CR LF or to the end. Only the
// unit pair CR LF ends a line; a lone CR or LF stays in it. A lone last byte
// is dropped. Returns false when `pos` was already at the end.
bool ReadUnicodeLine(std::span<const std::uint8_t> data, std::size_t& pos, std::u16string& line);

// Remove leading / trailing space units (U+0020 only).
std::u16string_view LTrimWide(std::u16string_view line);
std::u16string_view RTrimWide(std::u16string_view line);

// The little-endian value of the first two bytes: 0 to 65535.
inline std::int32_t BE_int(std::span<const std::uint8_t, 2> bytes) { return bytes[0] + 256 * bytes[1]; }

// Appends text as UTF-16LE bytes.
void AppendUtf16Le(std::u16string_view text, std::string& out);

}  // namespace tarvo
