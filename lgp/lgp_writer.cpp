#include "lgp/lgp_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>

#include "config/text_utils.h"
#include "lgp/unicode_line.h"

namespace tarvo {

LgpWriter::LgpWriter() : bytes_("\xFF\xFE") {}

void LgpWriter::Line(std::string_view latin1) {
  Text(latin1);
  EndLine();
}

void LgpWriter::Text(std::string_view latin1) { AppendUtf16Le(Latin1ToUtf16(latin1), bytes_); }

void LgpWriter::Text(std::u16string_view text) { AppendUtf16Le(text, bytes_); }

void LgpWriter::StringLineStart(std::int32_t message, bool hex) {
  // Once for every string of a decompile: to_chars, not printf, which is slow
  // in the WebAssembly build's C library.
  char text[32] = "String $";
  char* const digits = text + (hex ? 8 : 7);
  char* end = hex ? std::to_chars(digits, std::end(text), static_cast<std::uint32_t>(message), 16).ptr
                  : std::to_chars(digits, std::end(text), message).ptr;
  if (hex)
    std::transform(digits, end, digits,
                   [](char c) { return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c; });
  *end++ = ',';
  *end++ = ' ';
  *end++ = '"';
  Text(std::string_view(text, static_cast<std::size_t>(end - text)));
}

void LgpWriter::EndLine() { AppendUtf16Le(u"\r\n", bytes_); }

}  // namespace tarvo
