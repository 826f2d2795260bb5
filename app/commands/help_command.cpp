#include "app/commands/help_command.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/window/context_menu.h"
#include "app/window/tform1.h"

QString UserGuidePath(const QString& programDir) {
  const QDir dir(programDir);
  for (const QString& candidate :
       {dir.filePath(QStringLiteral("About.doc")),
        dir.filePath(QStringLiteral("../share/doc/harmora/About.doc"))}) {
    if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
  }
  return {};
}

void CreateHelpCommand(TForm1& form) {
  AddWindowCommand(form, QStringLiteral("Справка"), QKeySequence(Qt::Key_F1), false, [&form] {
    const QString guide = UserGuidePath(QApplication::applicationDirPath());
    const bool opened = !guide.isEmpty() && form.OpenUrl(QUrl::fromLocalFile(guide));
    if (!opened) {
      form.ShowMessage(
          TForm1::MessageKind::Plain,
          QStringLiteral("Ошибка"),
          guide.isEmpty()
              ? QStringLiteral("Руководство пользователя About.doc не найдено.")
              : QStringLiteral("Не удалось открыть руководство пользователя:\n%1\n\nЭто документ "
                               "RTF; откройте его в текстовом процессоре или установите "
                               "программу, которая открывает файлы .doc, например LibreOffice "
                               "Writer (Debian, Ubuntu: sudo apt-get install libreoffice-writer) "
                               "или AbiWord (sudo apt-get install abiword).")
                    .arg(QDir::toNativeSeparators(guide)));
    }
  });
}
