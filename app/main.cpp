#include <QApplication>

#include "app/tform1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Harmora"));
  QApplication::setApplicationDisplayName(QStringLiteral("Harmora"));
  QApplication::setApplicationVersion(QStringLiteral(HARMORA_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("harmora"));
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSize(8);
  QApplication::setFont(font);
  TForm1 form1;
  form1.show();
  return QApplication::exec();
}
