// The import notice over the plot and the view of how a file was read.
#include "app/window/import_notice.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "app/commands/import_view.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

const QByteArray kClean = "x y\n1 2\n3 4\n5 6\n7 8\n";
const QByteArray kExponent = "x y\n1 2\n3 2.5e-04\n5 6\n7 8\n9 1\n";

bool NoticeShown(TForm1& f) {
  const QLabel* notice = ImportNoticeOf(f);
  return notice != nullptr && notice->isVisible();
}

QAction* ViewCommand(TForm1& f) {
  for (QAction* action : f.actions()) {
    if (action->text() == QStringLiteral("Как прочитан файл…")) return action;
  }
  return nullptr;
}

}  // namespace

class ImportNoticeTest : public QObject {
  Q_OBJECT

 private slots:
  void ARiskyFileShowsTheNoticeAndACleanOneDoesNot() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, "clean.txt", kClean));
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - clean.txt (4)"));
    QVERIFY(!NoticeShown(f));

    f.OpenDataFile(WriteDataFile(dir, "exp.txt", kExponent));
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - exp.txt (5)"));
    QVERIFY(w.Messages.empty());
    QVERIFY(NoticeShown(f));
    const QLabel* notice = ImportNoticeOf(f);
    QVERIFY2(notice->text().startsWith(
                 QStringLiteral("Строка 3: «2.5e-04» прочитано как два числа 2.5 и −4")),
             qPrintable(notice->text()));
    // Both the exponent and the longer row it made: one more sign.
    QVERIFY2(notice->text().contains(QStringLiteral("Ещё 1 признак")), qPrintable(notice->text()));

    // Over the top of the plot, inside it.
    const QRect area = notice->geometry();
    QVERIFY(area.top() < 40);
    QVERIFY(area.right() < f.State.Geometry.PlotWidth);
    QVERIFY(area.bottom() < f.State.Geometry.PlotHeight);

    f.OpenDataFile(WriteDataFile(dir, "clean2.txt", kClean));
    QVERIFY(!NoticeShown(f));
  }

  void TheNoticeChangesNothingDrawnUnderIt() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, "exp.txt", kExponent));
    QVERIFY(NoticeShown(f));
    const QLabel* notice = ImportNoticeOf(f);
    const QPoint inside = notice->geometry().center();
    const QImage withNotice = f.PlotImage().copy();
    // On screen the notice covers the plot; the plot's own picture stays black there.
    QCOMPARE(f.grab().toImage().pixelColor(inside), QColor(255, 255, 225));
    QCOMPARE(withNotice.pixelColor(inside), QColor(Qt::black));

    CloseImportNotice(f);
    f.repaint();
    QCOMPARE(f.PlotImage(), withNotice);
  }

  void EscAClickOrTheNextFileCloseIt() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString risky = WriteDataFile(dir, "exp.txt", kExponent);

    f.OpenDataFile(risky);
    QVERIFY(NoticeShown(f));
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!NoticeShown(f));

    f.OpenDataFile(risky);
    QVERIFY(NoticeShown(f));
    const int panelMode = f.State.Geometry.PanelMode;
    ClickOn(f, ImportNoticeOf(f));
    QVERIFY(!NoticeShown(f));
    QCOMPARE(int(f.State.Geometry.PanelMode), panelMode);  // the click did not reach the plot

    // With the report open too, Esc closes the notice first, then the report.
    f.OpenDataFile(risky);
    f.BitBtn2Click();
    f.BitBtn3Click();
    ImportAccepted(f, CheckImportBytes(kExponent.toStdString()), QStringLiteral("exp.txt"));
    QVERIFY(NoticeShown(f) && f.Memo1->isVisible());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!NoticeShown(f));
    QVERIFY(f.Memo1->isVisible());
    QTest::keyClick(&f, Qt::Key_Escape);
    QVERIFY(!f.Memo1->isVisible());

    f.OpenDataFile(risky);
    QVERIFY(NoticeShown(f));
    f.OpenDataFile(WriteDataFile(dir, "short.txt", "1 2 3"));
    QVERIFY(!NoticeShown(f));
  }

  void PastedBytesGoThroughTheSameCheck() {
    WindowFixture w;
    TForm1& f = w.Form;
    DataBytesAccepted(f, "1 2\n3 4\n5 6\n7 8\n", QStringLiteral("clipboard"));
    QVERIFY(!NoticeShown(f));
    DataBytesAccepted(f, "8:15 3\n8:30 4\n8:45 5\n9:00 6\n", QStringLiteral("clipboard"));
    QVERIFY(NoticeShown(f));
    QVERIFY(ImportNoticeOf(f)->text().startsWith(QStringLiteral("Строка 1: «8:15»")));
  }

  void TheViewListsTheLinesBesideTheirNumbers() {
    WindowFixture w;
    TForm1& f = w.Form;
    QAction* command = ViewCommand(f);
    QVERIFY(command != nullptr);
    QVERIFY(command->shortcut().isEmpty());
    QVERIFY(command->isEnabled());  // no fit needed

    command->trigger();
    QVERIFY(ImportViewText(f) != nullptr);
    QCOMPARE(ImportViewText(f)->toPlainText().trimmed(),
             QStringLiteral("Данные — случайная выборка: файл не читался."));

    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, "exp.txt", kExponent));
    command->trigger();
    const QPlainTextEdit* text = ImportViewText(f);
    QVERIFY(text->isReadOnly());
    QVERIFY(text->window()->isVisible());
    QCOMPARE(text->window()->windowTitle(), QStringLiteral("Как прочитан файл — exp.txt"));
    const QStringList lines = text->toPlainText().split('\n');
    QCOMPARE(lines[0],
             QStringLiteral("Прочитано чисел: 11, пар: 5 (последнее число без пары "
                            "отброшено), не прочитано чисел: 0"));
    const QString third = lines.filter(QStringLiteral("2.5e-04")).last();
    QVERIFY2(third.startsWith(QStringLiteral("►")), qPrintable(third));
    QVERIFY2(third.contains(QStringLiteral("x2 = 3  y2 = 2.5  x3 = −4")), qPrintable(third));

    // After a rejected file the data are a random sample again.
    f.OpenDataFile(WriteDataFile(dir, "short.txt", "1 2 3"));
    command->trigger();
    QVERIFY(ImportViewText(f)->toPlainText().startsWith(QStringLiteral("Данные — случайная")));
  }

  void RejectionMessagesNameTheFileAndTheLine() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, "bad.txt", "1 2\n3 4\n5 6\n7 1.2.3\n"));
    QCOMPARE(w.Messages.size(), size_t(1));
    QCOMPARE(DesignedPart(w.Messages[0].Text), kUnreadable);
    QCOMPARE(DetailPart(w.Messages[0].Text),
             QStringLiteral("Файл «bad.txt», строка 4: «1.2.3» — не число."));
    QVERIFY(!NoticeShown(f));
  }
};

QTEST_MAIN(ImportNoticeTest)
#include "import_notice_test.moc"
