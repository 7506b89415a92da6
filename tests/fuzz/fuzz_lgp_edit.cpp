// Fuzz target: any bytes as an .lgp text file, scanned line by line and then
// edited in every language: an edit that does not read back as meant is a
// fault, a refusal with a message is not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "config/error.h"
#include "lgp/lgp_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  try {
    const tarvo::LgpScan scan = tarvo::ScanLgp(file);
    for (std::size_t language = 0; language < scan.Languages.size(); ++language) {
      // A changed text, a text without a line, and texts holding quotation marks and escapes.
      std::map<std::int32_t, std::u16string> texts = {{0, u"a \"b\" <0A>"},
                                                      {scan.MaxMsgId > 0 ? scan.MaxMsgId : 0, u"\""}};
      for (const auto& [message, line] : scan.Languages[language].Texts) {
        texts[message] = scan.Text(file, language, message) + u"x";
        if (texts.size() > 4) break;
      }
      tarvo::EditLgpTexts(file, scan, language, texts);
    }
  } catch (const tarvo::Error& e) {
    if (std::string(e.what()).starts_with("Internal error")) std::abort();
  }
  return 0;
}
