// Fuzz target: any bytes read as a translation memory (a pack of the open
// document's phone type and languages, here the file itself) and as texts
// to find in it. Every suggestion scores from 70 to 100, the best first;
// an exact one has the same reference text, a similar one the score that
// comparing the two texts gives. A refusal with a message is no fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "config/error.h"
#include "memory/suggestions.h"
#include "tests/fuzz/fuzz_config.h"

namespace {

void CheckFound(const tarvo::MemoryIndex& index, std::u16string_view text) {
  int last = 100;
  for (const tarvo::MemoryMatch& match : index.Find(text)) {
    const tarvo::MemoryEntry& entry = index.Entries().at(match.Entry);
    if (match.Score < 70 || match.Score > last) std::abort();
    if ((match.Score == 100) != (entry.Source == text)) std::abort();
    if (tarvo::SimilarityScore(entry.Source, text) != match.Score) std::abort();
    last = match.Score;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tarvo::Configuration config = tarvo::fuzz::Configuration();
  const std::vector<std::uint8_t> file(data, data + size);
  // The bytes as UTF-16 text, whatever they hold.
  std::u16string raw;
  for (std::size_t i = 0; i + 1 < size && raw.size() < 512; i += 2) {
    raw += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  std::optional<tarvo::Document> document;
  try {
    document.emplace(tarvo::Document::FromLgp(file, "fuzz.lgp", config));
  } catch (const tarvo::Error&) {
    tarvo::MemoryIndex index({{raw, u"x", "fuzz", 0}, {raw.substr(raw.size() / 2), u"y", "fuzz", 1}});
    CheckFound(index, raw);
    CheckFound(index, raw.substr(std::min<std::size_t>(1, raw.size())));
    return 0;
  }
  if (document->LanguageCount() == 0) return 0;
  const std::size_t language = document->LanguageCount() - 1;
  std::vector<tarvo::MemoryEntry> entries;
  try {
    entries = tarvo::LgpMemoryEntries(file, "memory.lgp", config, *document, language, 0);
  } catch (const tarvo::Error&) {
    std::abort();  // the file opened as a document: as its own memory it must open too
  }
  const tarvo::MemoryIndex memory(entries);
  const tarvo::MemoryIndex own = tarvo::DocumentMemory(*document, 0);
  CheckFound(memory, raw);
  for (std::int32_t m = 0; m < document->MessageCount() && m < 64; ++m) {
    CheckFound(memory, document->Text(0, m));
    const auto suggestions = tarvo::Suggest(*document, language, 0, m, own, {&memory, 1});
    if (suggestions.size() > 5) std::abort();
    for (std::size_t i = 1; i < suggestions.size(); ++i) {
      if (suggestions[i].Score > suggestions[i - 1].Score) std::abort();
    }
  }
  return 0;
}
