#include "app/editor/editor_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "app/editor/escape_highlighter.h"
#include "app/editor/language_names.h"
#include "app/editor/message_table_model.h"
#include "app/editor/pack_gauge.h"
#include "app/editor/suggestions_panel.h"
#include "app/frame_progress.h"
#include "config/error.h"
#include "document/consistency.h"
#include "document/filters.h"
#include "document/measure.h"
#include "spelling/spell_checker.h"

namespace tarvo {

namespace {

const QString kRecentKey = QStringLiteral("editor/recentFiles");
const QString kGeometryKey = QStringLiteral("editor/geometry");
const QString kSplitterKey = QStringLiteral("editor/splitter");
constexpr int kRecentFiles = 8;
constexpr qint64 kEventIntervalMs = 15;
// Keystrokes into one message closer than this make one undo step.
constexpr qint64 kTypingPauseMs = 2000;

// The .lgp holds each text on one line: a typed or pasted line break is the
// phone's own line break escape.
QString OneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("<0A>"));
  text.replace(u'\n', QStringLiteral("<0A>"));
  text.replace(u'\r', QStringLiteral("<0D>"));
  text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("<0A>"));
  return text;
}

}  // namespace

EditorWindow::EditorWindow(const Configuration& config, PivotRandom& pivots, Dialogs& dialogs,
                           bool* commandRunning)
    : config_(config), pivots_(pivots), dialogs_(dialogs), commandRunning_(commandRunning) {
  setObjectName(QStringLiteral("EditorWindow"));
  setAcceptDrops(true);
  CreateControls();
  CreateActions();
  connect(&opening_, &QFutureWatcher<std::shared_ptr<Opened>>::finished, this, &EditorWindow::FinishOpening);
  const QSettings settings;
  if (!restoreGeometry(settings.value(kGeometryKey).toByteArray())) resize(1100, 720);
  UpdateTitleAndCounts();
  sinceEvents_.start();
}

EditorWindow::~EditorWindow() {
  opening_.waitForFinished();
  spellingWatcher_.waitForFinished();
  dictionaryWatcher_.waitForFinished();
  memoryWatcher_.waitForFinished();
  // The views outlive the document while the window's widgets are torn
  // down, and still ask the model for their headers and cells.
  model_->SetDocument(nullptr, nullptr);
  model_->SetCost({});
}

void EditorWindow::SetDecompileOptions(bool saveLangSignatures, bool hexStringNumbers) {
  saveLangSignatures_ = saveLangSignatures;
  hexStringNumbers_ = hexStringNumbers;
}

// ---------------------------------------------------------------------------
// Controls and menus

