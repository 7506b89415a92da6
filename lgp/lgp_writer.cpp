#include "lgp/lgp_writer.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <iterator>

namespace tarvo {

namespace {

std::uint8_t* PutLatin1(std::string_view latin1, std::uint8_t* at) {
  for (char c : latin1) {
    *at++ = static_cast<std::uint8_t>(c);
    *at++ = 0;
  }
  return at;
}

std::uint8_t* PutUtf16(std::u16string_view text, std::uint8_t* at) {
  if constexpr (std::endian::native == std::endian::little) {
    // The units as they lie in memory are already UTF-16LE.
    if (!text.empty()) std::memcpy(at, text.data(), 2 * text.size());
    return at + 2 * text.size();
  } else {
    for (char16_t unit : text) {
      *at++ = static_cast<std::uint8_t>(unit & 0xFF);
      *at++ = static_cast<std::uint8_t>(unit >> 8);
    }
    return at;
  }
}

std::uint8_t* PutLineEnd(std::uint8_t* at) { return PutLatin1("\r\n", at); }

}  // namespace

LgpWriter::LgpWriter() { Text(u"\uFEFF"); }

std::uint8_t* LgpWriter::Room(std::size_t units) {
  const std::size_t needed = size_ + 2 * units;
  if (needed > bytes_.size()) bytes_.resize(std::max(needed, std::max(bytes_.capacity(), 2 * bytes_.size())));
  return bytes_.data() + size_;
}

std::vector<std::uint8_t> LgpWriter::Take() && {
  bytes_.resize(size_);
  return std::move(bytes_);
}

void LgpWriter::Line(std::string_view latin1) {
  Text(latin1);
  EndLine();
}

void LgpWriter::Text(std::string_view latin1) { Written(PutLatin1(latin1, Room(latin1.size()))); }

void LgpWriter::Text(std::u16string_view text) { Written(PutUtf16(text, Room(text.size()))); }

void LgpWriter::EndLine() { Written(PutLineEnd(Room(2))); }

void LgpWriter::StringLine(std::int32_t message, bool hex, std::u16string_view text) {
  // Once for every string of a decompile: to_chars, not printf, which is slow
  // in the WebAssembly build's C library.
  char start[32] = "String $";
  char* const digits = start + (hex ? 8 : 7);
  char* end = hex ? std::to_chars(digits, std::end(start), static_cast<std::uint32_t>(message), 16).ptr
                  : std::to_chars(digits, std::end(start), message).ptr;
  if (hex)
    std::transform(digits, end, digits, [](char c) { return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c; });
  *end++ = ',';
  *end++ = ' ';
  *end++ = '"';
  const std::string_view head(start, static_cast<std::size_t>(end - start));
  std::uint8_t* at = Room(head.size() + text.size() + 3);
  at = PutLatin1(head, at);
  at = PutUtf16(text, at);
  at = PutLatin1("\"", at);
  Written(PutLineEnd(at));
}

}  // namespace tarvo
