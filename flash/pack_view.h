// Bounds-checked reads of a language pack that lies at P in a file's bytes.
// A read that leaves the file is an Error naming what was read and where.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarvo {

class PackView {
 public:
  PackView(std::span<const std::uint8_t> file, std::int64_t packOffset) : file_(file), p_(packOffset) {}

  std::int64_t PackOffset() const { return p_; }
  std::span<const std::uint8_t> File() const { return file_; }

  // Offsets are relative to P; `what` names the field for the message.
  std::uint8_t Byte(std::int64_t offset, const char* what) const { return Bytes(offset, 1, what)[0]; }
  std::int16_t Int16(std::int64_t offset, const char* what) const;    // signed little-endian
  std::int32_t UInt16(std::int64_t offset, const char* what) const;   // 0 to 65535
  std::span<const std::uint8_t> Bytes(std::int64_t offset, std::int64_t count, const char* what) const {
    if (!Contains(offset, count)) Outside(offset, what);
    return file_.subspan(static_cast<std::size_t>(p_ + offset), static_cast<std::size_t>(count));
  }
  bool Contains(std::int64_t offset, std::int64_t count) const {
    const std::int64_t at = p_ + offset;
    const auto size = static_cast<std::int64_t>(file_.size());
    return count >= 0 && at >= 0 && at <= size && count <= size - at;
  }
  // The Error of a read at `offset` that leaves the file.
  [[noreturn]] void Outside(std::int64_t offset, const char* what) const;

 private:

  std::span<const std::uint8_t> file_;
  std::int64_t p_;
};

// Results of the pack's 16-bit signed offset arithmetic; a value outside
// -32768..32767 is an Error naming `what`.
std::int32_t Offset16(std::int64_t value, const char* what);

// "0x1A2B" for messages.
std::string HexText(std::int64_t value);

}  // namespace tarvo
