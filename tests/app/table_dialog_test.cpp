// "Открыть таблицу…": the dialog shows how a table was read, takes the chosen columns as the new
// data set, and refuses what the window cannot take.
#include "app/commands/table_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// Chooses path in the open dialog, runs the command and returns the dialog it opened.
TableDialog* OpenTable(TForm1& f, const QString& path) {
  f.RunOpenDialog = [path] { return path; };
  for (QAction* a : f.ContextMenu->actions()) {
    if (a->text() == QStringLiteral("Открыть таблицу…")) a->trigger();
  }
  return f.findChild<TableDialog*>();
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
    TableDialog* dialog = OpenTable(f, path);
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

  void ALongerTableThanTheSearchTakesIsRefusedAndTheDataStay() {
    WindowFixture w;
    TForm1& f = w.Form;
    const QString caption = f.windowTitle();
    QByteArray text = "t,y\n";
    for (int i = 0; i < 150; ++i)
      text += QByteArray::number(i) + "," + QByteArray::number(i % 9) + "\n";
    QTemporaryDir dir;
    TableDialog* dialog = OpenTable(f, WriteDataFile(dir, QStringLiteral("long.csv"), text));
    QVERIFY(dialog != nullptr);
    QVERIFY(!dialog->OpenButton->isEnabled());
    QVERIFY(dialog->Problem->text().startsWith(
        QStringLiteral("Пар в таблице: 150, а поиск гармоник в окне работает не более чем со 100 "
                       "наблюдениями.")));
    dialog->reject();
    QCOMPARE(f.windowTitle(), caption);
  }
};

QTEST_MAIN(TableDialogTest)
#include "table_dialog_test.moc"
