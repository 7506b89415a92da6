// The modal parts of the window: file dialogs and message boxes. Kept behind
// an interface so that tests can choose files and answer questions.
#pragma once

#include <QString>
#include <QStringList>

#include "frame/command_frame.h"

class QWidget;

namespace tarvo {

// One file dialog's settings.
struct FileDialogSettings {
  QString title;
  QString filter;  // "Description|pattern|Description|pattern"
  bool save = false;
  bool mustExist = false;  // the chosen file must exist
};

// A question with buttons of its own, such as Save, Discard and Cancel.
struct Choice {
  QString title;
  QString text;
  QStringList buttons;  // the last one answers a closed box
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The chosen path, or an empty text when the user cancelled.
  virtual QString AskForFile(QWidget* parent, const FileDialogSettings& settings) = 0;
  virtual MessageAnswer ShowMessage(QWidget* parent, const Message& message) = 0;
  // The index of the chosen button.
  virtual int Choose(QWidget* parent, const Choice& choice) = 0;
};

// The real thing: Qt's file dialog and message box.
class QtDialogs final : public Dialogs {
 public:
  QString AskForFile(QWidget* parent, const FileDialogSettings& settings) override;
  MessageAnswer ShowMessage(QWidget* parent, const Message& message) override;
  int Choose(QWidget* parent, const Choice& choice) override;
};

// "A (*.a)|*.a|B (*.*)|*.*" as Qt's name filters; "*.*" means every file.
QStringList NameFilters(const QString& filter);

}  // namespace tarvo
