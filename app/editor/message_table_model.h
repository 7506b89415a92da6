// The editor's table: one row per message shown (the filter's choice, in
// message order), with its number, the reference text, the edited text, the
// string's cost in bytes and a mark for problems. The model reads the
// document; only the edited text is editable, and an edit is one undo step.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "document/document.h"

namespace tarvo {

class MessageTableModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { NumberColumn, ReferenceColumn, TextColumn, CostColumn, ProblemColumn, ColumnCount };
  // The bytes a text costs in a language, when a measure has given a dictionary.
  using CostFunction =
      std::function<std::optional<std::int64_t>(std::size_t language, const std::u16string& text)>;

  explicit MessageTableModel(QObject* parent = nullptr);

  // Shows every message of `document` (nullptr: none) in the first language
  // against itself; the document must outlive the model or be replaced first.
  void SetDocument(Document* document, const CharTable* table);
  void SetLanguages(std::size_t edited, std::size_t reference);
  void SetRows(std::vector<std::int32_t> messages);
  void SetCost(CostFunction cost);
  void SetMeasure(const DocumentMeasure* measure);  // for the problems that need one

  Document* CurrentDocument() const { return document_; }
  std::size_t EditedLanguage() const { return edited_; }
  std::size_t ReferenceLanguage() const { return reference_; }
  const std::vector<std::int32_t>& Rows() const { return rows_; }
  std::int32_t MessageAt(int row) const;  // -1 outside the rows
  int RowOf(std::int32_t message) const;  // -1 when the message is not shown

  // The document changed outside the model: these messages, or all of them.
  void MessagesChanged(const std::vector<std::int32_t>& messages);
  void AllChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 signals:
  // An edit made through setData, after the document took it.
  void Edited(std::int32_t message);

 private:
  bool IsRow(const QModelIndex& index) const;

  Document* document_ = nullptr;
  const CharTable* table_ = nullptr;
  const DocumentMeasure* measure_ = nullptr;
  CostFunction cost_;
  std::size_t edited_ = 0, reference_ = 0;
  std::vector<std::int32_t> rows_;
};

// "123", or "$7B" when the file writes its numbers in hex.
QString MessageNumberText(std::int32_t message, bool hex);

}  // namespace tarvo
