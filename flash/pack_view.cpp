#include "flash/pack_view.h"

#include <cstdio>

#include "config/error.h"

namespace tarvo {

std::string HexText(std::int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, value < 0 ? "-0x%llX" : "0x%llX",
                static_cast<unsigned long long>(value < 0 ? -value : value));
  return text;
}

void PackView::Outside(std::int64_t offset, const char* what) const {
  throw Error(std::string("The language pack is damaged: ") + what + " at pack offset " + HexText(offset) +
              " (file offset " + HexText(p_ + offset) + ") lies outside the file.");
}

std::int16_t PackView::Int16(std::int64_t offset, const char* what) const {
  return static_cast<std::int16_t>(UInt16(offset, what));
}

std::int32_t PackView::UInt16(std::int64_t offset, const char* what) const {
  const auto bytes = Bytes(offset, 2, what);
  return bytes[0] | (bytes[1] << 8);
}

std::int32_t Offset16(std::int64_t value, const char* what) {
  if (value < INT16_MIN || value > INT16_MAX) {
    throw Error(std::string("The language pack is damaged: ") + what + " (" + std::to_string(value) +
                ") does not fit the pack's 16-bit offsets.");
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace tarvo
