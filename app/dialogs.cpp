#include "app/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

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

}  // namespace tarvo
