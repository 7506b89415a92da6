#include "config/text_utils.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tarvo {

namespace {

template <typename Char>
std::optional<std::int32_t> ReadDecimalImpl(std::basic_string_view<Char> text, std::int32_t min,
                                            std::int32_t max) {
  auto isBlank = [](Char c) { return c == ' ' || c == '\t' || c == '\n'; };
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && isBlank(text[i])) ++i;
  };
  skipBlanks();
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Digits are gathered as text so that any length reads without overflow.
  std::string digits;
  bool inFraction = false;
  for (; i < text.size(); ++i) {
    Char c = text[i];
    if (isBlank(c)) continue;
    if (c >= '0' && c <= '9') {
      digits.push_back(static_cast<char>(c));
    } else if (c == '.' && !inFraction) {
      inFraction = true;
      digits.push_back('.');
    } else {
      break;
    }
  }
  double value = 0;
  // from_chars, unlike strtod, ignores the locale that a window toolkit may set.
  if (!digits.empty() && digits != ".") {
    if (digits.front() == '.') digits.insert(digits.begin(), '0');
#ifdef __EMSCRIPTEN__
    // The WebAssembly build's library (libc++ 13) has no from_chars for
    // double. strtod reads plain digits alike in its only locale; from_chars
    // refuses only a value that overflows or underflows to zero.
    value = std::strtod(digits.c_str(), nullptr);
    if (std::isinf(value) || (value == 0 && digits.find_first_of("123456789") != std::string::npos)) {
      return std::nullopt;
    }
#else
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) return std::nullopt;
#endif
  }
  if (negative) value = -value;
  const double rounded = std::nearbyint(value);  // default rounding: halves to even
  if (!(rounded >= min && rounded <= max)) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

int HexDigit(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  return -1;
}

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::int32_t HexValue(std::string_view text) {
  std::int64_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(static_cast<unsigned char>(c));
    if (digit < 0) return 0;
    value = value * 16 + digit;
    if (value > INT32_MAX) return 0;  // cannot be held: taken as no number
  }
  return static_cast<std::int32_t>(value);
}

std::string_view TrimLeadingSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimTrailingSpaces(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

std::string_view TrimSpaces(std::string_view text) { return TrimTrailingSpaces(TrimLeadingSpaces(text)); }

std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> items;
  std::size_t p = 0;
  for (auto comma = text.find(','); comma != std::string_view::npos; comma = text.find(',', p)) {
    items.emplace_back(TrimSpaces(text.substr(p, comma - p)));
    p = comma + 1;
  }
  if (p < text.size()) items.emplace_back(TrimSpaces(text.substr(p)));
  return items;
}

std::optional<std::int32_t> ReadDecimal(std::u16string_view text, std::int32_t min, std::int32_t max) {
  return ReadDecimalImpl(text, min, max);
}

std::optional<std::int32_t> ReadDecimal(std::string_view text, std::int32_t min, std::int32_t max) {
  return ReadDecimalImpl(text, min, max);
}

std::u16string Latin1ToUtf16(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (char c : text) units.push_back(static_cast<unsigned char>(c));
  return units;
}

std::optional<std::string> Utf16ToLatin1(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t unit : text) {
    if (unit > 0xFF) return std::nullopt;
    bytes.push_back(static_cast<char>(unit));
  }
  return bytes;
}

std::string CodePointName(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

}  // namespace tarvo