void EditorWindow::CreateControls() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("EditorCentral"));
  auto* layout = new QVBoxLayout(central);

  auto* choosers = new QHBoxLayout;
  auto addLabelled = [&](const QString& label, QWidget* widget) {
    auto* caption = new QLabel(label, central);
    caption->setBuddy(widget);
    choosers->addWidget(caption);
    choosers->addWidget(widget);
  };
  editLanguage_ = new QComboBox(central);
  editLanguage_->setObjectName(QStringLiteral("EditLanguage"));
  editLanguage_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  referenceLanguage_ = new QComboBox(central);
  referenceLanguage_->setObjectName(QStringLiteral("ReferenceLanguage"));
  referenceLanguage_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  filter_ = new QComboBox(central);
  filter_->setObjectName(QStringLiteral("Filter"));
  const std::pair<const char*, MessageFilter> filters[] = {
      {"All messages", MessageFilter::All},
      {"Untranslated", MessageFilter::Untranslated},
      {"Same as reference", MessageFilter::SameAsReference},
      {"With problems", MessageFilter::WithProblems},
      {"Changed since opening", MessageFilter::Changed},
      {"Over 254 codes", MessageFilter::Overlong},
      {"Inconsistent", MessageFilter::Inconsistent}};
  for (const auto& [name, filter] : filters)
    filter_->addItem(QString::fromLatin1(name), static_cast<int>(filter));
  filter_->addItem(QStringLiteral("Misspelt"), kMisspeltFilter);
  search_ = new QLineEdit(central);
  search_->setObjectName(QStringLiteral("Search"));
  search_->setPlaceholderText(QStringLiteral("Search texts and numbers ($7B)"));
  search_->setClearButtonEnabled(true);
  search_->setMinimumWidth(120);
  goTo_ = new QLineEdit(central);
  goTo_->setObjectName(QStringLiteral("GoTo"));
  goTo_->setPlaceholderText(QStringLiteral("Go to message"));
  goTo_->setMaximumWidth(130);
  languageName_ = new QLineEdit(central);
  languageName_->setObjectName(QStringLiteral("LanguageName"));
  languageName_->setPlaceholderText(QStringLiteral("Name the language"));
  languageName_->setToolTip(
      QStringLiteral("A name for the edited language's LangId, such as German; kept for every pack"));
  languageName_->setMaximumWidth(100);
  dictionary_ = new QComboBox(central);
  dictionary_->setObjectName(QStringLiteral("Dictionary"));
  dictionary_->setToolTip(QStringLiteral("The dictionary that checks the edited language's spelling"));
  dictionary_->addItem(QStringLiteral("No spell checking"), QString());
  dictionary_->setMaximumWidth(130);
  for (const InstalledDictionary& installed : InstalledDictionaries()) {
    const QString name = QString::fromStdString(installed.Name);
    dictionary_->addItem(name, name);
  }
  addLabelled(QStringLiteral("&Edit:"), editLanguage_);
  choosers->addWidget(languageName_);
  choosers->addWidget(dictionary_);
  addLabelled(QStringLiteral("&Reference:"), referenceLanguage_);
  addLabelled(QStringLiteral("S&how:"), filter_);
  choosers->addWidget(search_, 1);
  choosers->addWidget(goTo_);
  layout->addLayout(choosers);

  replaceBar_ = new QWidget(central);
  replaceBar_->setObjectName(QStringLiteral("ReplaceBar"));
  auto* replaceLayout = new QHBoxLayout(replaceBar_);
  replaceLayout->setContentsMargins(0, 0, 0, 0);
  findText_ = new QLineEdit(replaceBar_);
  findText_->setObjectName(QStringLiteral("FindText"));
  findText_->setPlaceholderText(QStringLiteral("Find in the edited language"));
  replaceText_ = new QLineEdit(replaceBar_);
  replaceText_->setObjectName(QStringLiteral("ReplaceText"));
  replaceText_->setPlaceholderText(QStringLiteral("Replace with"));
  auto* replaceOne = new QPushButton(QStringLiteral("Replace"), replaceBar_);
  replaceOne->setObjectName(QStringLiteral("ReplaceOne"));
  auto* replaceAll = new QPushButton(QStringLiteral("Replace all"), replaceBar_);
  replaceAll->setObjectName(QStringLiteral("ReplaceAll"));
  matchCase_ = new QCheckBox(QStringLiteral("Match case"), replaceBar_);
  matchCase_->setObjectName(QStringLiteral("MatchCase"));
  findCount_ = new QLabel(replaceBar_);
  findCount_->setObjectName(QStringLiteral("FindCount"));
  replaceLayout->addWidget(findText_, 1);
  replaceLayout->addWidget(replaceText_, 1);
  replaceLayout->addWidget(matchCase_);
  replaceLayout->addWidget(replaceOne);
  replaceLayout->addWidget(replaceAll);
  replaceLayout->addWidget(findCount_);
  replaceBar_->hide();
  layout->addWidget(replaceBar_);

  auto* splitter = new QSplitter(Qt::Vertical, central);
  splitter->setObjectName(QStringLiteral("Splitter"));
  model_ = new MessageTableModel(this);
  table_ = new QTableView(splitter);
  table_->setObjectName(QStringLiteral("MessageTable"));
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  // Fixed row heights and column widths: a large pack is never measured row by row.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setSectionResizeMode(MessageTableModel::ReferenceColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(MessageTableModel::TextColumn, QHeaderView::Stretch);
  table_->setColumnWidth(MessageTableModel::NumberColumn, 70);
  table_->setColumnWidth(MessageTableModel::CostColumn, 50);
  table_->setColumnWidth(MessageTableModel::ProblemColumn, 70);

  auto* detailsRow = new QWidget(splitter);
  auto* detailsRowLayout = new QHBoxLayout(detailsRow);
  detailsRowLayout->setContentsMargins(0, 0, 0, 0);
  auto* details = new QWidget(detailsRow);
  auto* detailsLayout = new QVBoxLayout(details);
  detailsLayout->setContentsMargins(0, 0, 0, 0);
  suggestions_ = new SuggestionsPanel(detailsRow);
  detailsRowLayout->addWidget(details, 3);
  detailsRowLayout->addWidget(suggestions_, 2);
  messageTitle_ = new QLabel(details);
  messageTitle_->setObjectName(QStringLiteral("MessageTitle"));
  referenceView_ = new QPlainTextEdit(details);
  referenceView_->setObjectName(QStringLiteral("ReferenceView"));
  referenceView_->setReadOnly(true);
  translationEdit_ = new QPlainTextEdit(details);
  translationEdit_->setObjectName(QStringLiteral("TranslationEdit"));
  translationEdit_->setUndoRedoEnabled(false);  // undo is the document's, one step per message typed into
  translationEdit_->installEventFilter(this);
  new EscapeHighlighter(referenceView_->document());
  translationHighlighter_ = new EscapeHighlighter(translationEdit_->document());
  translationEdit_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* below = new QHBoxLayout;
  costLabel_ = new QLabel(details);
  costLabel_->setObjectName(QStringLiteral("StringCost"));
  problemsLabel_ = new QLabel(details);
  problemsLabel_->setObjectName(QStringLiteral("Problems"));
  problemsLabel_->setWordWrap(true);
  problemsLabel_->setStyleSheet(QStringLiteral("color: #a00000"));
  below->addWidget(problemsLabel_, 1);
  useForAll_ = new QPushButton(QStringLiteral("Use this translation for all"), details);
  useForAll_->setObjectName(QStringLiteral("UseForAll"));
  useForAll_->setToolTip(QStringLiteral("Gives every message with the same reference text this translation"));
  useForAll_->hide();
  below->addWidget(useForAll_, 0, Qt::AlignTop);
  below->addWidget(costLabel_, 0, Qt::AlignTop);
  detailsLayout->addWidget(messageTitle_);
  detailsLayout->addWidget(new QLabel(QStringLiteral("Reference:"), details));
  detailsLayout->addWidget(referenceView_, 1);
  auto* translationCaption = new QLabel(QStringLiteral("&Translation:"), details);
  translationCaption->setBuddy(translationEdit_);
  detailsLayout->addWidget(translationCaption);
  detailsLayout->addWidget(translationEdit_, 1);
  detailsLayout->addLayout(below);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({500, 200});
  splitter->restoreState(QSettings().value(kSplitterKey).toByteArray());
  layout->addWidget(splitter, 1);
  setCentralWidget(central);

  countsLabel_ = new QLabel(this);
  countsLabel_->setObjectName(QStringLiteral("Counts"));
  commandStatus_ = new QLabel(this);
  commandStatus_->setObjectName(QStringLiteral("CommandStatus"));
  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setTextVisible(false);
  progressBar_->setMaximumWidth(160);
  progressBar_->hide();
  gauge_ = new PackGauge(this);
  statusBar()->addWidget(countsLabel_);
  statusBar()->addWidget(commandStatus_);
  statusBar()->addPermanentWidget(progressBar_);
  statusBar()->addPermanentWidget(gauge_);

  connect(editLanguage_, &QComboBox::currentIndexChanged, this, [this] { LanguagesChosen(); });
  connect(referenceLanguage_, &QComboBox::currentIndexChanged, this, [this] { LanguagesChosen(); });
  connect(filter_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
  connect(search_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(goTo_, &QLineEdit::returnPressed, this, [this] {
    const auto message = ParseMessageNumber(goTo_->text().trimmed().toStdU16String());
    if (!message || !GoToMessage(*message)) {
      statusBar()->showMessage(QStringLiteral("There is no message %1.").arg(goTo_->text()), 4000);
      return;
    }
    table_->setFocus();
  });
  connect(languageName_, &QLineEdit::editingFinished, this, [this] { LanguageNamed(); });
  connect(dictionary_, &QComboBox::activated, this,
          [this] { SetDictionary(dictionary_->currentData().toString()); });
  connect(translationEdit_, &QPlainTextEdit::customContextMenuRequested, this,
          [this](const QPoint& position) { SpellingMenu(position); });
  connect(&spellingWatcher_, &QFutureWatcher<std::vector<std::int32_t>>::finished, this,
          [this] { SpellingChecked(); });
  connect(&dictionaryWatcher_, &QFutureWatcher<LoadedDictionary>::finished, this,
          [this] { DictionaryLoaded(); });
  connect(&memoryWatcher_, &QFutureWatcher<LoadedMemories>::finished, this, [this] { MemoriesLoaded(); });
  connect(useForAll_, &QPushButton::clicked, this, [this] { UseTranslationForAll(); });
  connect(suggestions_, &SuggestionsPanel::Chosen, this, [this](int index) { UseSuggestion(index); });
  connect(findText_, &QLineEdit::textChanged, this, [this] { UpdateFindCount(); });
  connect(matchCase_, &QCheckBox::toggled, this, [this] { UpdateFindCount(); });
  connect(replaceOne, &QPushButton::clicked, this, [this] { ReplaceOne(); });
  connect(replaceAll, &QPushButton::clicked, this,
          [this] { ReplaceAll(findText_->text(), replaceText_->text()); });
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
    typingMessage_ = -1;
    ShowCurrentMessage();
  });
  connect(model_, &MessageTableModel::Edited, this,
          [this](std::int32_t message) { DocumentChanged({message}); });
  connect(translationEdit_, &QPlainTextEdit::textChanged, this, [this] { FieldEdited(); });
  connect(gauge_, &PackGauge::Measured, this, [this] {
    if (!document_) return;
    // Costs and the problems that need a dictionary follow the newest measure.
    model_->SetMeasure(Measure());
    ShowProblems();
    ShowCurrentCost();
    UpdateTitleAndCounts();
  });
}

