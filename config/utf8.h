// UTF-16 text of the .lgp and UTF-8 text of PO files and reports, one into the other.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// Appends the UTF-8 form of one code point (at most U+10FFFF, no surrogate).
void AppendUtf8(char32_t c, std::string& out);

// UTF-8 of UTF-16 text; nothing when the text holds a lone surrogate, which
// UTF-8 cannot express.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// The code points of UTF-8 text; nothing when the bytes are not UTF-8.
std::optional<std::u32string> Utf8ToCodePoints(std::string_view text);

}  // namespace tarvo
