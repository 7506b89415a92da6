// What the PO commands share: the texts of a .lgp as PO texts and back, the
// choice of a language by its number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "lgp/lgp_scan.h"

namespace tarvo {

// A .lgp text as UTF-8, exactly as it stands; nothing when it holds U+0000
// (a PO string cannot) or a lone surrogate (UTF-8 cannot).
std::optional<std::string> PoTextOf(std::u16string_view lgpText);

// A PO text as .lgp text: a line feed becomes <0A> and a carriage return
// <0D>, since a .lgp line cannot hold them. On failure: the first character
// the .lgp cannot hold (above U+7FFF), or nothing for bytes that are not UTF-8.
struct UnholdableCharacter {
  std::optional<char32_t> CodePoint;
};
std::variant<std::u16string, UnholdableCharacter> LgpTextOf(std::string_view poText);

// The language numbered `number` (from 1) of the file; an Error when it has none.
std::size_t LanguageIndex(const LgpScan& scan, std::int32_t number);

}  // namespace tarvo
