// The suggestions beside the selected message: translations of the same or a
// similar reference text from the open document and the translation
// memories, best first, with their score, origin and the difference of
// their reference text. Ctrl+1 to Ctrl+5 or a double click take one.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "document/document.h"
#include "memory/memory_index.h"
#include "memory/suggestions.h"

class QLabel;
class QListWidget;

namespace tarvo {

class SuggestionsPanel final : public QWidget {
  Q_OBJECT

 public:
  explicit SuggestionsPanel(QWidget* parent = nullptr);

  // Indexes the reference texts of `document` (nullptr: none).
  void Reindex(const Document* document, std::size_t reference);
  void SetMemories(std::vector<MemoryIndex> memories) { memories_ = std::move(memories); }
  // Shows the suggestions for a message (-1: none).
  void ShowFor(const Document* document, std::size_t language, std::size_t reference, std::int32_t message);
  const std::vector<Suggestion>& Shown() const { return shown_; }

 signals:
  void Chosen(int index);  // from 0

 private:
  void ShowDifference(int index);

  QListWidget* list_ = nullptr;
  QLabel* difference_ = nullptr;
  MemoryIndex own_;
  std::size_t ownReference_ = 0;
  std::vector<MemoryIndex> memories_;
  std::vector<Suggestion> shown_;
};

// The difference as rich text: what the message's reference text adds
// underlined in green, what it lacks struck through in red.
QString DifferenceHtml(const std::vector<DiffPiece>& pieces);

}  // namespace tarvo
