#include "app/main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QStyle>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <cmath>

#include "app/editor/editor_window.h"
#include "app/frame_progress.h"
#include "compile/compile_command.h"
#include "config/file_io.h"
#include "decompile/decompile_command.h"

namespace tarvo {

namespace {

const QString kTextFilter = QStringLiteral("Unicode LGpack file (*.lgp)|*.lgp|All files (*.*)|*.*");
const QString kFlashFilter =
    QStringLiteral("Binary flash file (*.bin)|*.bin|SL4x language file (*.lng)|*.lng|All files (*.*)|*.*");

// Pending events are handled at most this often while a command runs: often
// enough to repaint and take clicks, rarely enough not to slow the command.
constexpr qint64 kEventIntervalMs = 15;

}  // namespace

MainForm::MainForm(std::unique_ptr<Dialogs> dialogs, std::filesystem::path configPath)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<QtDialogs>()), configPath_(std::move(configPath)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Tarvo v1.35"));
  // The same drawing as the desktop menu's icon, compiled into the program.
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/tarvo_32.png"));
  icon.addFile(QStringLiteral(":/icons/tarvo_16.png"));
  setWindowIcon(icon);
  // A fixed dialog-like window: no maximize button, no resizing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(297, 273);
  CreateControls();
  FitFont();
  sinceEvents_.start();
}

MainForm::~MainForm() = default;

void MainForm::CreateControls() {
  // Sizes are pixels at 96 dpi; Qt scales the whole window on other displays.
  hexStringNumbersCheck_ = new QCheckBox(QStringLiteral("String numbers in hex"), this);
  hexStringNumbersCheck_->setObjectName(QStringLiteral("HexStringNumbersCheck"));
  hexStringNumbersCheck_->setGeometry(56, 40, 185, 17);

  saveLangSigCheck_ = new QCheckBox(QStringLiteral("Save language signatures in .lgp"), this);
  saveLangSigCheck_->setObjectName(QStringLiteral("SaveLangSigCheck"));
  saveLangSigCheck_->setGeometry(56, 16, 185, 17);
  saveLangSigCheck_->setChecked(true);
  // The editor opens images with the options as they are now, also when it
  // opens one of its own accord (its Open, recent files, a dropped file).
  for (QCheckBox* option : {hexStringNumbersCheck_, saveLangSigCheck_}) {
    connect(option, &QCheckBox::toggled, this, [this] {
      if (editor_) editor_->SetDecompileOptions(saveLangSigCheck_->isChecked(), hexStringNumbersCheck_->isChecked());
    });
  }

  progressBar_ = new QProgressBar(this);
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setGeometry(96, 256, 201, 17);
  progressBar_->setTextVisible(false);
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);

  statusBar_ = new QStatusBar(this);
  statusBar_->setObjectName(QStringLiteral("StatusBar"));
  statusBar_->setGeometry(0, 254, 297, 19);
  statusBar_->setSizeGripEnabled(false);
  statusPanel_ = new QLabel(statusBar_);
  statusPanel_->setObjectName(QStringLiteral("StatusPanel"));
  statusBar_->addWidget(statusPanel_);

  compileBase_ = new QPushButton(QStringLiteral("Compile LGpack to flash"), this);
  compileBase_->setObjectName(QStringLiteral("CompileBase"));
  compileBase_->setGeometry(48, 136, 201, 33);
  connect(compileBase_, &QPushButton::clicked, this, [this] { CompileBase_Click(); });

  decompileBase_ = new QPushButton(QStringLiteral("Decompile LGpack from flash"), this);
  decompileBase_->setObjectName(QStringLiteral("DecompileBase"));
  decompileBase_->setGeometry(48, 80, 201, 33);
  connect(decompileBase_, &QPushButton::clicked, this, [this] { DecompileBase_Click(); });

  // The editor, below the two commands; the window grew by its row.
  editBase_ = new QPushButton(QStringLiteral("Edit LGpack..."), this);
  editBase_->setObjectName(QStringLiteral("EditBase"));
  editBase_->setGeometry(48, 192, 201, 33);
  connect(editBase_, &QPushButton::clicked, this, [this] { EditBase_Click(); });

  label1_ = new QLabel(QStringLiteral("Tarvo, for phone modders"), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setGeometry(168, 240, 129, 17);

  // The progress bar lies over the right part of the status bar.
  progressBar_->raise();

  // Tab order: the three buttons, the bars, the signature option, the label and
  // the hex option. Only the buttons and options take the focus.
  QWidget* const tabOrder[] = {decompileBase_,    compileBase_, editBase_, statusBar_, progressBar_,
                               saveLangSigCheck_, label1_,      hexStringNumbersCheck_};
  // Qt orders only widgets that take the focus, so the passive ones take it
  // while the chain is made.
  QWidget* const passive[] = {statusBar_, progressBar_, label1_};
  for (QWidget* widget : passive) widget->setFocusPolicy(Qt::TabFocus);
  for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i) setTabOrder(tabOrder[i], tabOrder[i + 1]);
  for (QWidget* widget : passive) widget->setFocusPolicy(Qt::NoFocus);
  decompileBase_->setFocus();
}

