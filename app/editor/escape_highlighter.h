// Colours the escapes ("<0A>", "<81>") and printf-style conversions ("%s",
// "%1$d") of a message's text, which the translation must keep, and, with a
// dictionary, puts the platform's wavy underline under misspelt words.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <memory>
#include <string>

#include "check/text_marks.h"

namespace tarvo {

class SpellChecker;

class EscapeHighlighter final : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit EscapeHighlighter(QTextDocument* document);

  // Words the checker does not know and `reference` lacks are underlined;
  // none without a checker.
  void SetSpelling(std::shared_ptr<const SpellChecker> checker, std::u16string reference);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat escape_, conversion_;
  std::shared_ptr<const SpellChecker> checker_;
  std::u16string reference_;
};

}  // namespace tarvo
