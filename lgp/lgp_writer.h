// Writing .lgp text: a UTF-16LE file with its byte order mark, built in
// memory line by line, every line ended by CR LF.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tarvo {

class LgpWriter {
 public:
  LgpWriter();
  // Room for about `bytes` in all, so that a long file is not copied as it grows.
  void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }

  // A line of 8-bit header text.
  void Line(std::string_view latin1);
  void Text(std::string_view latin1);
  void Text(std::u16string_view text);
  void EndLine();
  // "String 26, \"text\"" or, in hex, "String $1A, \"text\"", with its line end.
  void StringLine(std::int32_t message, bool hex, std::u16string_view text);
  // The same line, its text written by `write` straight into the file (a
  // decompile writes every string so): `write` gets room for `mostUnits`
  // units and returns the end of what it wrote.
  template <typename Write>
  void StringLine(std::int32_t message, bool hex, std::size_t mostUnits, Write&& write) {
    char16_t* const text = StringLineStart(message, hex, mostUnits);
    StringLineEnd(text, write(text));
  }

  std::span<const std::uint8_t> Bytes() const { return {bytes_.data(), size_}; }
  std::vector<std::uint8_t> Take() &&;

 private:
  // Writes the line up to its text and returns the room for the text.
  char16_t* StringLineStart(std::int32_t message, bool hex, std::size_t mostUnits);
  // Ends the line whose text was written from `text` to `end`.
  void StringLineEnd(char16_t* text, char16_t* end);

  // Where `units` more UTF-16 units go; Written() then ends the text there.
  std::uint8_t* Room(std::size_t units);
  void Written(const std::uint8_t* end) { size_ = static_cast<std::size_t>(end - bytes_.data()); }

  // Written up to size_; the rest is room, so that the many short pieces of
  // a decompile are plain stores.
  std::vector<std::uint8_t> bytes_;
  std::size_t size_ = 0;
};

}  // namespace tarvo
