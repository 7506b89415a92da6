// Editable text to phone strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/configuration.h"

namespace tarvo {

struct EncodeResult {
  std::vector<std::uint8_t> Bytes;
  // False when a code unit above 0x7FFF (a character the phone's scheme
  // cannot hold, or a surrogate) stopped the encoding at unit `FailedAt`.
  bool Ok = true;
  std::size_t FailedAt = 0;
};

// Turns UTF-16 text into a phone string: before a character of another
// window the selector bytes of that window are written, then the character's
// position in it. Escapes "<XX>" (XX from 01 to FF) are written as the raw
// byte they name.
EncodeResult EncodePhoneString(std::u16string_view text, const CharTable& table);

// The byte of an escape "<XX>" at position p, or 0 when none stands there
// (so "<00>" is no escape but four ordinary characters). `p` must lie
// within the text.
int EscapeAt(std::u16string_view text, std::size_t p);

}  // namespace tarvo
