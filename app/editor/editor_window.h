// The translation editor: a window of its own over one open document, with
// the message table, the selected message below it, filters, search, find
// and replace, the gauge of the pack's room and the compile into flash.
// Compiling runs the compile command with this window as its frame.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "app/dialogs.h"
#include "compile/packing.h"
#include "config/configuration.h"
#include "document/document.h"
#include "frame/command_frame.h"
#include "memory/memory_index.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QWidget;

namespace tarvo {

class MessageTableModel;
class PackGauge;
class SuggestionsPanel;
class SpellChecker;
class EscapeHighlighter;

// The Show filter that the window runs itself, off its thread.
inline constexpr int kMisspeltFilter = -1;

class EditorWindow final : public QMainWindow, private CommandFrame {
  Q_OBJECT

 public:
  // `config`, `pivots` and `dialogs` are the program's and outlive the window;
  // `commandRunning`, when given, is set while any command of the program runs.
  EditorWindow(const Configuration& config, PivotRandom& pivots, Dialogs& dialogs,
               bool* commandRunning = nullptr);
  ~EditorWindow() override;

  // How a flash image or language file is decompiled for editing.
  void SetDecompileOptions(bool saveLangSignatures, bool hexStringNumbers);

  // Asks for a file and opens it; Open asks only about unsaved changes. The
  // file is read in the background; until it is open the old one stays.
  void AskAndOpen();
  void Open(const QString& path);
  bool Save();
  bool SaveAs();
  void CompileToFlash();
  // Carries the translation of an older .lgp into the edited language,
  // matched by the reference language, as one undo step.
  void AskAndCarry();
  void CarryFrom(const QString& oldPath);
  void Undo();
  void Redo();
  // Puts suggestion `index` (from 0) into the translation as one undo step.
  bool UseSuggestion(int index);
  // Gives every message with the selected one's reference text its translation, as one undo step.
  void UseTranslationForAll();
  // Adds a translation memory (.lgp or .po) to the settings' list and reads
  // them all again in the background; one that cannot be read is named in
  // a message and left out of the list.
  void AskAndAddMemory();
  void AddMemory(const QString& path);
  bool IsLoadingMemories() const { return memoriesLoading_; }
  // Spell checking of the edited language with an installed dictionary
  // ("de_DE"; empty: none), kept for its LangId and read in the background.
  // False, after a message naming it, when it is not installed; one that
  // cannot be read is named when the reading ends.
  bool SetDictionary(const QString& name);
  const SpellChecker* Spelling() const { return checker_.get(); }
  bool IsLoadingDictionary() const { return dictionaryLoading_; }
  bool IsCheckingSpelling() const { return spellingRunning_; }  // the Misspelt filter's check runs
  // The personal word list of the edited language, and the session's ignored words.
  void AddToDictionary(const QString& word);
  void IgnoreWord(const QString& word);

  // Selection and movement; false when there is nowhere to go.
  bool GoToMessage(std::int32_t message);
  bool NextNeedingWork();
  bool StepMessage(int direction);
  std::int32_t CurrentMessage() const;  // -1 without one

  // Find and replace within the edited language.
  int ReplaceAll(const QString& find, const QString& replacement);

