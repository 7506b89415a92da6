#include "lgp/unicode_line.h"

namespace tarvo {

bool ReadUnicodeLine(std::span<const std::uint8_t> data, std::size_t& pos, std::u16string& line) {
  line.clear();
  const std::size_t end = data.size() - data.size() % 2;
  if (pos >= end) {
    pos = data.size();
    return false;
  }
  bool afterCr = false;
  while (pos < end) {
    const auto unit = static_cast<char16_t>(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    if (unit == u'\n' && afterCr) {
      line.pop_back();
      return true;
    }
    line.push_back(unit);
    afterCr = unit == u'\r';
  }
  pos = data.size();
  return true;
}

std::u16string_view LTrimWide(std::u16string_view line) {
  while (!line.empty() && line.front() == u' ') line.remove_prefix(1);
  return line;
}

std::u16string_view RTrimWide(std::u16string_view line) {
  while (!line.empty() && line.back() == u' ') line.remove_suffix(1);
  return line;
}

void AppendUtf16Le(std::u16string_view text, std::string& out) {
  const std::size_t at = out.size();
  out.resize(at + 2 * text.size());
  char* p = out.data() + at;
  for (char16_t unit : text) {
    *p++ = static_cast<char>(unit & 0xFF);
    *p++ = static_cast<char>(unit >> 8);
  }
}

}  // namespace tarvo