void MainForm::FitFont() {
  // The layout is drawn for a small, narrow 8-point font. Take a narrow face
  // where there is one and the largest size up to 8 points at which every
  // text fits its control.
  QFont small = font();
  small.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                     QStringLiteral("Arial"), small.family()});
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                        style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing) + 2;
  for (int pixels = 11; pixels >= 7; --pixels) {
    small.setPixelSize(pixels);
    const QFontMetrics metrics(small);
    auto fits = [&](const QWidget* widget, const QString& text, int extra) {
      return metrics.horizontalAdvance(text) + extra <= widget->width();
    };
    if (fits(saveLangSigCheck_, saveLangSigCheck_->text(), indicator) &&
        fits(hexStringNumbersCheck_, hexStringNumbersCheck_->text(), indicator) &&
        fits(label1_, label1_->text(), 0)) {
      break;
    }
  }
  setFont(small);
}

bool MainForm::Form_Load() {
  config_ = {};
  LoadConfiguration(configPath_.empty() ? FindConfiguration(ExecutableDirectory()) : configPath_, config_);
  if (IsUsable(config_)) return true;
  dialogs_->ShowMessage(this, {"Error reading configuration!", "Error", MessageKind::Notice});
  return false;
}

// Marks a command as running for as long as its handler runs.
class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

void MainForm::DecompileBase_Click() {
  if (running_) return;
  const RunningFlag running(running_);
  const QString flash = dialogs_->AskForFile(this, {QStringLiteral("Open LGpack in flash..."), kFlashFilter, false, true});
  if (flash.isEmpty()) return;
  const QString lgp = dialogs_->AskForFile(this, {QStringLiteral("Save decompiled LGpack as..."), kTextFilter, true, false});
  if (lgp.isEmpty()) return;
  RunDecompile(*this, config_, flash.toStdString(), lgp.toStdString());
  CloseIfAsked();
}

void MainForm::CompileBase_Click() {
  if (running_) return;
  const RunningFlag running(running_);
  const QString lgp = dialogs_->AskForFile(this, {QStringLiteral("Open decompiled LGpack..."), kTextFilter, false, true});
  if (lgp.isEmpty()) return;
  const QString flash = dialogs_->AskForFile(this, {QStringLiteral("Save LGpack in flash as..."), kFlashFilter, true, true});
  if (flash.isEmpty()) return;
  RunCompile(*this, config_, pivots_, lgp.toStdString(), flash.toStdString());
  // The editor's standard figure follows the generator this compile moved on.
  if (editor_) editor_->PivotsAdvanced();
  CloseIfAsked();
}

EditorWindow& MainForm::ShownEditor() {
  if (!editor_) {
    editor_ = std::make_unique<EditorWindow>(config_, pivots_, *dialogs_, &running_);
    editor_->setWindowIcon(windowIcon());
  }
  // The options of the window decide how a flash image is decompiled for it.
  editor_->SetDecompileOptions(saveLangSigCheck_->isChecked(), hexStringNumbersCheck_->isChecked());
  editor_->show();
  editor_->raise();
  editor_->activateWindow();
  return *editor_;
}

void MainForm::EditBase_Click() {
  if (running_) return;
  ShownEditor().AskAndOpen();
}

void MainForm::OpenInEditor(const QString& path) { ShownEditor().Open(path); }

void MainForm::CloseIfAsked() {
  if (!closeRequested_) return;
  closeRequested_ = false;
  // After the handler returns: the command has finished and closed its files.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MainForm::closeEvent(QCloseEvent* event) {
  if (running_) {
    closeRequested_ = true;
    event->ignore();
    return;
  }
  event->accept();
}

void MainForm::SetStatusText(const std::string& text) { statusPanel_->setText(QString::fromStdString(text)); }

void MainForm::SetProgressMinimum(double value) {
  progressMinimum_ = value;
  ShowProgress();
}

void MainForm::SetProgressMaximum(double value) {
  progressMaximum_ = value;
  ShowProgress();
}

void MainForm::SetProgressValue(double value) {
  progressValue_ = value;
  ShowProgress();
}

void MainForm::ShowProgress() {
  ShowFrameProgress(*progressBar_, progressMinimum_, progressMaximum_, progressValue_);
}

void MainForm::Yield() {
  if (sinceEvents_.elapsed() >= kEventIntervalMs) {
    QCoreApplication::processEvents();
    sinceEvents_.restart();
  }
  if (yieldHook_) yieldHook_();
}

MessageAnswer MainForm::ShowMessage(const Message& message) { return dialogs_->ShowMessage(this, message); }

bool MainForm::HexStringNumbers() const { return hexStringNumbersCheck_->isChecked(); }

bool MainForm::SaveLangSignatures() const { return saveLangSigCheck_->isChecked(); }

void MainForm::Lock() {
  compileBase_->setEnabled(false);
  decompileBase_->setEnabled(false);
  editBase_->setEnabled(false);
  saveLangSigCheck_->setEnabled(false);
  // Paint the locked state before the work starts.
  QCoreApplication::processEvents();
}

void MainForm::Unlock() {
  compileBase_->setEnabled(true);
  decompileBase_->setEnabled(true);
  editBase_->setEnabled(true);
  saveLangSigCheck_->setEnabled(true);
}

}  // namespace tarvo
