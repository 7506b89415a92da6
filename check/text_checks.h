// Checks of one string's editable text: printf-style conversions, control
// byte escapes, text that looks like an escape but is none, and characters
// whose window the character table cannot select.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/configuration.h"

namespace tarvo {

// One printf-style conversion: its position ("%2$s" gives 2, 0 when it has
// none) and its kind, the conversion letter with d and i, x and X made one.
struct Conversion {
  int Position = 0;
  char Kind = 0;
  std::string Written;  // as it stands in the text, such as "%-5.2lx"
  friend bool operator==(const Conversion& a, const Conversion& b) {
    return a.Position == b.Position && a.Kind == b.Kind;
  }
};

// The conversions of a text in their order; "%%" is none.
std::vector<Conversion> FindConversions(std::u16string_view text);

// Whether two texts have the same conversions: the same kinds in the same
// order, or, where positions are given, the same kind at each position.
bool SameConversions(std::vector<Conversion> a, std::vector<Conversion> b);

// Escapes of control bytes 01 to 1F, such as the line break "<0A>".
int CountControlEscapes(std::u16string_view text);

// The first piece of text that looks like an escape but is none: "<00>",
// "<G1>" (two letters or digits, one of them hexadecimal, between "<" and
// ">"), or "<" and two hexadecimal digits without the closing ">".
std::optional<std::u16string> FindFalseEscape(std::u16string_view text);

// The first character (outside escapes) whose window of 128 characters has
// no selector in the table, so the phone would show another character.
std::optional<char16_t> FindUnselectableCharacter(std::u16string_view text, const CharTable& table);

// Up to `limit` characters of the text, for messages, as UTF-8.
std::string Excerpt(std::u16string_view text, std::size_t limit = 40);

}  // namespace tarvo
