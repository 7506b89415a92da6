// Fuzz target: any bytes as an .lgp text file, read by the compile reader and
// by the scanner, which must agree on every text or refuse alike (the scanner
// keeps a text above U+7FFF and names the reader's refusal); then edited
// in every language, one at a time and all at once: an edit that does not read
// back as meant is a fault, a refusal with a message is not.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "config/error.h"
#include "lgp/lgp_scan.h"
#include "tests/fuzz/fuzz_config.h"
#include "tests/support/lgp_readings.h"

namespace {

void Edit(std::span<const std::uint8_t> file, const tarvo::LgpScan& scan,
          const std::map<std::size_t, std::map<std::int32_t, std::u16string>>& edits) {
  try {
    tarvo::EditLgpTexts(file, scan, edits);
  } catch (const tarvo::Error& e) {
    if (std::string(e.what()).starts_with("Internal error")) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tarvo::Configuration config = tarvo::fuzz::Configuration();
  const std::span<const std::uint8_t> file(data, size);
  const tarvo::test::LgpReading byReader = tarvo::test::ReadByReader(file, config.Chars);
  const tarvo::test::LgpReading byScanner = tarvo::test::ReadByScanner(file);
  if (byReader != byScanner) {
    std::fprintf(stderr, "reader:  %s\nscanner: %s\n", byReader.Summary().c_str(), byScanner.Summary().c_str());
    std::abort();
  }

  tarvo::LgpScan scan;
  try {
    scan = tarvo::ScanLgp(file);
  } catch (const tarvo::Error&) {
    return 0;
  }
  std::map<std::size_t, std::map<std::int32_t, std::u16string>> all;
  for (std::size_t language = 0; language < scan.Languages.size(); ++language) {
    // A changed text, a text without a line, and texts holding quotation marks and escapes.
    std::map<std::int32_t, std::u16string> texts = {{0, u"a \"b\" <0A>"},
                                                    {scan.MaxMsgId > 0 ? scan.MaxMsgId : 0, u"\""}};
    for (const auto& [message, line] : scan.Languages[language].Texts) {
      texts[message] = scan.Text(file, language, message) + u"x";
      if (texts.size() > 4) break;
    }
    Edit(file, scan, {{language, texts}});
    all[language] = std::move(texts);
  }
  Edit(file, scan, all);
  return 0;
}
