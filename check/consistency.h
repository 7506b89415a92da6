// Consistency of one language with itself: messages that share a reference
// text but were translated differently ("Save" as "Speichern" here and
// "Sichern" there).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace tarvo {

// The text of a message, by number; empty where it has none.
using MessageText = std::function<std::u16string_view(std::int32_t message)>;

// Groups of messages from 0 to `messageCount` - 1 that share one non-empty
// reference text and have non-empty translations of which at least two
// differ: every message of a group is inconsistent. A group holds only its
// messages with a translation, in number order; groups are ordered by their
// first message.
std::vector<std::vector<std::int32_t>> InconsistentGroups(std::int32_t messageCount,
                                                          const MessageText& reference,
                                                          const MessageText& translation);

}  // namespace tarvo
