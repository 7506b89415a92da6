// The editor's files: opening in the background, saving in the file's own
// layout, and compiling the current texts into flash.
#include <QComboBox>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableView>
#include <QtConcurrent/QtConcurrentRun>

#include "app/editor/editor_window.h"
#include "app/editor/language_names.h"
#include "app/editor/message_table_model.h"
#include "app/editor/pack_gauge.h"
#include "compile/compile_command.h"
#include "config/error.h"
#include "config/file_io.h"
#include "merge/merge_document.h"

namespace tarvo {

namespace {

const QString kOpenFilter = QStringLiteral(
    "Unicode LGpack file (*.lgp)|*.lgp|Binary flash file (*.bin)|*.bin|SL4x language file (*.lng)|*.lng|"
    "All files (*.*)|*.*");
const QString kTextFilter = QStringLiteral("Unicode LGpack file (*.lgp)|*.lgp|All files (*.*)|*.*");
const QString kFlashFilter =
    QStringLiteral("Binary flash file (*.bin)|*.bin|SL4x language file (*.lng)|*.lng|All files (*.*)|*.*");
QString FileName(const QString& path) { return QFileInfo(path).fileName(); }

QByteArray ContentHash(std::span<const std::uint8_t> bytes) {
  return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                  QCryptographicHash::Sha256);
}

// Whether the file holds other bytes than those it was read or written with
// (by its contents: a touched file is no change, a quick one of the same
// size is). A file that is gone or unreadable now is written anew.
bool ChangedOnDisk(const QString& path, const QByteArray& hash) {
  try {
    return ContentHash(ReadWholeFile(path.toStdString())) != hash;
  } catch (const Error&) {
    return false;
  }
}

// Marks a command as running for as long as it runs, in the window and for
// the whole program.
class RunningScope {
 public:
  RunningScope(bool& own, bool* program) : own_(own), program_(program) {
    own_ = true;
    if (program_) *program_ = true;
  }
  ~RunningScope() {
    own_ = false;
    if (program_) *program_ = false;
  }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  bool& own_;
  bool* program_;
};

}  // namespace

struct EditorWindow::Opened {
  std::optional<Document> document;
  std::string failure;
  bool fromImage = false;
};

// ---------------------------------------------------------------------------
// Opening

void EditorWindow::AskAndOpen() {
  if (IsBusy() || !AskToKeepChanges()) return;
  const QString path =
      dialogs_.AskForFile(this, {QStringLiteral("Open LGpack for editing..."), kOpenFilter, false, true});
  if (!path.isEmpty()) StartOpening(path);
}

void EditorWindow::Open(const QString& path) {
  if (IsBusy() || !AskToKeepChanges()) return;
  StartOpening(path);
}

void EditorWindow::StartOpening(const QString& path) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(path.toStdString());
  } catch (const Error& e) {
    dialogs_.ShowMessage(this, {e.what(), "Cannot open", MessageKind::Notice});
    return;
  }
  const QString name = FileName(path);
  // A text file by its name or its byte order mark; anything else is an image.
  const bool lgp = name.endsWith(QStringLiteral(".lgp"), Qt::CaseInsensitive) ||
                   (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE);
  openingPath_ = path;
  openingNow_ = true;
  commandStatus_->setText(QStringLiteral("Opening %1...").arg(name));
  SetBusy(true);
  progressBar_->setRange(0, 0);  // busy until the document is read
  opening_.setFuture(
      QtConcurrent::run([bytes = std::move(bytes), config = config_, name = name.toStdString(), lgp,
                         signatures = saveLangSignatures_, hex = hexStringNumbers_]() mutable {
        auto opened = std::make_shared<Opened>();
        opened->fromImage = !lgp;
        try {
          opened->document = lgp ? Document::FromLgp(std::move(bytes), name, config)
                                 : Document::FromImage(bytes, name, config, signatures, hex);
        } catch (const std::exception& e) {
          opened->failure = e.what();
        }
        return opened;
      }));
}

