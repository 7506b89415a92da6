// Suggestions for the message being translated: the translations of other
// messages of the open document and of other packs and PO files whose
// reference text is the same or similar, best first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "document/document.h"
#include "memory/memory_index.h"

namespace tarvo {

struct Suggestion {
  std::u16string Source;  // the reference text it translates
  std::u16string Target;  // the translation suggested
  int Score = 0;          // 100 for the same reference text, else at least the minimum
  std::string Origin;     // the file it comes from; empty for the open document
  std::int32_t Message = -1;
  std::vector<DiffPiece> Difference;  // from its reference text to the message's
};

// The index of the open document's reference texts (their translations are
// read from the document when asked, so edits need no new index).
MemoryIndex DocumentMemory(const Document& document, std::size_t reference);

// Up to `limit` suggestions for `message` of `language`: first those of the
// same reference text, then the similar ones by score (at least `minimum`),
// the document's before the other memories' of one score. A translation is
// suggested once, with its best score; empty ones and the message's own
// current text are left out.
std::vector<Suggestion> Suggest(const Document& document, std::size_t language, std::size_t reference,
                                std::int32_t message, const MemoryIndex& documentMemory,
                                std::span<const MemoryIndex> memories, std::size_t limit = 5,
                                int minimum = 70);

// What a memory must match of the open document: its phone type, and the
// LangIds of the edited and the reference language, each with its place
// among the document's languages of that LangId (from 0).
struct MemoryLanguages {
  std::string PhoneType;
  std::int32_t LangId = 0, ReferenceLangId = 0;
  std::size_t Rank = 0, ReferenceRank = 0;
};
MemoryLanguages MemoryLanguagesOf(const Document& document, std::size_t language, std::size_t reference);

// The entries of another .lgp file as a memory: its languages with the
// LangIds of the edited and the reference language (of several with one
// LangId, the one at the same place among them, else the first). A file
// that is no .lgp, is of another phone type or lacks either language is an
// Error naming it (`name`).
std::vector<MemoryEntry> LgpMemoryEntries(std::vector<std::uint8_t> bytes, const std::string& name,
                                          const Configuration& config, const MemoryLanguages& languages);
std::vector<MemoryEntry> LgpMemoryEntries(std::vector<std::uint8_t> bytes, const std::string& name,
                                          const Configuration& config, const Document& document,
                                          std::size_t language, std::size_t reference);

}  // namespace tarvo
