// Helpers that let codec tests write texts and bytes compactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/configuration.h"

namespace tarvo::test {

inline std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
  return bytes;
}

// ASCII text as UTF-16 units.
inline std::u16string U(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline CharTable Table(std::initializer_list<CharTableEntry> entries) {
  CharTable table;
  for (const auto& e : entries) table.Add(e);
  return table;
}

}  // namespace tarvo::test
