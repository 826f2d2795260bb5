#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` through a temporary file in the same folder that replaces the target
// only once everything is written and flushed, so a failed save (a read-only folder, a full
// disk, a missing folder) leaves the old file, or no file, as it was. Returns an empty text on
// success, otherwise the Russian message to show, naming the file and the system's reason.
QString SaveFileWhole(const QString& path, const QByteArray& bytes);
