#include "check/consistency.h"

#include <algorithm>
#include <unordered_map>

namespace tarvo {

std::vector<std::vector<std::int32_t>> InconsistentGroups(std::int32_t messageCount,
                                                          const MessageText& reference,
                                                          const MessageText& translation) {
  // Messages with a translation, gathered by their reference text.
  std::unordered_map<std::u16string_view, std::vector<std::int32_t>> byReference;
  for (std::int32_t m = 0; m < messageCount; ++m) {
    const std::u16string_view source = reference(m);
    if (!source.empty() && !translation(m).empty()) byReference[source].push_back(m);
  }
  std::vector<std::vector<std::int32_t>> groups;
  for (auto& [source, messages] : byReference) {
    const std::u16string_view first = translation(messages.front());
    const bool differ = std::any_of(messages.begin() + 1, messages.end(),
                                    [&](std::int32_t m) { return translation(m) != first; });
    if (differ) groups.push_back(std::move(messages));
  }
  std::sort(groups.begin(), groups.end());
  return groups;
}

}  // namespace tarvo
