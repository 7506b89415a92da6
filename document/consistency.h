// Consistency within the edited language of an open document: messages that
// share a reference text with another message translated differently, the
// sentence that names those, and the edit that gives them all one text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/document.h"

namespace tarvo {

// Every inconsistent message of `language` against `reference`, in number
// order; none when the two are one language.
std::vector<std::int32_t> InconsistentMessages(const Document& document, std::size_t language,
                                               std::size_t reference);

// "The reference text is translated differently in 9 ("Sichern") and 12
// ("Sichern!")." for an inconsistent message; nothing otherwise.
std::optional<MessageProblem> InconsistencyProblem(const Document& document, std::size_t language,
                                                   std::size_t reference, std::int32_t message);

// The edits that give every other message with the same reference text the
// translation of `message` (those still empty too): one Apply, one undo
// step. None when it has no translation or nothing differs.
std::vector<DocumentEdit> UseTranslationForAll(const Document& document, std::size_t language,
                                               std::size_t reference, std::int32_t message);

}  // namespace tarvo
