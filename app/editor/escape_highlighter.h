// Colours the escapes ("<0A>", "<81>") and printf-style conversions ("%s",
// "%1$d") of a message's text, which the translation must keep.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include "check/text_marks.h"

namespace tarvo {

class EscapeHighlighter final : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit EscapeHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat escape_, conversion_;
};

}  // namespace tarvo
