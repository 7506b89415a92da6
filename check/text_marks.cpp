#include "check/text_marks.h"

#include <algorithm>
#include <string>

#include "check/text_checks.h"
#include "codec/encode.h"

namespace tarvo {

std::vector<TextMark> FindTextMarks(std::u16string_view text) {
  std::vector<TextMark> marks;
  for (std::size_t p = 0; p < text.size(); ++p) {
    if (EscapeAt(text, p) != 0) {
      marks.push_back({static_cast<int>(p), 4, MarkKind::Escape});
      p += 3;
    }
  }
  // The check gives each conversion as written; find them in turn.
  std::size_t from = 0;
  for (const Conversion& conversion : FindConversions(text)) {
    const std::u16string written(conversion.Written.begin(), conversion.Written.end());
    const std::size_t at = text.find(written, from);
    if (at == std::u16string_view::npos) continue;
    marks.push_back({static_cast<int>(at), static_cast<int>(written.size()), MarkKind::Conversion});
    from = at + written.size();
  }
  std::sort(marks.begin(), marks.end(),
            [](const TextMark& a, const TextMark& b) { return a.Start < b.Start; });
  return marks;
}

}  // namespace tarvo
