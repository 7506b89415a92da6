// The editor's aids for the translator: suggestions from the document and
// the translation memories, the consistency fix and named languages.
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>

#include "app/editor/editor_window.h"
#include "app/editor/language_names.h"
#include "app/editor/message_table_model.h"
#include "app/editor/pack_gauge.h"
#include "app/editor/suggestions_panel.h"
#include "config/error.h"
#include "config/file_io.h"
#include "document/consistency.h"
#include "memory/po_memory.h"

namespace tarvo {

namespace {

const QString kMemoriesKey = QStringLiteral("editor/translationMemories");
const QString kMemoryFilter = QStringLiteral(
    "Translation memory (*.lgp *.po)|*.lgp *.po|Unicode LGpack file (*.lgp)|*.lgp|"
    "PO file (*.po)|*.po|All files (*.*)|*.*");

}  // namespace

bool EditorWindow::UseSuggestion(int index) {
  const std::int32_t message = CurrentMessage();
  const auto& shown = suggestions_->Shown();
  if (!document_ || IsBusy() || message < 0 || index < 0 || static_cast<std::size_t>(index) >= shown.size() ||
      !document_->CanEdit(model_->EditedLanguage(), message)) {
    return false;
  }
  FinishTableEdit();
  ApplyEdits({{model_->EditedLanguage(), message, shown[static_cast<std::size_t>(index)].Target}});
  return true;
}

void EditorWindow::UseTranslationForAll() {
  const std::int32_t message = CurrentMessage();
  if (!document_ || IsBusy() || message < 0) return;
  FinishTableEdit();
  auto edits =
      tarvo::UseTranslationForAll(*document_, model_->EditedLanguage(), model_->ReferenceLanguage(), message);
  const auto count = edits.size();
  ApplyEdits(std::move(edits));  // one undo step
  statusBar()->showMessage(QStringLiteral("%1 messages take this translation.").arg(count), 4000);
}

void EditorWindow::AskAndAddMemory() {
  if (!document_ || IsBusy()) return;
  const QString path =
      dialogs_.AskForFile(this, {QStringLiteral("Add translation memory..."), kMemoryFilter, false, true});
  if (!path.isEmpty()) AddMemory(path);
}

bool EditorWindow::AddMemory(const QString& path) {
  QSettings settings;
  QStringList paths = settings.value(kMemoriesKey).toStringList();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!paths.contains(absolute)) paths << absolute;
  settings.setValue(kMemoriesKey, paths);
  reportedMemories_.removeAll(absolute);  // a second try is named again
  const QStringList failed = LoadMemories();
  if (failed.contains(absolute)) {
    // Kept out of the list: it would be named at every open.
    paths.removeAll(absolute);
    settings.setValue(kMemoriesKey, paths);
    return false;
  }
  ShowCurrentMessage();
  return true;
}

QStringList EditorWindow::LoadMemories() {
  QStringList failed, reasons;
  if (!document_) return failed;
  const std::size_t language = model_->EditedLanguage(), reference = model_->ReferenceLanguage();
  std::vector<MemoryIndex> memories;
  for (const QString& path : QSettings().value(kMemoriesKey).toStringList()) {
    const std::string name = QFileInfo(path).fileName().toStdString();
    try {
      if (path.endsWith(QStringLiteral(".po"), Qt::CaseInsensitive)) {
        memories.emplace_back(PoMemoryEntries(path.toStdString(), name, document_->LangId(language),
                                              document_->LangId(reference)));
      } else {
        memories.emplace_back(LgpMemoryEntries(ReadWholeFile(path.toStdString()), name, config_, *document_,
                                               language, reference));
      }
    } catch (const Error& e) {
      failed << path;
      if (!reportedMemories_.contains(path)) {
        reportedMemories_ << path;
        reasons << QStringLiteral("%1: %2").arg(path, QString::fromStdString(e.what()));
      }
    }
  }
  suggestions_->SetMemories(std::move(memories));
  if (!reasons.isEmpty()) {
    dialogs_.ShowMessage(this,
                         {QStringLiteral("These translation memories cannot be used and are skipped:\n%1")
                              .arg(reasons.join(u'\n'))
                              .toStdString(),
                          "Translation memory", MessageKind::Notice});
  }
  return failed;
}

void EditorWindow::LanguageNamed() {
  if (!document_) return;
  SetLanguageName(document_->LangId(model_->EditedLanguage()), languageName_->text());
  for (QComboBox* chooser : {editLanguage_, referenceLanguage_}) {
    for (int l = 0; l < chooser->count(); ++l) {
      chooser->setItemText(l, QStringLiteral("%1: %2").arg(l + 1).arg(
                                  LanguageLabel(document_->LangId(static_cast<std::size_t>(l)))));
    }
  }
  model_->headerDataChanged(Qt::Horizontal, 0, MessageTableModel::ColumnCount - 1);
  gauge_->Refresh();
  ShowCurrentMessage();
}

}  // namespace tarvo
