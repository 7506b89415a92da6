#include "app/editor/message_table_model.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <algorithm>
#include <numeric>

#include "app/editor/language_names.h"

namespace tarvo {

QString MessageNumberText(std::int32_t message, bool hex) {
  return hex ? QStringLiteral("$") + QString::number(message, 16).toUpper() : QString::number(message);
}

MessageTableModel::MessageTableModel(QObject* parent) : QAbstractTableModel(parent) {}

bool MessageTableModel::IsRow(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < ColumnCount;
}

void MessageTableModel::SetDocument(Document* document, const CharTable* table) {
  beginResetModel();
  document_ = document;
  table_ = table;
  measure_ = nullptr;
  edited_ = reference_ = 0;
  rows_.clear();
  if (document_) {
    rows_.resize(static_cast<std::size_t>(std::max(0, document_->MaxMsgId() + 1)));
    std::iota(rows_.begin(), rows_.end(), 0);
  }
  endResetModel();
}

void MessageTableModel::SetLanguages(std::size_t edited, std::size_t reference) {
  if (!document_ || edited >= document_->LanguageCount() || reference >= document_->LanguageCount()) return;
  edited_ = edited;
  reference_ = reference;
  AllChanged();
  emit headerDataChanged(Qt::Horizontal, ReferenceColumn, TextColumn);
}

void MessageTableModel::SetRows(std::vector<std::int32_t> messages) {
  beginResetModel();
  rows_ = std::move(messages);
  endResetModel();
}

void MessageTableModel::SetCost(CostFunction cost) {
  cost_ = std::move(cost);
  if (!rows_.empty()) emit dataChanged(index(0, CostColumn), index(rowCount() - 1, CostColumn));
}

void MessageTableModel::SetMeasure(const DocumentMeasure* measure) {
  measure_ = measure;
  if (!rows_.empty()) emit dataChanged(index(0, CostColumn), index(rowCount() - 1, ProblemColumn));
}

std::int32_t MessageTableModel::MessageAt(int row) const {
  return row >= 0 && row < rowCount() ? rows_[static_cast<std::size_t>(row)] : -1;
}

int MessageTableModel::RowOf(std::int32_t message) const {
  // The rows are in message order.
  const auto found = std::lower_bound(rows_.begin(), rows_.end(), message);
  return found != rows_.end() && *found == message ? static_cast<int>(found - rows_.begin()) : -1;
}

void MessageTableModel::MessagesChanged(const std::vector<std::int32_t>& messages) {
  for (const std::int32_t message : messages) {
    const int row = RowOf(message);
    if (row >= 0) emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
  }
}

void MessageTableModel::AllChanged() {
  if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int MessageTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MessageTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageTableModel::data(const QModelIndex& index, int role) const {
  if (!document_ || !IsRow(index)) return {};
  const std::int32_t message = MessageAt(index.row());
  const bool display = role == Qt::DisplayRole || role == Qt::EditRole;
  switch (index.column()) {
    case NumberColumn:
      if (display) return MessageNumberText(message, document_->HexNumbers());
      if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      if (role == Qt::FontRole && document_->IsChanged(edited_, message)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      break;
    case ReferenceColumn:
      if (display) return QString::fromStdU16String(document_->Text(reference_, message));
      break;
    case TextColumn:
      if (display) return QString::fromStdU16String(document_->Text(edited_, message));
      break;
    case CostColumn:
      if (display && cost_) {
        if (const auto bytes = cost_(edited_, document_->Text(edited_, message)))
          return QVariant::fromValue(*bytes);
      }
      if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      break;
    case ProblemColumn: {
      if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::ForegroundRole) break;
      if (!table_) break;
      const auto problems = MessageProblems(*document_, edited_, message, reference_, *table_, measure_);
      if (problems.empty()) break;
      if (role == Qt::DisplayRole) return QStringLiteral("\u26A0");
      if (role == Qt::ForegroundRole) return QColor(Qt::darkRed);
      QStringList sentences;
      for (const auto& problem : problems) sentences << QString::fromStdString(problem.Text);
      return sentences.join(u'\n');
    }
    default:
      break;
  }
  return {};
}

bool MessageTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!document_ || role != Qt::EditRole || !IsRow(index) || index.column() != TextColumn) {
    return false;
  }
  const std::int32_t message = MessageAt(index.row());
  if (!document_->CanEdit(edited_, message)) return false;
  const std::uint64_t before = document_->Revision();
  document_->Apply({{edited_, message, value.toString().toStdU16String()}});
  if (document_->Revision() == before) return true;  // the same text: nothing to do
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
  emit Edited(message);
  return true;
}

Qt::ItemFlags MessageTableModel::flags(const QModelIndex& index) const {
  if (!IsRow(index)) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  // A message the file has no line for, and no place to add one, cannot be edited.
  if (index.column() == TextColumn && document_ && document_->CanEdit(edited_, MessageAt(index.row()))) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

QVariant MessageTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
    return QAbstractTableModel::headerData(section, orientation, role);
  auto languageTitle = [&](std::size_t language, const char* what) {
    if (!document_ || language >= document_->LanguageCount()) return QString::fromLatin1(what);
    return QStringLiteral("%1 (%2)").arg(QString::fromLatin1(what),
                                         LanguageLabel(document_->LangId(language)));
  };
  switch (section) {
    case NumberColumn:
      return QStringLiteral("Number");
    case ReferenceColumn:
      return languageTitle(reference_, "Reference");
    case TextColumn:
      return languageTitle(edited_, "Translation");
    case CostColumn:
      return QStringLiteral("Bytes");
    case ProblemColumn:
      return QStringLiteral("Problems");
    default:
      return {};
  }
}

}  // namespace tarvo