void EditorWindow::FinishOpening() {
  const std::shared_ptr<Opened> opened = opening_.result();
  openingNow_ = false;
  SetBusy(false);
  commandStatus_->clear();
  const QString path = openingPath_;
  if (!opened->document) {
    // The message names the file; what was open stays open.
    QString text = QString::fromStdString(opened->failure);
    if (!text.contains(FileName(path))) text = QStringLiteral("Cannot open %1: %2").arg(FileName(path), text);
    dialogs_.ShowMessage(this, {text.toStdString(), "Cannot open", MessageKind::Notice});
    return;
  }
  Install(std::move(*opened->document), path, opened->fromImage);
}

void EditorWindow::Install(Document document, const QString& path, bool fromImage) {
  gauge_->Reset();
  model_->SetDocument(nullptr, nullptr);
  document_.emplace(std::move(document));
  lgpPath_ = fromImage ? QString() : path;
  imagePath_ = fromImage ? path : QString();
  diskHash_ = fromImage ? QByteArray() : ContentHash(document_->SaveBytes());  // unedited: the bytes as read
  typingMessage_ = -1;

  model_->SetDocument(&*document_, &config_.Chars);
  model_->SetCost([this](std::size_t language, const std::u16string& text) {
    const DocumentMeasure* measure = Measure();
    return measure ? StringCost(*measure, PackingStrategy::Standard, language, text, config_.Chars)
                   : std::nullopt;
  });
  for (QComboBox* chooser : {editLanguage_, referenceLanguage_}) {
    const QSignalBlocker blocker(chooser);
    chooser->clear();
    for (std::size_t l = 0; l < document_->LanguageCount(); ++l) {
      chooser->addItem(QStringLiteral("%1: %2").arg(l + 1).arg(LanguageLabel(document_->LangId(l))));
    }
  }
  {
    const QSignalBlocker blocker(editLanguage_);
    editLanguage_->setCurrentIndex(document_->LanguageCount() > 1 ? 1 : 0);
  }
  LanguagesChosen();
  if (model_->rowCount() > 0) table_->setCurrentIndex(model_->index(0, MessageTableModel::TextColumn));
  AddRecentFile(path);
  gauge_->Request(*document_, pivots_, generation_);
  UpdateTitleAndCounts();
}

// ---------------------------------------------------------------------------
// Saving

bool EditorWindow::AskToKeepChanges() {
  if (document_) FinishTableEdit();
  if (!document_ || !document_->IsModified()) return true;
  const QString name = lgpPath_.isEmpty() ? FileName(imagePath_) : FileName(lgpPath_);
  const int choice =
      dialogs_.Choose(this, {QStringLiteral("Unsaved changes"),
                             QStringLiteral("%1 has changes that are not saved. Save them?").arg(name),
                             {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}});
  if (choice == 0) return Save();
  return choice == 1;
}

void EditorWindow::FinishTableEdit() {
  // The table's editor gives its text to the model when it loses the focus.
  if (QWidget* editor = table_->indexWidget(table_->currentIndex()); editor && editor->hasFocus()) {
    table_->setFocus();
  }
}

bool EditorWindow::Save() {
  if (!document_ || IsBusy()) return false;
  FinishTableEdit();
  if (lgpPath_.isEmpty()) return SaveAs();
  if (ChangedOnDisk(lgpPath_, diskHash_)) {
    const int choice = dialogs_.Choose(
        this,
        {QStringLiteral("File changed on disk"),
         QStringLiteral("%1 has been changed by another program since it was opened. Overwrite it with the "
                        "texts of the editor?")
             .arg(DisplayPath(lgpPath_.toStdString()).c_str()),
         {QStringLiteral("Overwrite"), QStringLiteral("Cancel")}});
    if (choice != 0) return false;
  }
  return WriteTo(lgpPath_);
}

bool EditorWindow::SaveAs() {
  if (!document_ || IsBusy()) return false;
  const QString path =
      dialogs_.AskForFile(this, {QStringLiteral("Save LGpack as..."), kTextFilter, true, false});
  return !path.isEmpty() && WriteTo(path);
}

