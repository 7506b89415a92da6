// The editor's spell checking: a dictionary per LangId, misspelt words
// underlined as one types, the context menu's suggestions, the personal
// word list and the Misspelt filter, checked off the window's thread.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextCursor>
#include <QtConcurrent/QtConcurrentRun>

#include "app/editor/editor_window.h"
#include "app/editor/escape_highlighter.h"
#include "app/editor/message_table_model.h"
#include "config/error.h"
#include "spelling/spell_checker.h"

namespace tarvo {

namespace {

QString DictionaryKey(std::int32_t langId) { return QStringLiteral("spelling/dictionary%1").arg(langId); }

// The misspelt word at a place of the text, if any.
std::optional<WordSpan> MisspeltAt(const SpellChecker& checker, const std::u16string& text,
                                   const std::u16string& reference, int position) {
  for (const WordSpan& word : MisspeltWords(checker, text, reference)) {
    if (position >= static_cast<int>(word.Begin) && position <= static_cast<int>(word.Begin + word.Length)) {
      return word;
    }
  }
  return std::nullopt;
}

}  // namespace

QString EditorWindow::PersonalWordsPath() const {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  return QStringLiteral("%1/words-%2.txt").arg(folder).arg(document_->LangId(model_->EditedLanguage()));
}

bool EditorWindow::SetDictionary(const QString& name) {
  if (!document_) return false;
  const auto installed = InstalledDictionaries();
  const bool known = name.isEmpty() ||
                     std::any_of(installed.begin(), installed.end(),
                                 [&](const InstalledDictionary& d) { return d.Name == name.toStdString(); });
  if (!known) {
    dialogs_.ShowMessage(this, {"The dictionary " + name.toStdString() +
                                    " is not installed. Spelling is not checked in this language.",
                                "Spell checking", MessageKind::Notice});
  }
  QSettings().setValue(DictionaryKey(document_->LangId(model_->EditedLanguage())), known ? name : QString());
  LoadSpelling();
  return known;
}

void EditorWindow::LoadSpelling() {
  checker_.reset();
  ++checkerGeneration_;
  misspelt_.reset();
  dictionaryName_ =
      document_ ? QSettings().value(DictionaryKey(document_->LangId(model_->EditedLanguage()))).toString()
                : QString();
  const auto installed = InstalledDictionaries();
  const auto found = std::find_if(installed.begin(), installed.end(), [&](const InstalledDictionary& d) {
    return d.Name == dictionaryName_.toStdString();
  });
  {
    const QSignalBlocker blocker(dictionary_);
    dictionary_->setCurrentIndex(std::max(0, dictionary_->findData(dictionaryName_)));
  }
  dictionaryLoading_ = found != installed.end();
  if (dictionaryLoading_) {
    // A large dictionary takes a good part of a second to read: not on the window's thread.
    dictionaryWatcher_.setFuture(QtConcurrent::run([affix = found->Affix, words = PersonalWordsPath()] {
      LoadedDictionary loaded;
      try {
        loaded.Checker = std::make_shared<SpellChecker>(affix);
        QFile file(words);
        if (file.open(QIODevice::ReadOnly)) {
          for (std::u16string& word : ParseWordList(file.readAll().toStdString())) {
            loaded.Checker->AddWord(std::move(word));
          }
        }
      } catch (const Error& e) {
        loaded.Checker.reset();
        loaded.Failure = e.what();
      }
      return loaded;
    }));
  }
  ShowSpelling();
  if (filter_->currentData().toInt() == kMisspeltFilter) ApplyFilter();
}

void EditorWindow::DictionaryLoaded() {
  dictionaryLoading_ = false;
  LoadedDictionary loaded = dictionaryWatcher_.result();
  if (!loaded.Failure.empty()) {
    const QSignalBlocker blocker(dictionary_);
    dictionary_->setCurrentIndex(0);
    dialogs_.ShowMessage(this, {loaded.Failure + " Spelling is not checked in this language.",
                                "Spell checking", MessageKind::Notice});
  }
  checker_ = std::move(loaded.Checker);
  ++checkerGeneration_;
  misspelt_.reset();
  ShowSpelling();
  if (filter_->currentData().toInt() == kMisspeltFilter) ApplyFilter();
}

void EditorWindow::ShowSpelling() {
  const std::int32_t message = document_ ? CurrentMessage() : -1;
  translationHighlighter_->SetSpelling(
      message < 0 ? nullptr : checker_,
      message < 0 ? std::u16string() : document_->Text(model_->ReferenceLanguage(), message));
}

void EditorWindow::AddToDictionary(const QString& word) {
  if (!checker_ || word.isEmpty()) return;
  QFile existing(PersonalWordsPath());
  std::unordered_set<std::u16string> words;
  if (existing.open(QIODevice::ReadOnly)) {
    for (std::u16string& w : ParseWordList(existing.readAll().toStdString())) words.insert(std::move(w));
    existing.close();
  }
  words.insert(word.toStdU16String());
  QDir().mkpath(QFileInfo(PersonalWordsPath()).absolutePath());
  QSaveFile file(PersonalWordsPath());
  const std::string bytes = FormatWordList(words);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0 ||
      !file.commit()) {
    dialogs_.ShowMessage(
        this,
        {QStringLiteral("Cannot write %1: %2").arg(PersonalWordsPath(), file.errorString()).toStdString(),
         "Add to dictionary", MessageKind::Notice});
  }
  IgnoreWord(word);
}

