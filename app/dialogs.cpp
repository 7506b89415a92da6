#include "app/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace tarvo {

QStringList NameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    // The description already names the pattern; Qt reads the one in brackets.
    filters << parts[i].section(u'(', 0, 0).trimmed() + QStringLiteral(" (") + pattern.replace(u';', u' ') +
                   QStringLiteral(")");
  }
  return filters;
}


QString QtDialogs::AskForFile(QWidget* parent, const FileDialogSettings& settings) {
  for (;;) {
    QFileDialog dialog(parent, settings.title);
    dialog.setNameFilters(NameFilters(settings.filter));
    dialog.selectNameFilter(dialog.nameFilters().value(0));
    dialog.setAcceptMode(settings.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(settings.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().constFirst();
    if (!settings.mustExist || QFileInfo::exists(path)) return path;
    // A save dialog that must name an existing file (the flash image is
    // updated in place) says so and asks again.
    QMessageBox::warning(parent, settings.title,
                         path + QStringLiteral("\nFile not found.\nCheck the file name and try again."));
  }
}

MessageAnswer QtDialogs::ShowMessage(QWidget* parent, const Message& message) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(message.Title), QString::fromStdString(message.Text),
                  message.HasCancel() ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
  if (message.HasCancel()) box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

int QtDialogs::Choose(QWidget* parent, const Choice& choice) {
  QMessageBox box(QMessageBox::Question, choice.title, choice.text, QMessageBox::NoButton, parent);
  QList<QAbstractButton*> buttons;
  for (int i = 0; i < choice.buttons.size(); ++i) {
    const bool last = i + 1 == choice.buttons.size();
    buttons << box.addButton(choice.buttons[i], last ? QMessageBox::RejectRole
                                                     : i == 0 ? QMessageBox::AcceptRole : QMessageBox::DestructiveRole);
  }
  if (!buttons.isEmpty()) {
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons.first()));
    box.setEscapeButton(buttons.last());
  }
  box.exec();
  const int chosen = static_cast<int>(buttons.indexOf(box.clickedButton()));
  return chosen >= 0 ? chosen : static_cast<int>(choice.buttons.size()) - 1;
}

}  // namespace tarvo
