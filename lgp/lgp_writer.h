// Writing .lgp text: a UTF-16LE file with its byte order mark, built in
// memory line by line, every line ended by CR LF.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

class LgpWriter {
 public:
  LgpWriter();

  // A line of 8-bit header text.
  void Line(std::string_view latin1);
  void Text(std::string_view latin1);
  void Text(std::u16string_view text);
  // "String 26, \"" or, in hex, "String $1A, \"": the start of a string line.
  void StringLineStart(std::int32_t message, bool hex);
  void EndLine();

  std::span<const std::uint8_t> Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size()};
  }

 private:
  std::string bytes_;
};

}  // namespace tarvo
