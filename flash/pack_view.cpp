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

bool PackView::Contains(std::int64_t offset, std::int64_t count) const {
  const std::int64_t at = p_ + offset;
  const auto size = static_cast<std::int64_t>(file_.size());
  return count >= 0 && at >= 0 && at <= size && count <= size - at;
}

std::span<const std::uint8_t> PackView::Bytes(std::int64_t offset, std::int64_t count, const char* what) const {
  if (!Contains(offset, count)) {
    throw Error(std::string("The language pack is damaged: ") + what + " at pack offset " + HexText(offset) +
                " (file offset " + HexText(p_ + offset) + ") lies outside the file.");
  }
  return file_.subspan(static_cast<std::size_t>(p_ + offset), static_cast<std::size_t>(count));
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
