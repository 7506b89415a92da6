#include "codec/decode.h"

namespace tarvo {

namespace {

void AppendEscape(std::uint8_t byte, std::u16string& out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.push_back(u'<');
  out.push_back(static_cast<char16_t>(kDigits[byte >> 4]));
  out.push_back(static_cast<char16_t>(kDigits[byte & 0x0F]));
  out.push_back(u'>');
}

// Selectors from 0x91 up that the table does not know put the decoder into
// a state where bytes stand for themselves.
constexpr std::uint8_t kFirstResettingSelector = 0x91;

}  // namespace

void DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table, bool saveSignatures,
                       std::u16string& out) {
  // 0: bytes stand for themselves; -1: after an unknown selector of 0x91 or
  // above; positive: the start of the active window.
  std::int32_t base = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      if (b < 0x20 && base <= 0) {
        AppendEscape(b, out);
      } else if (base > 0) {
        out.push_back(static_cast<char16_t>(base + b));
      } else {
        out.push_back(b);
      }
      continue;
    }

    const std::int32_t previousBase = base;
    if (b >= kFirstResettingSelector) base = -1;
    const bool found = table.Knows(b);
    if (found) base = table.LastBase(b);
    const std::uint8_t next = i + 1 < bytes.size() ? bytes[i + 1] : 0;

    // A known selector shows in the following characters; it needs an escape
    // only where it would otherwise be lost on the way back.
    const bool escape = saveSignatures || !found || next > 0x7F || (next < 0x20 && base == 0) ||
                        previousBase < 0;
    if (escape) AppendEscape(b, out);
  }
}

std::u16string DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table,
                                 bool saveSignatures) {
  std::u16string text;
  DecodePhoneString(bytes, table, saveSignatures, text);
  return text;
}

}  // namespace tarvo
