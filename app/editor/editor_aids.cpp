// The editor's aids for the translator: suggestions from the document and
// the translation memories, the consistency fix and named languages.
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <QtConcurrent/QtConcurrentRun>

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

void EditorWindow::AddMemory(const QString& path) {
  QSettings settings;
  QStringList paths = settings.value(kMemoriesKey).toStringList();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!paths.contains(absolute)) paths << absolute;
  settings.setValue(kMemoriesKey, paths);
  reportedMemories_.removeAll(absolute);  // a second try is named again
  addingMemory_ = absolute;
  LoadMemories();
}

void EditorWindow::LoadMemories() {
  if (!document_) return;
  memoriesLoading_ = true;
  const MemoryLanguages languages =
      MemoryLanguagesOf(*document_, model_->EditedLanguage(), model_->ReferenceLanguage());
  // Packs take a tenth of a second each to read: off the window's thread,
  // with copies of what the reading needs.
  memoryWatcher_.setFuture(QtConcurrent::run(
      [paths = QSettings().value(kMemoriesKey).toStringList(), languages, config = config_] {
        LoadedMemories loaded;
        for (const QString& path : paths) {
          const std::string name = QFileInfo(path).fileName().toStdString();
          try {
            loaded.Memories.emplace_back(
                path.endsWith(QStringLiteral(".po"), Qt::CaseInsensitive)
                    ? PoMemoryEntries(path.toStdString(), name, languages.LangId, languages.ReferenceLangId)
                    : LgpMemoryEntries(ReadWholeFile(path.toStdString()), name, config, languages));
          } catch (const Error& e) {
            loaded.Failures.emplace_back(path, QString::fromStdString(e.what()));
          }
        }
        return loaded;
      }));
}

void EditorWindow::MemoriesLoaded() {
  memoriesLoading_ = false;
  LoadedMemories loaded = memoryWatcher_.result();
  QStringList reasons;
  for (const auto& [path, reason] : loaded.Failures) {
    if (path == addingMemory_) {
      // Kept out of the list: it would be named at every open.
      QSettings settings;
      QStringList paths = settings.value(kMemoriesKey).toStringList();
      paths.removeAll(path);
      settings.setValue(kMemoriesKey, paths);
    }
    if (!reportedMemories_.contains(path)) {
      reportedMemories_ << path;
      reasons << QStringLiteral("%1: %2").arg(path, reason);
    }
  }
  addingMemory_.clear();
  suggestions_->SetMemories(std::move(loaded.Memories));
  suggestions_->ShowFor(document_ ? &*document_ : nullptr, model_->EditedLanguage(),
                        model_->ReferenceLanguage(), document_ ? CurrentMessage() : -1);
  if (!reasons.isEmpty()) {
    dialogs_.ShowMessage(this,
                         {QStringLiteral("These translation memories cannot be used and are skipped:\n%1")
                              .arg(reasons.join(u'\n'))
                              .toStdString(),
                          "Translation memory", MessageKind::Notice});
  }
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
