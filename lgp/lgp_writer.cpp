#include "lgp/lgp_writer.h"

#include <algorithm>
#include <bit>
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

// Around the text of a string line.
constexpr std::string_view kTextOpen = ", \"";
constexpr std::string_view kTextClose = "\"\r\n";

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
  StringLine(message, hex, text.size(), [text](char16_t* at) { return std::copy(text.begin(), text.end(), at); });
}

char16_t* LgpWriter::StringLineStart(std::int32_t message, bool hex, std::size_t mostUnits) {
  // Once for every string of a decompile: the digits by hand, where the
  // library's conversions are calls of their own in the WebAssembly build.
  char digits[10];
  char* const digitsEnd = std::end(digits);
  char* first = digitsEnd;
  auto number = static_cast<std::uint32_t>(message);
  do {
    *--first = "0123456789ABCDEF"[hex ? number % 16 : number % 10];
    number = hex ? number / 16 : number / 10;
  } while (number != 0);
  const std::string_view head = hex ? "String $" : "String ";
  const std::string_view digitText(first, static_cast<std::size_t>(digitsEnd - first));
  std::uint8_t* at = Room(head.size() + digitText.size() + kTextOpen.size() + mostUnits + kTextClose.size());
  at = PutLatin1(kTextOpen, PutLatin1(digitText, PutLatin1(head, at)));
  // Every piece of the file is a whole number of units from its start, so
  // the room is aligned for them.
  return reinterpret_cast<char16_t*>(at);
}

void LgpWriter::StringLineEnd(char16_t* text, char16_t* end) {
  if constexpr (std::endian::native == std::endian::big) {
    for (char16_t* unit = text; unit != end; ++unit) *unit = static_cast<char16_t>((*unit >> 8) | (*unit << 8));
  }
  Written(PutLatin1(kTextClose, reinterpret_cast<std::uint8_t*>(end)));
}

}  // namespace tarvo
