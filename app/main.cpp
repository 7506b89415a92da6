#include <QApplication>

#include "app/main_form.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));
  tarvo::MainForm form;
  if (!form.Form_Load()) return 1;
  form.show();
  return QApplication::exec();
}
