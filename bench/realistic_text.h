// Real user-interface text for the benchmarks: the translations in the
// gettext catalogs installed on the machine (/usr/share/locale), read from
// their binary .mo files. Where too few are installed the benchmarks fall
// back to generated text.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarvo::bench {

struct TranslatedTexts {
  std::vector<std::string> Languages;            // locale names, e.g. "de"
  std::vector<std::vector<std::u16string>> Texts;  // [language][message]
};

// `messages` translations in each of `languages` languages, the same messages
// in every language as far as the catalogs allow, each a single line of at
// most 120 characters that `printable` accepts throughout. Empty when fewer
// languages than asked have enough of them.
TranslatedTexts ReadTranslatedTexts(const std::filesystem::path& localeDir, int languages, int messages,
                                    const std::function<bool(char16_t)>& printable);

}  // namespace tarvo::bench