QAction* EditorWindow::AddAction(QMenu* menu, const QString& text, const QKeySequence& keys, const char* name,
                                 std::function<void()> run) {
  QAction* action = menu->addAction(text);
  action->setObjectName(QString::fromLatin1(name));
  if (!keys.isEmpty()) action->setShortcut(keys);
  connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
  return action;
}

void EditorWindow::CreateActions() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  AddAction(file, QStringLiteral("&Open..."), QKeySequence::Open, "OpenAction", [this] { AskAndOpen(); });
  recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
  recentMenu_->setObjectName(QStringLiteral("RecentMenu"));
  saveAction_ =
      AddAction(file, QStringLiteral("&Save"), QKeySequence::Save, "SaveAction", [this] { Save(); });
  QAction* saveAs = AddAction(file, QStringLiteral("Save &As..."), QKeySequence::SaveAs, "SaveAsAction",
                              [this] { SaveAs(); });
  file->addSeparator();
  QAction* compile =
      AddAction(file, QStringLiteral("&Compile to flash..."), QKeySequence(QStringLiteral("Ctrl+B")),
                "CompileAction", [this] { CompileToFlash(); });
  QAction* carry = AddAction(file, QStringLiteral("Carry &translations from..."), {}, "CarryAction",
                             [this] { AskAndCarry(); });
  QAction* addMemory = AddAction(file, QStringLiteral("Add translation &memory..."), {}, "AddMemoryAction",
                                 [this] { AskAndAddMemory(); });
  file->addSeparator();
  AddAction(file, QStringLiteral("&Close"), QKeySequence::Close, "CloseAction", [this] { close(); });

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  undoAction_ = AddAction(edit, QStringLiteral("&Undo"), QKeySequence(QStringLiteral("Ctrl+Z")), "UndoAction",
                          [this] { Undo(); });
  redoAction_ = AddAction(edit, QStringLiteral("&Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                          "RedoAction", [this] { Redo(); });
  edit->addSeparator();
  QAction* find =
      AddAction(edit, QStringLiteral("&Find"), QKeySequence(QStringLiteral("Ctrl+F")), "FindAction", [this] {
        search_->setFocus();
        search_->selectAll();
      });
  QAction* replace = AddAction(edit, QStringLiteral("R&eplace"), QKeySequence(QStringLiteral("Ctrl+H")),
                               "ReplaceAction", [this] {
                                 replaceBar_->show();
                                 if (findText_->text().isEmpty()) findText_->setText(search_->text());
                                 findText_->setFocus();
                                 findText_->selectAll();
                               });
  QAction* goTo = AddAction(edit, QStringLiteral("&Go to message..."), QKeySequence(QStringLiteral("Ctrl+G")),
                            "GoToAction", [this] {
                              goTo_->setFocus();
                              goTo_->selectAll();
                            });

  QMenu* go = menuBar()->addMenu(QStringLiteral("&Go"));
  QAction* work =
      AddAction(go, QStringLiteral("Next message &needing work"), QKeySequence(QStringLiteral("Ctrl+Return")),
                "NextWorkAction", [this] { NextNeedingWork(); });
  QAction* next = AddAction(go, QStringLiteral("&Next message"), QKeySequence(QStringLiteral("Ctrl+Down")),
                            "NextAction", [this] { StepMessage(1); });
  QAction* previous =
      AddAction(go, QStringLiteral("&Previous message"), QKeySequence(QStringLiteral("Ctrl+Up")),
                "PreviousAction", [this] { StepMessage(-1); });
  edit->addSeparator();
  QAction* useForAll = AddAction(edit, QStringLiteral("Use this translation for &all"), {}, "UseForAllAction",
                                 [this] { UseTranslationForAll(); });
  documentActions_ = {saveAction_, saveAs, compile, carry, addMemory, find,
                      replace,     goTo,   work,    next,  previous,  useForAll};
  for (int i = 1; i <= 5; ++i) {
    documentActions_ << AddAction(
        edit, QStringLiteral("Use suggestion &%1").arg(i), QKeySequence(QStringLiteral("Ctrl+%1").arg(i)),
        QStringLiteral("UseSuggestion%1").arg(i).toLatin1().constData(), [this, i] { UseSuggestion(i - 1); });
  }
  UpdateRecentMenu();
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == translationEdit_) {
    if (event->type() == QEvent::ShortcutOverride) {
      // Undo and redo in the field are the document's.
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
          key->keyCombination() == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)) {
        event->ignore();
        return true;
      }
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
          key->modifiers() == Qt::NoModifier) {
        translationEdit_->insertPlainText(QStringLiteral("<0A>"));
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::UpdateRecentMenu() {
  recentMenu_->clear();
  const QStringList files = QSettings().value(kRecentKey).toStringList();
  for (int i = 0; i < files.size(); ++i) {
    QAction* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
    action->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
    const QString path = files[i];
    connect(action, &QAction::triggered, this, [this, path] { Open(path); });
  }
  recentMenu_->setEnabled(!files.isEmpty());
}

void EditorWindow::AddRecentFile(const QString& path) {
  QSettings settings;
  QStringList files = settings.value(kRecentKey).toStringList();
  const QString absolute = QFileInfo(path).absoluteFilePath();
  files.removeAll(absolute);
  files.prepend(absolute);
  while (files.size() > kRecentFiles) files.removeLast();
  settings.setValue(kRecentKey, files);
  UpdateRecentMenu();
}

// ---------------------------------------------------------------------------
// Editing

void EditorWindow::ApplyEdits(std::vector<DocumentEdit> edits) {
  if (!document_ || edits.empty()) return;
  std::vector<std::int32_t> messages;
  for (const DocumentEdit& edit : edits) messages.push_back(edit.Message);
  typingMessage_ = -1;
  try {
    document_->Apply(std::move(edits));
  } catch (const Error& e) {
    dialogs_.ShowMessage(this, {e.what(), "Cannot edit", MessageKind::Notice});  // nothing changed
    return;
  }
  DocumentChanged(messages);
}

void EditorWindow::FieldEdited() {
  if (showingMessage_ || !document_) return;
  const std::int32_t message = CurrentMessage();
  if (message < 0 || !document_->CanEdit(model_->EditedLanguage(), message)) return;
  const QString typed = translationEdit_->toPlainText();
  const QString line = OneLine(typed);
  if (line != typed) {
    // Line breaks become escapes in the field too, the cursor kept at the end.
    const QSignalBlocker blocker(translationEdit_);
    translationEdit_->setPlainText(line);
    translationEdit_->moveCursor(QTextCursor::End);
  }
  const std::size_t language = model_->EditedLanguage();
  // Keystrokes into the same message, with nothing else done between them,
  // replace the step they began rather than add one each.
  const bool sameBurst = typingStep_ && typingMessage_ == message &&
                         document_->Revision() == typingRevision_ && sinceKeystroke_.isValid() &&
                         sinceKeystroke_.elapsed() < kTypingPauseMs;
  if (sameBurst) document_->Undo();
  const std::uint64_t before = document_->Revision();
  document_->Apply({{language, message, line.toStdU16String()}});
  typingStep_ = document_->Revision() != before;
  typingMessage_ = message;
  typingRevision_ = document_->Revision();
  sinceKeystroke_.restart();
  fieldEditing_ = true;
  DocumentChanged({message});
  fieldEditing_ = false;
}

void EditorWindow::Undo() {
  if (!document_ || !document_->CanUndo() || IsBusy()) return;
  typingMessage_ = -1;
  document_->Undo();
  DocumentChanged({});
}

void EditorWindow::Redo() {
  if (!document_ || !document_->CanRedo() || IsBusy()) return;
  typingMessage_ = -1;
  document_->Redo();
  DocumentChanged({});
}

void EditorWindow::DocumentChanged(const std::vector<std::int32_t>& messages) {
  if (messages.empty() || messages.size() > 64) {
    model_->AllChanged();
  } else {
    model_->MessagesChanged(messages);
  }
  if (!fieldEditing_)
    ShowCurrentMessage();
  else
    ShowCurrentCost();
  ShowProblems();
  UpdateFindCount();
  gauge_->Request(*document_, pivots_, generation_);
  UpdateTitleAndCounts();
}

// ---------------------------------------------------------------------------
// Showing

std::int32_t EditorWindow::CurrentMessage() const { return model_->MessageAt(table_->currentIndex().row()); }

void EditorWindow::ShowCurrentMessage() {
  const std::int32_t message = document_ ? CurrentMessage() : -1;
  showingMessage_ = true;
  if (message < 0) {
    messageTitle_->clear();
    referenceView_->clear();
    translationEdit_->clear();
    translationEdit_->setReadOnly(true);
  } else {
    const std::size_t edited = model_->EditedLanguage(), reference = model_->ReferenceLanguage();
    messageTitle_->setText(QStringLiteral("Message %1 · %2 against %3")
                               .arg(MessageNumberText(message, document_->HexNumbers()),
                                    LanguageLabel(document_->LangId(edited)),
                                    LanguageLabel(document_->LangId(reference))));
    referenceView_->setPlainText(QString::fromStdU16String(document_->Text(reference, message)));
    ShowSpelling();
    const QString text = QString::fromStdU16String(document_->Text(edited, message));
    if (translationEdit_->toPlainText() != text) translationEdit_->setPlainText(text);
    translationEdit_->setReadOnly(!document_->CanEdit(edited, message));
  }
  showingMessage_ = false;
  suggestions_->ShowFor(document_ ? &*document_ : nullptr, model_->EditedLanguage(),
                        model_->ReferenceLanguage(), message);
  ShowProblems();
  ShowCurrentCost();
}

void EditorWindow::ShowProblems() {
  const std::int32_t message = document_ ? CurrentMessage() : -1;
  if (message < 0) {
    problemsLabel_->clear();
    useForAll_->hide();
    return;
  }
  const std::size_t language = model_->EditedLanguage(), reference = model_->ReferenceLanguage();
  QStringList sentences;
  for (const MessageProblem& problem :
       MessageProblems(*document_, language, message, reference, config_.Chars, Measure())) {
    sentences << QString::fromStdString(problem.Text);
  }
  const auto inconsistency = InconsistencyProblem(*document_, language, reference, message);
  if (inconsistency) sentences << QString::fromStdString(inconsistency->Text);
  useForAll_->setVisible(inconsistency.has_value());
  problemsLabel_->setText(sentences.join(u'\n'));
}

void EditorWindow::ShowCurrentCost() {
  const std::int32_t message = document_ ? CurrentMessage() : -1;
  if (message < 0) {
    costLabel_->clear();
    return;
  }
  const DocumentMeasure* measure = Measure();
  const auto cost = measure ? StringCost(*measure, PackingStrategy::Standard, model_->EditedLanguage(),
                                         document_->Text(model_->EditedLanguage(), message), config_.Chars)
                            : std::nullopt;
  costLabel_->setText(cost ? QStringLiteral("This string: %1 bytes").arg(GroupedNumber(*cost))
                           : QStringLiteral("This string: measuring..."));
}

void EditorWindow::LanguagesChosen() {
  if (!document_) return;
  const int edited = std::max(0, editLanguage_->currentIndex()),
            reference = std::max(0, referenceLanguage_->currentIndex());
  model_->SetLanguages(static_cast<std::size_t>(edited), static_cast<std::size_t>(reference));
  typingMessage_ = -1;
  {
    const QSignalBlocker blocker(languageName_);
    languageName_->setText(LanguageName(document_->LangId(model_->EditedLanguage())));
  }
  suggestions_->Reindex(&*document_, model_->ReferenceLanguage());
  LoadMemories();
  LoadSpelling();
  ApplyFilter();
  UpdateFindCount();
  UpdateTitleAndCounts();
}

void EditorWindow::ApplyFilter() {
  if (!document_) return;
  const std::int32_t current = CurrentMessage();
  const bool misspelt = filter_->currentData().toInt() == kMisspeltFilter;
  MessageQuery query;
  query.Language = model_->EditedLanguage();
  query.Reference = model_->ReferenceLanguage();
  query.Filter = misspelt ? MessageFilter::All : static_cast<MessageFilter>(filter_->currentData().toInt());
  query.Search = search_->text().toStdU16String();
  std::vector<std::int32_t> rows = FindMessages(*document_, query, config_.Chars, Measure());
  if (misspelt) {
    // Until the background check is in, the table stays as it is.
    const auto found = MisspeltRows();
    if (!found) return;
    std::vector<std::int32_t> both;
    std::set_intersection(rows.begin(), rows.end(), found->begin(), found->end(), std::back_inserter(both));
    rows = std::move(both);
  }
  model_->SetRows(std::move(rows));
  int row = model_->RowOf(current);
  if (row < 0 && model_->rowCount() > 0) row = 0;
  if (row >= 0) table_->setCurrentIndex(model_->index(row, MessageTableModel::TextColumn));
  ShowCurrentMessage();
}

void EditorWindow::UpdateTitleAndCounts() {
  const QString path = lgpPath_.isEmpty() ? imagePath_ : lgpPath_;
  setWindowTitle(document_ ? QStringLiteral("%1[*] - Tarvo editor").arg(QFileInfo(path).fileName())
                           : QStringLiteral("Tarvo editor"));
  setWindowModified(document_ && document_->IsModified());
  for (QAction* action : documentActions_) action->setEnabled(document_.has_value());
  undoAction_->setEnabled(document_ && document_->CanUndo());
  redoAction_->setEnabled(document_ && document_->CanRedo());
  if (!document_) {
    countsLabel_->clear();
    return;
  }
  const MessageCounts counts = CountMessages(*document_, model_->EditedLanguage(),
                                             model_->ReferenceLanguage(), config_.Chars, Measure());
  countsLabel_->setText(QStringLiteral("Translated %1 of %2 · %3 with problems · %4 changed")
                            .arg(GroupedNumber(counts.Translated), GroupedNumber(counts.WithReference),
                                 GroupedNumber(counts.WithProblems), GroupedNumber(counts.Changed)));
}

// ---------------------------------------------------------------------------
// Moving and finding

bool EditorWindow::GoToMessage(std::int32_t message) {
  if (!document_ || message < 0 || message > document_->MaxMsgId()) return false;
  if (model_->RowOf(message) < 0) {
    // Shown only by all messages: the filter and the search give way.
    const QSignalBlocker filterBlocker(filter_), searchBlocker(search_);
    filter_->setCurrentIndex(0);
    search_->clear();
    ApplyFilter();
  }
  const int row = model_->RowOf(message);
  if (row < 0) return false;
  const QModelIndex index = model_->index(row, MessageTableModel::TextColumn);
  table_->setCurrentIndex(index);
  table_->scrollTo(index);
  return true;
}

bool EditorWindow::NextNeedingWork() {
  if (!document_) return false;
  const std::int32_t count = document_->MaxMsgId() + 1;
  const std::int32_t start = std::max(CurrentMessage(), std::int32_t{-1});
  for (std::int32_t step = 1; step <= count; ++step) {
    const std::int32_t message = (start + step) % count;
    if (NeedsWork(*document_, model_->EditedLanguage(), model_->ReferenceLanguage(), message, config_.Chars,
                  Measure())) {
      return GoToMessage(message);
    }
  }
  statusBar()->showMessage(QStringLiteral("No message needs work."), 4000);
  return false;
}

bool EditorWindow::StepMessage(int direction) {
  const int row = table_->currentIndex().row() + direction;
  if (row < 0 || row >= model_->rowCount()) return false;
  table_->setCurrentIndex(model_->index(row, MessageTableModel::TextColumn));
  return true;
}

void EditorWindow::UpdateFindCount() {
  if (!document_ || findText_->text().isEmpty()) {
    findCount_->clear();
    return;
  }
  const std::u16string find = findText_->text().toStdU16String();
  std::size_t count = 0;
  for (std::int32_t message = 0; message <= document_->MaxMsgId(); ++message) {
    count +=
        CountOccurrences(document_->Text(model_->EditedLanguage(), message), find, matchCase_->isChecked());
  }
  findCount_->setText(QStringLiteral("%1 found").arg(GroupedNumber(static_cast<std::int64_t>(count))));
}

void EditorWindow::ReplaceOne() {
  if (!document_ || findText_->text().isEmpty()) return;
  const std::u16string find = findText_->text().toStdU16String();
  const std::size_t language = model_->EditedLanguage();
  const std::int32_t current = CurrentMessage();
  if (current >= 0 &&
      CountOccurrences(document_->Text(language, current), find, matchCase_->isChecked()) > 0) {
    ApplyEdits({{language, current,
                 ReplaceOccurrences(document_->Text(language, current), find,
                                    replaceText_->text().toStdU16String(), matchCase_->isChecked())}});
    return;
  }
  // Nothing here: on to the next message that has it.
  const std::int32_t count = document_->MaxMsgId() + 1;
  for (std::int32_t step = 1; step <= count; ++step) {
    const std::int32_t message = (std::max(current, 0) + step) % count;
    if (CountOccurrences(document_->Text(language, message), find, matchCase_->isChecked()) > 0) {
      GoToMessage(message);
      return;
    }
  }
}

int EditorWindow::ReplaceAll(const QString& find, const QString& replacement) {
  if (!document_ || find.isEmpty() || IsBusy()) return 0;
  const std::size_t language = model_->EditedLanguage();
  Replacement replaced = tarvo::ReplaceAll(*document_, language, find.toStdU16String(),
                                           replacement.toStdU16String(), matchCase_->isChecked());
  const auto messages = replaced.Edits.size();
  ApplyEdits(std::move(replaced.Edits));  // one undo step
  findCount_->setText(QStringLiteral("Replaced %1 in %2 messages")
                          .arg(GroupedNumber(static_cast<std::int64_t>(replaced.Count)))
                          .arg(messages));
  return static_cast<int>(replaced.Count);
}

bool EditorWindow::IsMeasuring() const { return gauge_->IsMeasuring(); }

const DocumentMeasure* EditorWindow::Measure() const { return gauge_->Last(); }

// ---------------------------------------------------------------------------
// Window events

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (IsBusy()) {
    // Never in the middle of a compile: it would leave a partly written file.
    event->ignore();
    return;
  }
  if (!AskToKeepChanges()) {
    event->ignore();
    return;
  }
  QSettings settings;
  settings.setValue(kGeometryKey, saveGeometry());
  settings.setValue(kSplitterKey, findChild<QSplitter*>(QStringLiteral("Splitter"))->saveState());
  event->accept();
}

