#include "document/consistency.h"

#include <algorithm>

#include "check/consistency.h"
#include "check/text_checks.h"

namespace tarvo {

namespace {

// The messages other than `message` with its reference text, in number order.
template <typename Visit>
void ForEachSharingReference(const Document& document, std::size_t reference, std::int32_t message,
                             Visit visit) {
  const std::u16string& source = document.Text(reference, message);
  if (source.empty()) return;
  for (std::int32_t m = 0; m < document.MessageCount(); ++m) {
    if (m != message && document.Text(reference, m) == source) visit(m);
  }
}

}  // namespace

std::vector<std::int32_t> InconsistentMessages(const Document& document, std::size_t language,
                                               std::size_t reference) {
  std::vector<std::int32_t> messages;
  if (language == reference) return messages;
  const auto textOf = [&](std::size_t l) {
    return [&document, l](std::int32_t m) -> std::u16string_view { return document.Text(l, m); };
  };
  for (const auto& group : InconsistentGroups(document.MessageCount(), textOf(reference), textOf(language))) {
    messages.insert(messages.end(), group.begin(), group.end());
  }
  std::sort(messages.begin(), messages.end());
  return messages;
}

std::optional<MessageProblem> InconsistencyProblem(const Document& document, std::size_t language,
                                                   std::size_t reference, std::int32_t message) {
  const std::u16string& text = document.Text(language, message);
  if (language == reference || text.empty()) return std::nullopt;
  std::string others;
  std::size_t count = 0;
  ForEachSharingReference(document, reference, message, [&](std::int32_t m) {
    const std::u16string& other = document.Text(language, m);
    if (other.empty() || other == text) return;
    // A long list is cut: the filter shows them all.
    if (++count <= 5) {
      others += (others.empty() ? "" : ", ") + std::to_string(m) + " (\"" + Excerpt(other) + "\")";
    } else if (count == 6) {
      others += ", ...";
    }
  });
  if (count == 0) return std::nullopt;
  return MessageProblem{"inconsistent",
                        "The same reference text is translated differently in " + others + "."};
}

std::vector<DocumentEdit> UseTranslationForAll(const Document& document, std::size_t language,
                                               std::size_t reference, std::int32_t message) {
  std::vector<DocumentEdit> edits;
  const std::u16string& text = document.Text(language, message);
  if (language == reference || text.empty()) return edits;
  ForEachSharingReference(document, reference, message, [&](std::int32_t m) {
    if (document.Text(language, m) != text && document.CanEdit(language, m))
      edits.push_back({language, m, text});
  });
  return edits;
}

}  // namespace tarvo
