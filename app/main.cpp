#include <QApplication>
#include <QStringList>

#include "app/main_form.h"

// `tarvo` shows the main window; `tarvo FILE` opens FILE in the editor.
int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));
  QApplication::setOrganizationName(QStringLiteral("Tarvo"));
  tarvo::MainForm form;
  if (!form.Form_Load()) return 1;
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() > 1) {
    form.OpenInEditor(arguments.at(1));
  } else {
    form.show();
  }
  return QApplication::exec();
}
