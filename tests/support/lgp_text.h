// Building and taking apart .lgp files in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lgp/unicode_line.h"

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

// Gives every "String" line about 200 characters of recurring menu words in
// window 0, written as the decompile command writes them with signatures.
inline void FillWithRecurringWords(std::vector<std::u16string>& lines) {
  const char16_t* words[] = {u"open ", u"close ", u"settings ", u"message ", u"the ", u"phone ", u"call ", u"menu "};
  unsigned seed = 1;
  for (auto& line : lines) {
    if (!line.starts_with(u"String ")) continue;
    std::u16string text;
    while (text.size() < 200) text += words[((seed = seed * 1103515245 + 12345) >> 16) & 7];
    line = line.substr(0, line.find(u'"')) + u"\"<80>" + text + u"\"";
  }
}

}  // namespace tarvo::test