  bool HasDocument() const { return document_.has_value(); }
  const Document* CurrentDocument() const { return document_ ? &*document_ : nullptr; }
  bool IsOpening() const { return openingNow_; }  // until the result is in
  bool IsMeasuring() const;
  // The last measure ended, for costs and dictionary problems; it may be of
  // an older revision (the gauge says so), or none.
  const DocumentMeasure* Measure() const;
  const QString& FilePath() const { return lgpPath_; }
  // The standard packer's generator moved on outside this window.
  void PivotsAdvanced();
  // Runs at every yield of the compile, after pending events (a test seam).
  void SetYieldHook(std::function<void()> hook) { yieldHook_ = std::move(hook); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct Opened;  // what the background open gives back

  void CreateActions();
  void CreateControls();
  QAction* AddAction(QMenu* menu, const QString& text, const QKeySequence& keys, const char* name,
                     std::function<void()> run);
  void UpdateRecentMenu();
  void AddRecentFile(const QString& path);
  void StartOpening(const QString& path);
  void FinishOpening();
  void Install(Document document, const QString& path, bool fromImage);
  bool AskToKeepChanges();  // false when the user cancels
  void FinishTableEdit();
  bool WriteTo(const QString& path);
  void DocumentChanged(const std::vector<std::int32_t>& messages);
  void ApplyEdits(std::vector<DocumentEdit> edits);
  void FieldEdited();
  void ShowCurrentMessage();
  void ShowCurrentCost();
  void ShowProblems();
  // Runs the compile command on the current texts into `flashPath`.
  void CompileTexts(const QString& flashPath);
  void ApplyFilter();
  void LanguagesChosen();
  void LanguageNamed();
  // Reads the memories of the settings for the two languages; the failures
  // are named in one message, each file once.
  void LoadMemories();
  void MemoriesLoaded();
  void LoadSpelling();
  void DictionaryLoaded();
  void ShowSpelling();
  void SpellingMenu(const QPoint& position);
  QString PersonalWordsPath() const;
  // The messages the Misspelt filter shows, when checked for the current
  // texts; otherwise starts that check and gives nothing.
  std::optional<std::vector<std::int32_t>> MisspeltRows();
  void SpellingChecked();
  void UpdateTitleAndCounts();
  void UpdateFindCount();
  void ReplaceOne();
  void SetBusy(bool busy);
  bool IsBusy() const;

  // The command frame of the compile.
  void SetStatusText(const std::string& text) override;
  void SetProgressMinimum(double value) override;
  void SetProgressMaximum(double value) override;
  void SetProgressValue(double value) override;
  double ProgressMaximum() const override { return progressMaximum_; }
  void Yield() override;
  MessageAnswer ShowMessage(const Message& message) override;
  bool HexStringNumbers() const override { return hexStringNumbers_; }
  bool SaveLangSignatures() const override { return saveLangSignatures_; }
  void Lock() override { SetBusy(true); }
  void Unlock() override { SetBusy(false); }
  void ShowProgress();

  const Configuration& config_;
  PivotRandom& pivots_;
  Dialogs& dialogs_;
  bool* commandRunning_;
  bool ownRunning_ = false;
  bool saveLangSignatures_ = true, hexStringNumbers_ = false;

  std::optional<Document> document_;
  QString lgpPath_;      // where Save writes; empty for a document opened from flash
  QString imagePath_;    // the flash image or language file it came from, if any
  QByteArray diskHash_;  // of the file's bytes as read or last written
  QFutureWatcher<std::shared_ptr<Opened>> opening_;
  QString openingPath_;
  bool openingNow_ = false;
  std::uint64_t generation_ = 0;  // counts the compiles that moved the pivot generator on

  // Typing into the field: keystrokes into one message are one undo step.
  std::int32_t typingMessage_ = -1;
  std::uint64_t typingRevision_ = 0;
  bool typingStep_ = false;    // the burst's step is the newest one
  bool fieldEditing_ = false;  // the change came from the field: leave its text alone
  QElapsedTimer sinceKeystroke_;
  bool showingMessage_ = false;  // the field is being filled, not typed into

  MessageTableModel* model_ = nullptr;
  PackGauge* gauge_ = nullptr;
  QTableView* table_ = nullptr;
  QComboBox* editLanguage_ = nullptr;
  QComboBox* referenceLanguage_ = nullptr;
  QComboBox* filter_ = nullptr;
  QLineEdit* languageName_ = nullptr;
  SuggestionsPanel* suggestions_ = nullptr;
  QPushButton* useForAll_ = nullptr;
  QStringList reportedMemories_;  // unreadable memories already named
  struct LoadedMemories {
    std::vector<MemoryIndex> Memories;
    std::vector<std::pair<QString, QString>> Failures;  // path, reason
  };
  QFutureWatcher<LoadedMemories> memoryWatcher_;
  bool memoriesLoading_ = false;
  QString addingMemory_;  // left out of the list when it cannot be read
  QComboBox* dictionary_ = nullptr;
  EscapeHighlighter* translationHighlighter_ = nullptr;
  std::shared_ptr<SpellChecker> checker_;
  // A dictionary being read: the checker with the personal words, or the reason it failed.
  struct LoadedDictionary {
    std::shared_ptr<SpellChecker> Checker;
    std::string Failure;
  };
  QFutureWatcher<LoadedDictionary> dictionaryWatcher_;
  bool dictionaryLoading_ = false;
  QString dictionaryName_;               // of the checker, or of the one being read
  std::uint64_t checkerGeneration_ = 0;  // counts the dictionaries and words lists loaded or changed
  // The Misspelt filter's check: of which texts, and what it found.
  struct SpellingKey {
    std::uint64_t Revision = 0, Generation = 0;
    std::size_t Language = 0, Reference = 0;
    friend bool operator==(const SpellingKey&, const SpellingKey&) = default;
  };
  QFutureWatcher<std::vector<std::int32_t>> spellingWatcher_;
  bool spellingRunning_ = false;
  SpellingKey spellingRunningKey_, misspeltKey_;
  std::optional<std::vector<std::int32_t>> misspelt_;
  QLineEdit* search_ = nullptr;
  QLineEdit* goTo_ = nullptr;
  QWidget* replaceBar_ = nullptr;
  QLineEdit* findText_ = nullptr;
  QLineEdit* replaceText_ = nullptr;
  QCheckBox* matchCase_ = nullptr;
  QLabel* findCount_ = nullptr;
  QPlainTextEdit* referenceView_ = nullptr;
  QPlainTextEdit* translationEdit_ = nullptr;
  QLabel* messageTitle_ = nullptr;
  QLabel* costLabel_ = nullptr;
  QLabel* problemsLabel_ = nullptr;
  QLabel* countsLabel_ = nullptr;
  QLabel* commandStatus_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* saveAction_ = nullptr;
  QList<QAction*> documentActions_;  // need an open document

  double progressMinimum_ = 0, progressMaximum_ = 100, progressValue_ = 0;
  QElapsedTimer sinceEvents_;
  std::function<void()> yieldHook_;
};

}  // namespace tarvo