void EditorWindow::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void EditorWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  const QString path = urls.first().toLocalFile();
  // After the drop has finished: opening may ask questions.
  QMetaObject::invokeMethod(
      this, [this, path] { Open(path); }, Qt::QueuedConnection);
}

void EditorWindow::SetBusy(bool busy) {
  centralWidget()->setEnabled(!busy);
  menuBar()->setEnabled(!busy);
  progressBar_->setVisible(busy);
  if (busy) {
    progressMinimum_ = 0;
    progressMaximum_ = 100;
    progressValue_ = 0;
    ShowProgress();
  }
}

bool EditorWindow::IsBusy() const {
  return openingNow_ || ownRunning_ || (commandRunning_ && *commandRunning_);
}

// ---------------------------------------------------------------------------
// The command frame

void EditorWindow::SetStatusText(const std::string& text) {
  commandStatus_->setText(QString::fromStdString(text));
}

void EditorWindow::SetProgressMinimum(double value) {
  progressMinimum_ = value;
  ShowProgress();
}

void EditorWindow::SetProgressMaximum(double value) {
  progressMaximum_ = value;
  ShowProgress();
}

void EditorWindow::SetProgressValue(double value) {
  progressValue_ = value;
  ShowProgress();
}

void EditorWindow::ShowProgress() {
  ShowFrameProgress(*progressBar_, progressMinimum_, progressMaximum_, progressValue_);
}

void EditorWindow::Yield() {
  if (sinceEvents_.elapsed() >= kEventIntervalMs) {
    QCoreApplication::processEvents();
    sinceEvents_.restart();
  }
  if (yieldHook_) yieldHook_();
}

MessageAnswer EditorWindow::ShowMessage(const Message& message) {
  return dialogs_.ShowMessage(this, message);
}

}  // namespace tarvo
