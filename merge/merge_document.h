// Carrying an old pack's translation into an open document: the merge of
// `tarvo-cli merge` planned against the document's current texts, for the
// window to apply as one undo step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "document/document.h"
#include "merge/merge_plan.h"

namespace tarvo {

struct DocumentMerge {
  std::vector<DocumentEdit> Edits;  // of the edited language, in number order
  MergeReport Report;
  int NotEditable = 0;  // carried texts left out: the document cannot edit their messages
};

// `language` receives the old pack's translation, matched by the texts of
// `reference` (both counted from 0 in the document), each found in the old
// pack by its LangId. A file that is no .lgp or lacks either language is an
// Error naming it (`oldName`), and nothing is planned.
DocumentMerge PlanDocumentMerge(std::span<const std::uint8_t> oldFile, const std::string& oldName,
                                const Document& document, std::size_t language, std::size_t reference,
                                bool fuzzy = false);

// The summary sentence, the listed messages and, when some were left out,
// a sentence that says how many.
std::string DocumentMergeText(const DocumentMerge& merge);

}  // namespace tarvo
