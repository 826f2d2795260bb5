// The desktop's conventions: where the open dialog starts and what it offers, Qt's own texts in
// Russian, and names a screen reader can speak.
#include "app/window/desktop_integration.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

class DesktopIntegrationTest : public QObject {
  Q_OBJECT

 private slots:
  void TheDialogStartsBesideABuildTreeButInTheWorkingFolderWhenInstalled() {
    const QString work = QStringLiteral("/home/u/data");
    QCOMPARE(OpenDialogStart(QStringLiteral("/home/u/harmora/build/app"), work),
             QStringLiteral("/home/u/harmora/build/app"));
    QCOMPARE(OpenDialogStart(QStringLiteral("/tmp/b/app"), work), QStringLiteral("/tmp/b/app"));
    QCOMPARE(OpenDialogStart(QStringLiteral("/usr/bin"), work), work);
    QCOMPARE(OpenDialogStart(QStringLiteral("/usr/local/bin"), work), work);
    QCOMPARE(OpenDialogStart(QStringLiteral("/opt/harmora/bin"), work), work);
    QCOMPARE(OpenDialogStart(QStringLiteral("/usrdata/bin"), work), QStringLiteral("/usrdata/bin"));
  }

  void TheDialogOffersTextFirstThenAllFilesAndFollowsTheLastFile() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString csv = WriteDataFile(dir, QStringLiteral("pairs.csv"), "1 2 3 4 5 6 7 8");
    QStringList filters;
    QString start;
    auto answer = [&](const QString& choice) {
      QTimer::singleShot(0, [&, choice] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        filters = dialog->nameFilters();
        start = dialog->directory().absolutePath();
        if (choice.isEmpty()) {
          dialog->reject();
        } else {
          dialog->selectFile(choice);
          QMetaObject::invokeMethod(dialog, "accept");
        }
      });
    };
    answer(QString());
    f.BitBtn1Click();
    QCOMPARE(filters,
             (QStringList{QStringLiteral("Text (*.txt)"), QStringLiteral("Все файлы (*)")}));
    QCOMPARE(start,
             QDir(OpenDialogStart(QApplication::applicationDirPath(), QDir::currentPath()))
                 .absolutePath());

    answer(csv);
    f.RunHandler([&] { f.BitBtn1Click(); });
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - pairs.csv (4)"));
    answer(QString());
    f.BitBtn1Click();
    QCOMPARE(start, QDir(dir.path()).absolutePath());
  }

  void QtsOwnTextsSpeakRussian() {
    QVERIFY(InstallRussianTranslations(*qApp));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    // The open dialog's type column: Qt 6 asks in a context its Russian catalogue lacks.
    QCOMPARE(
        QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
        QStringLiteral("Папка"));
  }

  void EveryControlAndPictureHasARussianName() {
    WindowFixture w;
    TForm1& f = w.Form;
    const QList<QWidget*> named = {
        static_cast<QWidget*>(f.BitBtn1),
        static_cast<QWidget*>(f.BitBtn2),
        static_cast<QWidget*>(f.BitBtn3),
        static_cast<QWidget*>(f.BitBtn4),
        static_cast<QWidget*>(f.BitBtn5),
        static_cast<QWidget*>(f.BitBtn6),
        static_cast<QWidget*>(f.BitBtn7),
        static_cast<QWidget*>(f.BitBtn8),
        static_cast<QWidget*>(f.UpDown1),
        static_cast<QWidget*>(f.UpDown2),
        static_cast<QWidget*>(f.UpDown3),
        static_cast<QWidget*>(f.UpDown4),
        static_cast<QWidget*>(f.UpDown5),
        static_cast<QWidget*>(f.Edit1),
        static_cast<QWidget*>(f.Edit6),
        static_cast<QWidget*>(f.ComboBox1),
        static_cast<QWidget*>(f.Image1),
        static_cast<QWidget*>(f.Image2),
        static_cast<QWidget*>(f.Image3),
        static_cast<QWidget*>(f.Image4),
        static_cast<QWidget*>(f.Image5),
        static_cast<QWidget*>(f.Image6),
        static_cast<QWidget*>(f.Image7),
        static_cast<QWidget*>(static_cast<QAbstractScrollArea*>(f.Memo1))};
    const QRegularExpression cyrillic(QStringLiteral("[А-Яа-яЁё]"));
    for (QWidget* widget : named) {
      QVERIFY2(widget->accessibleName().contains(cyrillic),
               qPrintable(widget->metaObject()->className()));
    }
    QCOMPARE(f.BitBtn1->accessibleName(), QStringLiteral("Открыть файл данных"));
    QVERIFY(!f.BitBtn2->toolTip().isEmpty());
  }
};

QTEST_MAIN(DesktopIntegrationTest)
#include "desktop_integration_test.moc"
