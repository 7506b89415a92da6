#include "app/editor/escape_highlighter.h"

#include <QColor>
#include <QFont>

namespace tarvo {

EscapeHighlighter::EscapeHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  escape_.setForeground(QColor(0x00, 0x66, 0xCC));
  escape_.setBackground(QColor(0xE6, 0xF0, 0xFA));
  conversion_.setForeground(QColor(0xA0, 0x30, 0x00));
  conversion_.setFontWeight(QFont::Bold);
}

void EscapeHighlighter::highlightBlock(const QString& text) {
  const std::u16string units = text.toStdU16String();
  for (const TextMark& mark : FindTextMarks(units)) {
    setFormat(mark.Start, mark.Length, mark.Kind == MarkKind::Escape ? escape_ : conversion_);
  }
}

}  // namespace tarvo
