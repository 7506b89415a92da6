// The escapes ("<0A>", "<81>") and printf-style conversions ("%s", "%1$d") of
// a message's text, which a translation must keep: where an editor marks them.
#pragma once

#include <string_view>
#include <vector>

namespace tarvo {

enum class MarkKind { Escape, Conversion };

struct TextMark {
  int Start = 0;
  int Length = 0;
  MarkKind Kind = MarkKind::Escape;
  friend bool operator==(const TextMark&, const TextMark&) = default;
};

// The escapes and conversions of a text, by the codec's and the check's own
// reading of them, in the order they stand.
std::vector<TextMark> FindTextMarks(std::u16string_view text);

}  // namespace tarvo