bool EditorWindow::WriteTo(const QString& path) {
  try {
    // A temporary file beside it, renamed over it: a failure leaves the old file.
    WriteFileReplacing(path.toStdString(), document_->SaveBytes());
  } catch (const Error& e) {
    QString text = QString::fromUtf8(e.what());
    if (!text.contains(FileName(path))) text = QStringLiteral("Cannot save %1: %2").arg(path, text);
    dialogs_.ShowMessage(this, {text.toStdString(), "Cannot save", MessageKind::Notice});
    return false;
  }
  document_->MarkSaved();
  lgpPath_ = path;
  diskHash_ = ContentHash(document_->SaveBytes());
  AddRecentFile(path);
  UpdateTitleAndCounts();
  statusBar()->showMessage(QStringLiteral("Saved %1").arg(FileName(path)), 4000);
  return true;
}

// ---------------------------------------------------------------------------
// Compiling

void EditorWindow::CompileToFlash() {
  if (!document_ || IsBusy()) return;
  FinishTableEdit();
  QString target;
  if (!imagePath_.isEmpty()) {
    const int choice = dialogs_.Choose(
        this,
        {QStringLiteral("Compile to flash"),
         QStringLiteral("Write the pack into %1, the file these texts came from?").arg(FileName(imagePath_)),
         {QStringLiteral("Write into %1").arg(FileName(imagePath_)), QStringLiteral("Choose another file..."),
          QStringLiteral("Cancel")}});
    if (choice == 0) target = imagePath_;
    if (choice == 2) return;
  }
  if (target.isEmpty()) {
    target =
        dialogs_.AskForFile(this, {QStringLiteral("Save LGpack in flash as..."), kFlashFilter, true, true});
    if (target.isEmpty()) return;
  }
  CompileTexts(target);
  // The standard packer's generator has moved on: the standard figure with it.
  PivotsAdvanced();
}

void EditorWindow::CompileTexts(const QString& flashPath) {
  const RunningScope running(ownRunning_, commandRunning_);
  // The current texts as Save would write them; the command writes nothing
  // into the flash file when it fails.
  const QString name = FileName(lgpPath_.isEmpty() ? imagePath_ : lgpPath_);
  RunCompileText(*this, config_, pivots_, document_->SaveBytes(), name.toStdString(),
                 flashPath.toStdString());
}

// ---------------------------------------------------------------------------
// Carrying a translation

void EditorWindow::AskAndCarry() {
  if (!document_ || IsBusy()) return;
  const QString path =
      dialogs_.AskForFile(this, {QStringLiteral("Carry translations from..."), kTextFilter, false, true});
  if (!path.isEmpty()) CarryFrom(path);
}

void EditorWindow::CarryFrom(const QString& oldPath) {
  if (!document_ || IsBusy()) return;
  FinishTableEdit();
  DocumentMerge merge;
  try {
    merge = PlanDocumentMerge(ReadWholeFile(oldPath.toStdString()), DisplayPath(oldPath.toStdString()),
                              *document_, model_->EditedLanguage(), model_->ReferenceLanguage());
  } catch (const Error& e) {
    // The message names the file and the reason; the document stays as it was.
    QString text = QString::fromStdString(e.what());
    if (!text.contains(FileName(oldPath))) text = QStringLiteral("Cannot read %1: %2").arg(oldPath, text);
    dialogs_.ShowMessage(this, {text.toStdString(), "Cannot carry translations", MessageKind::Notice});
    return;
  }
  ApplyEdits(std::move(merge.Edits));  // one undo step
  dialogs_.ShowMessage(this, {DocumentMergeText(merge), "Carry translations", MessageKind::Notice});
}

void EditorWindow::PivotsAdvanced() {
  ++generation_;
  if (document_) gauge_->Request(*document_, pivots_, generation_);
}

}  // namespace tarvo
