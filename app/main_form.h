// The main window: two commands, two options, a progress bar and a status
// bar, and the button that opens the editor. It runs the commands against
// itself as their frame.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/dialogs.h"
#include "compile/packing.h"
#include "config/configuration.h"
#include "frame/command_frame.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace tarvo {

class EditorWindow;

class MainForm final : public QWidget, private CommandFrame {
  Q_OBJECT

 public:
  // `dialogs` defaults to Qt's own; `configPath` to tarvo.ini in the working
  // directory, or the default installed with the program when there is none.
  explicit MainForm(std::unique_ptr<Dialogs> dialogs = nullptr, std::filesystem::path configPath = {});
  ~MainForm() override;

  // Loads the configuration. Shows "Error reading configuration!" and returns
  // false when either table stays empty: the program then ends unshown.
  bool Form_Load();

  void CompileBase_Click();
  void DecompileBase_Click();
  // Shows the editor and asks it for a file to open.
  void EditBase_Click();
  // Shows the editor on `path` (the program started with a file).
  void OpenInEditor(const QString& path);
  EditorWindow* Editor() const { return editor_.get(); }

  bool IsBusy() const { return running_; }
  const Configuration& Config() const { return config_; }
  // Runs at every yield of a command, after pending events (a test seam).
  void SetYieldHook(std::function<void()> hook) { yieldHook_ = std::move(hook); }

 protected:
  // Form_Unload: closing ends the program, but never in the middle of a
  // command, which would leave a partly written file: the close waits for it.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CloseIfAsked();
  void FitFont();
  EditorWindow& ShownEditor();

  // The command frame.
  void SetStatusText(const std::string& text) override;
  void SetProgressMinimum(double value) override;
  void SetProgressMaximum(double value) override;
  void SetProgressValue(double value) override;
  double ProgressMaximum() const override { return progressMaximum_; }
  void Yield() override;
  MessageAnswer ShowMessage(const Message& message) override;
  bool HexStringNumbers() const override;
  bool SaveLangSignatures() const override;
  void Lock() override;
  void Unlock() override;
  void ShowProgress();

  std::unique_ptr<Dialogs> dialogs_;
  std::filesystem::path configPath_;
  Configuration config_;
  PivotRandom pivots_;  // goes on from one compile to the next, like the program's generator

  QCheckBox* hexStringNumbersCheck_ = nullptr;
  QCheckBox* saveLangSigCheck_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QStatusBar* statusBar_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QPushButton* compileBase_ = nullptr;
  QPushButton* decompileBase_ = nullptr;
  QPushButton* editBase_ = nullptr;
  QLabel* label1_ = nullptr;

  double progressMinimum_ = 0, progressMaximum_ = 100, progressValue_ = 0;
  bool running_ = false;  // a command runs, from its dialogs to its end
  bool closeRequested_ = false;
  QElapsedTimer sinceEvents_;
  std::function<void()> yieldHook_;
  std::unique_ptr<EditorWindow> editor_;
};

}  // namespace tarvo
