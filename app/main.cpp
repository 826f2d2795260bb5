#include <QApplication>
#include <clocale>

#include "app/window/desktop_integration.h"
#include "app/window/tform1.h"
#include "app/window_commands.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // Number text never depends on the locale: doubles are written with std::to_chars and read with
  // std::from_chars (the data file reader parses in the C locale). QApplication has just set the C
  // library's locale from the environment; pinning LC_NUMERIC back to "C" guards any printf-style
  // formatting a library might do, so a decimal-comma desktop gets the same bytes as any other.
  std::setlocale(LC_NUMERIC, "C");
  // The name only: a display name would be appended to every window caption.
  QApplication::setApplicationName(QStringLiteral("Harmora"));
  QApplication::setApplicationVersion(QStringLiteral(HARMORA_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("harmora"));
  QFont font(QStringLiteral("Sans Serif"));
  font.setPointSize(8);
  QApplication::setFont(font);
  InstallRussianTranslations(application);
  TForm1 form1;
  CreateWindowCommands(form1);
  form1.show();
  return QApplication::exec();
}
