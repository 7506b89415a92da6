#include "app/editor/suggestions_panel.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace tarvo {

QString DifferenceHtml(const std::vector<DiffPiece>& pieces) {
  QString html;
  for (const DiffPiece& piece : pieces) {
    const QString text = QString::fromStdU16String(piece.Text).toHtmlEscaped();
    switch (piece.Kind) {
      case DiffKind::Same:
        html += text;
        break;
      case DiffKind::Added:
        html += QStringLiteral("<u style=\"color:#007000\">%1</u>").arg(text);
        break;
      case DiffKind::Removed:
        html += QStringLiteral("<s style=\"color:#b00000\">%1</s>").arg(text);
        break;
    }
  }
  return html;
}

SuggestionsPanel::SuggestionsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SuggestionsPanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* caption = new QLabel(QStringLiteral("Suggestions (Ctrl+1 to Ctrl+5):"), this);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("Suggestions"));
  caption->setBuddy(list_);
  difference_ = new QLabel(this);
  difference_->setObjectName(QStringLiteral("SuggestionDifference"));
  difference_->setWordWrap(true);
  difference_->setTextFormat(Qt::RichText);
  layout->addWidget(caption);
  layout->addWidget(list_, 1);
  layout->addWidget(difference_);
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { emit Chosen(list_->row(item)); });
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { ShowDifference(row); });
}

void SuggestionsPanel::Reindex(const Document* document, std::size_t reference) {
  own_ = document ? DocumentMemory(*document, reference) : MemoryIndex();
  ownReference_ = reference;
  shown_.clear();
  list_->clear();
  difference_->clear();
}

void SuggestionsPanel::ShowFor(const Document* document, std::size_t language, std::size_t reference,
                               std::int32_t message) {
  shown_.clear();
  if (document && message >= 0 && reference == ownReference_) {
    shown_ = Suggest(*document, language, reference, message, own_, memories_);
  }
  list_->clear();
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    const Suggestion& s = shown_[i];
    const QString from =
        s.Origin.empty() ? QStringLiteral("message %1").arg(s.Message)
        : s.Message >= 0
            ? QStringLiteral("%1, message %2").arg(QString::fromStdString(s.Origin)).arg(s.Message)
            : QString::fromStdString(s.Origin);
    auto* item = new QListWidgetItem(QStringLiteral("%1  %2%  %3  (%4)")
                                         .arg(i + 1)
                                         .arg(s.Score)
                                         .arg(QString::fromStdU16String(s.Target), from),
                                     list_);
    item->setToolTip(QStringLiteral("Reference text: %1").arg(QString::fromStdU16String(s.Source)));
  }
  if (!shown_.empty()) list_->setCurrentRow(0);
  ShowDifference(list_->currentRow());
}

void SuggestionsPanel::ShowDifference(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= shown_.size() ||
      shown_[static_cast<std::size_t>(index)].Score == 100) {
    difference_->clear();
    return;
  }
  difference_->setText(QStringLiteral("Its reference text against this one: ") +
                       DifferenceHtml(shown_[static_cast<std::size_t>(index)].Difference));
}

}  // namespace tarvo
