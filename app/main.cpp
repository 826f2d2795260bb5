#include <QApplication>

#include "app/desktop_integration.h"
#include "app/tform1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The name only: a display name would be appended to every window caption.
  QApplication::setApplicationName(QStringLiteral("Harmora"));
  QApplication::setApplicationVersion(QStringLiteral(HARMORA_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("harmora"));
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSize(8);
  QApplication::setFont(font);
  InstallRussianTranslations(application);
  TForm1 form1;
  form1.show();
  return QApplication::exec();
}
