// Building and taking apart .lgp files in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/unicode_line.h"

namespace tarvo::test {

// The file bytes: byte order mark, then every line with CR LF.
inline std::vector<std::uint8_t> LgpBytes(const std::vector<std::u16string>& lines) {
  std::string bytes = "\xFF\xFE";
  for (const auto& line : lines) {
    AppendUtf16Le(line, bytes);
    AppendUtf16Le(u"\r\n", bytes);
  }
  return {bytes.begin(), bytes.end()};
}

inline std::vector<std::u16string> LgpLines(const std::vector<std::uint8_t>& file) {
  std::vector<std::u16string> lines;
  std::size_t pos = 2;
  std::u16string line;
  while (ReadUnicodeLine(file, pos, line)) lines.push_back(line);
  return lines;
}

}  // namespace tarvo::test
