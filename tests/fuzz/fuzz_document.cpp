// Fuzz target: any bytes opened as an editor's document. A file it opens
// saves as read; edits in every language (texts with quotation marks, line
// ends, escapes and characters the pack cannot hold) save to a file that
// opens with the texts shown; undoing them all gives the bytes back. A
// refusal with a message is no fault; anything else is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "config/error.h"
#include "document/document.h"
#include "tests/fuzz/fuzz_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tarvo::Configuration config = tarvo::fuzz::Configuration();
  const std::vector<std::uint8_t> file(data, data + size);
  std::optional<tarvo::Document> document;
  try {
    document.emplace(tarvo::Document::FromLgp(file, "fuzz.lgp", config));
  } catch (const tarvo::Error& e) {
    if (std::string(e.what()).find("nternal error") != std::string::npos) std::abort();
    return 0;
  }
  if (document->SaveBytes() != file) std::abort();
  const std::u16string texts[] = {u"a \"b\" <0A>", u"\"", u"x\r\ny", u"\U0001F600", u""};
  std::vector<tarvo::DocumentEdit> edits;
  for (std::size_t l = 0; l < document->LanguageCount() && document->MaxMsgId() >= 0; ++l) {
    for (std::size_t i = 0; i < 3; ++i) {
      const std::int32_t message = static_cast<std::int32_t>((l * 7 + i * 13) % (document->MaxMsgId() + 1));
      if (document->CanEdit(l, message))
        edits.push_back({l, message, document->Text(l, message) + texts[(l + i) % 5]});
    }
  }
  document->Apply(edits);
  const tarvo::Document reopened = tarvo::Document::FromLgp(document->SaveBytes(), "fuzz.lgp", config);
  for (std::size_t l = 0; l < document->LanguageCount(); ++l) {
    for (std::int32_t m = 0; m <= document->MaxMsgId(); ++m) {
      if (reopened.Text(l, m) != document->Text(l, m)) std::abort();
    }
  }
  document->Undo();
  if (document->SaveBytes() != file) std::abort();
  return 0;
}
