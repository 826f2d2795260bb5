#include "app/commands/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString CannotWrite(const QString& path, const QString& reason) {
  return QStringLiteral("Не удалось сохранить файл %1: %2. Выберите другую папку или другое имя.")
      .arg(QDir::toNativeSeparators(path), reason);
}

}  // namespace

QString SaveFileWhole(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  if (info.isDir()) return CannotWrite(path, QStringLiteral("это папка, а не файл"));
  if (!info.dir().exists()) return CannotWrite(path, QStringLiteral("папка не существует"));
  QSaveFile file(path);
  // Never fall back to writing the target in place: a failure then would leave half a file.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return CannotWrite(path, file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return CannotWrite(path, reason);
  }
  if (!file.commit()) return CannotWrite(path, file.errorString());
  return {};
}
