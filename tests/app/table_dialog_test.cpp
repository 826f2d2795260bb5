// "Открыть таблицу…": the dialog shows how a table was read, takes the chosen columns as the new
// data set, and refuses what the window cannot take.
#include "app/commands/table_dialog.h"

#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>

#include "app/commands/table_file_read.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// Chooses path in the open dialog, runs the command and returns the dialog it opened once the
// file has been read off the window's thread; null when a message came instead.
TableDialog* OpenTable(WindowFixture& w, const QString& path) {
  TForm1& f = w.Form;
  f.RunOpenDialog = [path] { return path; };
  const std::size_t messages = w.Messages.size();
  for (QAction* a : f.ContextMenu->actions()) {
    if (a->text() == QStringLiteral("Открыть таблицу…")) a->trigger();
  }
  // The window stays responsive meanwhile: this loop runs its events.
  for (int waited = 0; waited < 60'000; waited += 10) {
    if (auto* dialog = f.findChild<TableDialog*>()) return dialog;
    if (w.Messages.size() > messages) return nullptr;
    QTest::qWait(10);
  }
  return nullptr;
}

void Choose(QComboBox* box, int index) {
  box->setCurrentIndex(index);
  emit box->activated(index);
}

}  // namespace

class TableDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void TakesTheChosenColumnsOfASemicolonTableAsTheNewDataSet() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir,
                                       QStringLiteral("weather.csv"),
                                       "Дата;Станция;Температура;σ\n"
                                       "2024-03-01;A;1,5;0,1\n"
                                       "2024-03-02;A;NA;0,1\n"
                                       "2024-03-04;A;-2,5E-1;0,1\n"
                                       "2024-03-03;A;3;0,2\n"
                                       "2024-03-05;A;4,25;0,1\n");
    TableDialog* dialog = OpenTable(w, path);
    QVERIFY(dialog != nullptr && dialog->isVisible());
    QCOMPARE(dialog->Detected->text(),
             QStringLiteral("Разделитель: точка с запятой; десятичный знак: запятая; строка "
                            "заголовка: есть; кодировка: UTF-8."));
    QCOMPARE(dialog->XBox->currentIndex(), 0);  // the dates, then the first numbers
    QCOMPARE(dialog->YBox->currentIndex(), 2);
    QVERIFY(dialog->Summary->text().startsWith(
        QStringLiteral("Строк данных: 5; взято пар: 4; отброшено строк: 1 (пустые, NA или NaN: "
                       "1; не прочитаны: 0).\nx — дни от 00:00 2024-03-01")));

    Choose(dialog->YBox, 1);  // the station's letters
    QVERIFY(!dialog->OpenButton->isEnabled());
    QCOMPARE(dialog->Problem->text(), QStringLiteral("В столбце 2 «Станция» не числа, а текст."));
    Choose(dialog->YBox, 2);
    Choose(dialog->SigmaBox, 4);  // "нет" comes first
    QVERIFY(dialog->Problem->isVisible());
    QVERIFY(dialog->Problem->text().contains(QStringLiteral("σ")));

    dialog->OpenButton->click();
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - weather.csv (4)"));
    const ObservationSet& obs = f.State.Observations;
    QCOMPARE(obs.LastIndex, 3);
    const double x[] = {0, 2, 3, 4}, y[] = {1.5, 3, -0.25, 4.25};  // sorted by x
    for (int i = 0; i <= obs.LastIndex; ++i) {
      QCOMPARE(obs.X[i], x[i]);
      QCOMPARE(obs.WorkY[i], y[i]);
    }
    QVERIFY(w.Messages.empty());
  }

  // What no table is: each refused at once with its reason, the data kept, nothing waiting for
  // a writer or reading without end.
  void PipesDevicesAndOversizedFilesAreRefusedWithoutBlocking() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.csv"));
    QFile file(huge);  // sparse: its size is all it has
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxTableFileBytes + 1));
    file.close();
    const struct {
      QString Path, Reason;
    } cases[] = {
        {fifo, QStringLiteral("Это не обычный файл")},
        {QStringLiteral("/dev/zero"), QStringLiteral("Это не обычный файл")},
        {huge, QStringLiteral("Файл занимает 257 МБ, а окно читает таблицы не больше 256 МБ.")},
    };
    for (const auto& c : cases) {
      WindowFixture w;
      const QString caption = w.Form.windowTitle();
      QVERIFY(OpenTable(w, c.Path) == nullptr);
      QCOMPARE(w.Messages.size(), std::size_t{1});
      QVERIFY2(w.Messages[0].Text.contains(c.Reason), qPrintable(w.Messages[0].Text));
      QCOMPARE(w.Form.windowTitle(), caption);
    }
  }

  // A hundred thousand rows: read, their σ column offered by its name, drawn thinned, fitted
  // by the periodogram-led search off the window's thread.
  void ALongTableIsTakenWholeWithItsSigmaAndFitted() {
    WindowFixture w;
    TForm1& f = w.Form;
    constexpr int kRows = 100'000;
    QByteArray text = "t;temp;sigma\n";
    for (int i = 0; i < kRows; ++i) {
      const double x = i * 0.01, y = 2 * std::sin(0.8 * x + 0.3) + 0.1 * std::sin(i * 7.1);
      text += QByteArray::number(x, 'g', 10).replace('.', ',') + ';' +
              QByteArray::number(y, 'g', 10).replace('.', ',') + ";0,1\n";
    }
    QTemporaryDir dir;
    TableDialog* dialog = OpenTable(w, WriteDataFile(dir, QStringLiteral("long.csv"), text));
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->SigmaBox->currentText(), QStringLiteral("3 «sigma» (числа)"));
    QVERIFY(dialog->OpenButton->isEnabled());
    dialog->OpenButton->click();
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - long.csv (100000)"));
    QCOMPARE(f.State.Observations.LastIndex, kRows - 1);
    QCOMPARE(f.Core.DataSigma().size(), std::size_t{kRows});
    QCOMPARE(f.AxisTitles[0], QStringLiteral("t"));  // a figure's axes are titled by them
    QCOMPARE(f.AxisTitles[1], QStringLiteral("temp"));

    f.BitBtn2->click();
    QTRY_VERIFY_WITH_TIMEOUT(f.HasFit, 120'000);
    QVERIFY(w.Messages.empty());
    QVERIFY(f.Panel1->isVisible());  // back after the fit, as after every fit
    const CoefficientTable& table = f.State.Coefficients;
    QVERIFY(std::fabs(table.B[0] - 0.8) < 1e-3);
    QVERIFY(std::fabs(table.A[0]) > 1);
  }
};

QTEST_MAIN(TableDialogTest)
#include "table_dialog_test.moc"