void EditorWindow::IgnoreWord(const QString& word) {
  if (!checker_ || word.isEmpty()) return;
  // A new checker: a check running in the background keeps the old one.
  auto changed = std::make_shared<SpellChecker>(*checker_);
  changed->AddWord(word.toStdU16String());
  checker_ = std::move(changed);
  ++checkerGeneration_;
  misspelt_.reset();
  ShowSpelling();
}

void EditorWindow::SpellingMenu(const QPoint& position) {
  std::unique_ptr<QMenu> menu(translationEdit_->createStandardContextMenu(position));
  const std::int32_t message = document_ ? CurrentMessage() : -1;
  if (checker_ && message >= 0 && !translationEdit_->isReadOnly()) {
    const std::u16string text = translationEdit_->toPlainText().toStdU16String();
    const int at = translationEdit_->cursorForPosition(position).position();
    if (const auto word =
            MisspeltAt(*checker_, text, document_->Text(model_->ReferenceLanguage(), message), at)) {
      const QString misspelt = QString::fromStdU16String(text.substr(word->Begin, word->Length));
      QAction* first = menu->actions().value(0);
      const auto insert = [&](QAction* action) { menu->insertAction(first, action); };
      for (const std::u16string& suggestion : checker_->Suggestions(text.substr(word->Begin, word->Length))) {
        auto* action = new QAction(QString::fromStdU16String(suggestion), menu.get());
        connect(action, &QAction::triggered, this, [this, word = *word, suggestion] {
          QTextCursor cursor(translationEdit_->document());
          cursor.setPosition(static_cast<int>(word.Begin));
          cursor.setPosition(static_cast<int>(word.Begin + word.Length), QTextCursor::KeepAnchor);
          cursor.insertText(QString::fromStdU16String(suggestion));
        });
        insert(action);
      }
      auto* add = new QAction(QStringLiteral("Add to dictionary"), menu.get());
      connect(add, &QAction::triggered, this, [this, misspelt] { AddToDictionary(misspelt); });
      auto* ignore = new QAction(QStringLiteral("Ignore"), menu.get());
      connect(ignore, &QAction::triggered, this, [this, misspelt] { IgnoreWord(misspelt); });
      insert(add);
      insert(ignore);
      menu->insertSeparator(first);
    }
  }
  menu->exec(translationEdit_->mapToGlobal(position));
}

std::optional<std::vector<std::int32_t>> EditorWindow::MisspeltRows() {
  if (!document_ || !checker_) return std::vector<std::int32_t>{};
  const SpellingKey key{document_->Revision(), checkerGeneration_, model_->EditedLanguage(),
                        model_->ReferenceLanguage()};
  if (misspelt_ && misspeltKey_ == key) return misspelt_;
  if (spellingRunning_ && spellingRunningKey_ == key) return std::nullopt;
  if (spellingRunning_) return std::nullopt;  // SpellingChecked starts the newer one
  // A snapshot of the two languages' texts and of the checker.
  std::vector<std::u16string> texts, references;
  for (std::int32_t m = 0; m < document_->MessageCount(); ++m) {
    texts.push_back(document_->Text(key.Language, m));
    references.push_back(document_->Text(key.Reference, m));
  }
  spellingRunning_ = true;
  spellingRunningKey_ = key;
  statusBar()->showMessage(QStringLiteral("Checking spelling..."));
  spellingWatcher_.setFuture(QtConcurrent::run(
      [checker = SpellChecker(*checker_), texts = std::move(texts), references = std::move(references)] {
        return MisspeltMessages(checker, texts, references);
      }));
  return std::nullopt;
}

void EditorWindow::SpellingChecked() {
  spellingRunning_ = false;
  statusBar()->clearMessage();
  misspelt_ = spellingWatcher_.result();
  misspeltKey_ = spellingRunningKey_;
  // Shown only when still of the current texts; else the filter asks anew.
  if (filter_->currentData().toInt() == kMisspeltFilter) ApplyFilter();
}

}  // namespace tarvo
