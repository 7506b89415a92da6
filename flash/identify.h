// Which configured phone type a flash image or language file belongs to.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/configuration.h"

namespace tarvo {

struct Identification {
  // Index into the phone-type table, or -1 when no type fits.
  int TypeIndex = -1;
  // The phone type as it applies to this file: for a language file, its
  // pack starts behind the file's name.
  PhoneTypeRecord Type;
  // The decoded name of a language file read for a language-file type.
  std::u16string LanguageName;
};

// True when the path's last three characters are "LNG" in any letter case.
bool IsLanguageFilePath(std::string_view path);

// Tests the phone types in table order and takes the first that fits: the
// pack signature at its PackOffset and all its IdBytes (unless the last one
// has offset 0). For a language file the first language-file type is tested
// with the offset behind the file's name. Bytes beyond the end of the file
// never match.
Identification IdentifyFlash(std::span<const std::uint8_t> file, std::string_view path, const Configuration& config,
                             bool saveSignatures);

}  // namespace tarvo
