#include "check/text_checks.h"

#include <algorithm>

#include "codec/encode.h"
#include "config/text_utils.h"
#include "config/utf8.h"

namespace tarvo {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsAlnum(char16_t c) { return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

}  // namespace

std::vector<Conversion> FindConversions(std::u16string_view text) {
  std::vector<Conversion> found;
  std::size_t p = 0;
  while ((p = text.find(u'%', p)) != std::u16string_view::npos) {
    const std::size_t start = p++;
    if (p < text.size() && text[p] == u'%') {
      ++p;
      continue;
    }
    Conversion conversion;
    // An argument position "n$".
    std::size_t q = p;
    int number = 0;
    while (q < text.size() && IsDigit(text[q]) && number < 1000) number = number * 10 + (text[q++] - u'0');
    if (q > p && q < text.size() && text[q] == u'$') {
      conversion.Position = number;
      p = q + 1;
    }
    while (p < text.size() && std::u16string_view(u"-+ #0'").find(text[p]) != std::u16string_view::npos) ++p;
    while (p < text.size() && (IsDigit(text[p]) || text[p] == u'*')) ++p;
    if (p < text.size() && text[p] == u'.') {
      ++p;
      while (p < text.size() && (IsDigit(text[p]) || text[p] == u'*')) ++p;
    }
    while (p < text.size() && std::u16string_view(u"hlLqjzt").find(text[p]) != std::u16string_view::npos) ++p;
    if (p >= text.size()) break;
    const char16_t letter = text[p];
    if (std::u16string_view(u"diouxXcsfFeEgGaAp").find(letter) == std::u16string_view::npos) continue;
    conversion.Kind = letter == u'i' ? 'd' : letter == u'X' ? 'x' : static_cast<char>(letter);
    ++p;
    for (std::size_t i = start; i < p; ++i) AppendUtf8(text[i], conversion.Written);
    found.push_back(std::move(conversion));
  }
  return found;
}

bool SameConversions(std::vector<Conversion> a, std::vector<Conversion> b) {
  auto byPosition = [](const Conversion& x, const Conversion& y) { return x.Position < y.Position; };
  // Translations may reorder numbered arguments.
  std::stable_sort(a.begin(), a.end(), byPosition);
  std::stable_sort(b.begin(), b.end(), byPosition);
  return a == b;
}

int CountControlEscapes(std::u16string_view text) {
  int count = 0;
  for (std::size_t p = 0; p < text.size(); ++p) {
    const int escape = EscapeAt(text, p);
    if (escape != 0) {
      if (escape < 0x20) ++count;
      p += 3;
    }
  }
  return count;
}

std::optional<std::u16string> FindFalseEscape(std::u16string_view text) {
  for (std::size_t p = 0; p < text.size(); ++p) {
    if (text[p] != u'<') continue;
    if (EscapeAt(text, p) != 0) {
      p += 3;
      continue;
    }
    // "<00>" or "<G1>"; "<OK>", with no hexadecimal digit, is a plain word.
    if (p + 3 < text.size() && text[p + 3] == u'>' && IsAlnum(text[p + 1]) && IsAlnum(text[p + 2]) &&
        (HexDigit(text[p + 1]) >= 0 || HexDigit(text[p + 2]) >= 0)) {
      return std::u16string(text.substr(p, 4));
    }
    // "<0A" cut short; "<Back" is a word, not an escape.
    if (p + 2 < text.size() && HexDigit(text[p + 1]) >= 0 && HexDigit(text[p + 2]) >= 0 &&
        (p + 3 == text.size() || !IsAlnum(text[p + 3]))) {
      return std::u16string(text.substr(p, 3));
    }
  }
  return std::nullopt;
}

std::optional<char16_t> FindUnselectableCharacter(std::u16string_view text, const CharTable& table) {
  for (std::size_t p = 0; p < text.size(); ++p) {
    if (EscapeAt(text, p) != 0) {
      p += 3;
      continue;
    }
    const char16_t c = text[p];
    // Bytes stand for themselves until a selector is met.
    const std::int32_t window = c - c % 128;
    if (window != 0 && c <= 0x7FFF && table.SelectorsOfWindow(window).empty()) return c;
  }
  return std::nullopt;
}

std::string Excerpt(std::u16string_view text, std::size_t limit) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
    const char16_t c = text[i];
    AppendUtf8(c >= 0xD800 && c <= 0xDFFF ? U'\uFFFD' : c, out);
  }
  if (text.size() > limit) out += "...";
  return out;
}

}  // namespace tarvo
