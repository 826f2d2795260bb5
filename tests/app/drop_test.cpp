// A file dropped on the window from a file manager opens through the open workflow.
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include "tests/app/window_test_support.h"

namespace {

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(text);
  return path;
}

// Drags `urls` onto the plot and drops them there; returns whether the window took the drag.
bool DropOn(TForm1& form, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint where(100, 100);
  QDragEnterEvent enter(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &drop);
  return drop.isAccepted();
}

}  // namespace

class DropTest : public QObject {
  Q_OBJECT

 private slots:
  void ADroppedDataFileIsOpened() {
    WindowFixture w;
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "tides.txt", "1 2\n2 3\n3 5\n4 1\n5 -2\n");
    QVERIFY(DropOn(w.Form, {QUrl::fromLocalFile(path)}));
    QCOMPARE(w.Form.windowTitle(), QStringLiteral("Harmora - tides.txt (5)"));
    QCOMPARE(w.Form.State.Observations.LastIndex, 4);
    QCOMPARE(w.Form.State.DataPath, path.toStdString());
    QVERIFY(w.Messages.empty());
  }

  void ADroppedShortFileIsRejectedWithTheMessage() {
    WindowFixture w;
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "short.txt", "1 2 3 4");
    w.Form.State.FitStage = 2;
    QVERIFY(DropOn(w.Form, {QUrl::fromLocalFile(path)}));
    QCOMPARE(w.Messages.size(), size_t{1});
    QCOMPARE(w.Messages[0].Caption, QStringLiteral("Ошибка"));
    QVERIFY(w.Messages[0].Text.startsWith(QStringLiteral("Файл данных должен")));
    QCOMPARE(w.Form.windowTitle(), QStringLiteral("Harmora - random (10)"));
    QCOMPARE(w.Form.State.FitStage, 0);
    QCOMPARE(w.Form.State.Observations.LastIndex, 9);
  }

  void DragsOfSeveralFilesOrOfNonFilesAreRefused() {
    WindowFixture w;
    QTemporaryDir dir;
    const QString a = WriteFile(dir, "a.txt", "1 2 3 4 5 6 7 8");
    const QString b = WriteFile(dir, "b.txt", "1 2 3 4 5 6 7 8");
    const QString title = w.Form.windowTitle();
    QVERIFY(!DropOn(w.Form, {QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}));
    QVERIFY(!DropOn(w.Form, {QUrl(QStringLiteral("https://example.org/data.txt"))}));
    QCOMPARE(w.Form.windowTitle(), title);
    QVERIFY(w.Messages.empty());
  }
};

QTEST_MAIN(DropTest)
#include "drop_test.moc"
