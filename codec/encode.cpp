#include "codec/encode.h"

#include "config/text_utils.h"

namespace tarvo {

namespace {

// A window value no character has: the first character always looks up its window.
constexpr std::int32_t kNoWindow = 0x7FFF;
// After an escape of an unknown selector of 0x91 or above no selectors are written.
constexpr std::int32_t kSelectorsOff = -2;

}  // namespace

int EscapeAt(std::u16string_view text, std::size_t p) {
  if (text[p] != u'<' || p + 3 >= text.size() || text[p + 3] != u'>') return 0;
  const int high = HexDigit(text[p + 1]);
  const int low = HexDigit(text[p + 2]);
  if (high < 0 || low < 0) return 0;
  return high * 16 + low;
}

EncodeResult EncodePhoneString(std::u16string_view text, const CharTable& table) {
  EncodeResult result;
  std::vector<std::uint8_t>& out = result.Bytes;
  out.reserve(text.size() + 4);
  std::int32_t window = kNoWindow;
  std::size_t p = 0;
  while (p < text.size()) {
    if (const int escape = EscapeAt(text, p); escape != 0) {
      const auto byte = static_cast<std::uint8_t>(escape);
      if (byte < 0x20 || byte > 0x7F) {
        if (table.Knows(byte)) {
          window = table.FirstBase(byte);
        } else if (byte >= 0x91) {
          window = kSelectorsOff;
        }
      }
      out.push_back(byte);
      p += 4;
      continue;
    }

    const char16_t c = text[p];
    if (c > 0x7FFF) {
      result.Ok = false;
      result.FailedAt = p;
      return result;
    }
    const std::int32_t w = c - c % 128;
    if (window != w && window >= 0) {
      for (std::uint8_t selector : table.SelectorsOfWindow(w)) {
        out.push_back(selector);
        window = w;
      }
    }
    out.push_back(static_cast<std::uint8_t>(c - w));
    ++p;
  }
  return result;
}

}  // namespace tarvo
