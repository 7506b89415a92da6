#include "app/editor/escape_highlighter.h"

#include <QColor>
#include <QFont>

#include "spelling/spell_checker.h"

namespace tarvo {

EscapeHighlighter::EscapeHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  escape_.setForeground(QColor(0x00, 0x66, 0xCC));
  escape_.setBackground(QColor(0xE6, 0xF0, 0xFA));
  conversion_.setForeground(QColor(0xA0, 0x30, 0x00));
  conversion_.setFontWeight(QFont::Bold);
}

void EscapeHighlighter::SetSpelling(std::shared_ptr<const SpellChecker> checker, std::u16string reference) {
  if (checker == checker_ && reference == reference_) return;
  checker_ = std::move(checker);
  reference_ = std::move(reference);
  rehighlight();
}

void EscapeHighlighter::highlightBlock(const QString& text) {
  const std::u16string units = text.toStdU16String();
  for (const TextMark& mark : FindTextMarks(units)) {
    setFormat(mark.Start, mark.Length, mark.Kind == MarkKind::Escape ? escape_ : conversion_);
  }
  if (!checker_) return;
  for (const WordSpan& word : MisspeltWords(*checker_, units, reference_)) {
    QTextCharFormat misspelt;
    misspelt.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    misspelt.setUnderlineColor(Qt::red);
    setFormat(static_cast<int>(word.Begin), static_cast<int>(word.Length), misspelt);
  }
}

}  // namespace tarvo
