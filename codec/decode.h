// Phone strings to editable text.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "config/configuration.h"

namespace tarvo {

// Turns a phone string into UTF-16 text. Bytes below 128 are characters of
// the current window; bytes of 128 and above are selectors. Bytes the text
// could not otherwise show become escapes "<XX>". With `saveSignatures` every
// selector is written as an escape. The text is appended to `out`.
void DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table, bool saveSignatures,
                       std::u16string& out);

// No byte takes more units than an escape's four.
inline constexpr std::size_t kMostUnitsPerPhoneByte = 4;

// The same text written at `out`, which has room for kMostUnitsPerPhoneByte
// units for every byte; returns the end of the text.
char16_t* DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table, bool saveSignatures,
                            char16_t* out);
std::u16string DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table,
                                 bool saveSignatures);

}  // namespace tarvo
