#include "po/po_text.h"

#include <cstdio>

#include "config/error.h"
#include "config/utf8.h"

namespace tarvo {

std::optional<std::string> PoTextOf(std::u16string_view lgpText) {
  if (lgpText.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  return Utf16ToUtf8(lgpText);
}

std::variant<std::u16string, UnholdableCharacter> LgpTextOf(std::string_view poText) {
  const auto codePoints = Utf8ToCodePoints(poText);
  if (!codePoints) return UnholdableCharacter{};
  std::u16string text;
  for (char32_t c : *codePoints) {
    if (c == U'\n') {
      text += u"<0A>";
    } else if (c == U'\r') {
      text += u"<0D>";
    } else if (c > 0x7FFF) {
      return UnholdableCharacter{c};
    } else {
      text.push_back(static_cast<char16_t>(c));
    }
  }
  return text;
}

std::size_t LanguageIndex(const LgpScan& scan, std::int32_t number) {
  const auto count = static_cast<std::int32_t>(scan.Languages.size());
  if (count == 0) throw Error("The LGpack file has no language (no LangId line after its AllLangs line).");
  if (number < 1 || number > count) {
    throw Error("The LGpack file has no language " + std::to_string(number) +
                " (its languages are numbered 1 to " + std::to_string(count) + ").");
  }
  return static_cast<std::size_t>(number - 1);
}

}  // namespace tarvo
