// The formulas button and the report box as a user sees them.
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

struct Harmonic {
  double A, B, C;
};

// The state a fit of these harmonics leaves, with the formulas button shown as a fit shows it.
void SetFit(TForm1& f,
            const std::vector<Harmonic>& model1,
            const std::vector<Harmonic>& model2,
            double relDeviation,
            double savedDeviation) {
  CoefficientTable& t = f.State.Coefficients;
  t.HarmonicCount = static_cast<std::uint8_t>(model1.size());
  for (size_t k = 0; k < model1.size(); ++k) {
    t.A[k] = model1[k].A;
    t.B[k] = model1[k].B;
    t.C[k] = model1[k].C;
    t.A2[k] = model2[k].A;
    t.B2[k] = model2[k].B;
    t.C2[k] = model2[k].C;
  }
  f.State.RelDeviation = relDeviation;
  f.State.SavedDeviation = savedDeviation;
  f.BitBtn3->show();
}

QStringList ReportLines(TForm1& f) { return f.Memo1->toPlainText().split('\n'); }

const QStringList kOneHarmonicReport = {
    "1) F(x)=",
    "1.500000000*sin(2.000000000*x+0.250000000)",
    "",
    "Relative deviation = 12.500000000 %",
    "",
    "Frequency                Period",
    "2.000000000              3.141592654",
    "",
    "",
    "2) F(x)=",
    "(0.500000000*sin(4.000000000*x+1.000000000))^2",
    "",
    "Relative deviation = 3.250000000 %",
    "",
    "Frequency                Period",
    "4.000000000              1.570796327",
};

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
  void FormulasButtonTogglesTheReportAndWritesItEachTime() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f, {{1.5, 2, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
    ClickOn(f, f.BitBtn6);
    QVERIFY(f.Image6->isVisible());

    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(!f.Image6->isVisible());
    QCOMPARE(ReportLines(f), kOneHarmonicReport);
    QCOMPARE(f.Memo1->geometry(), QRect(10, 10, 400, 540));
    QVERIFY(QFontInfo(f.Memo1->font()).fixedPitch());
    QCOMPARE(QFontInfo(f.Memo1->font()).pixelSize(), 11);

    f.State.RelDeviation = 1;  // the lines are written again on every click
    ClickOn(f, f.BitBtn3);
    QVERIFY(!f.Memo1->isVisible());
    QCOMPARE(ReportLines(f)[3], QStringLiteral("Relative deviation = 1.000000000 %"));
    QCOMPARE(ReportLines(f).size(), 16);
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(w.Messages.empty());
  }

  void PlotClickClosesTheReportAndLeavesThePanelAsItWas() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f, {{1.5, 2, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    ClickAt(f, kBarePlot);
    QVERIFY(!f.Memo1->isVisible());
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PlotWidth), 530);
    ClickAt(f, kBarePlot);  // the next click toggles the panel again
    QVERIFY(!f.Panel1->isVisible());
    // The box keeps the client height less 10 pixels above and below in either panel mode.
    QCOMPARE(f.Memo1->geometry(), QRect(10, 10, 400, 540));
  }

  void ClickOnTheReportBoxDoesNotReachThePlot() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f, {{1.5, 2, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
    ClickOn(f, f.BitBtn3);
    ClickOn(f, f.Memo1);
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(f.Panel1->isVisible());
  }

  void ReportTextCanBeSelectedAndCopiedThoughReadOnly() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f, {{1.5, 2, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
    ClickOn(f, f.BitBtn3);
    ClickOn(f, f.Memo1);  // gives the box the keyboard focus
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(f.Memo1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.Memo1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), f.Memo1->toPlainText());
    QVERIFY(QGuiApplication::clipboard()->text().contains(
        QStringLiteral("1.500000000*sin(2.000000000*x+0.250000000)")));
    QVERIFY(f.Memo1->isReadOnly());
  }

  void ThreeHarmonicsBracketTheSquaredSumAcrossItsLines() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f,
           {{1, 0.5, 0}, {2, 1.25, 1}, {3, 3, 2}},
           {{4, 2, 0.5}, {5, 0.25, 1.5}, {6, 1, 2.5}},
           0.125,
           7);
    ClickUp(f, f.UpDown1);  // a later harmonic count does not change the report's
    ClickOn(f, f.BitBtn3);
    const QStringList lines = ReportLines(f);
    QCOMPARE(lines.size(), 24);
    QCOMPARE(lines.mid(1, 3),
             QStringList({"1.000000000*sin(0.500000000*x+0.000000000)+",
                          "2.000000000*sin(1.250000000*x+1.000000000)+",
                          "3.000000000*sin(3.000000000*x+2.000000000)"}));
    QCOMPARE(lines.mid(8, 3),
             QStringList({"0.500000000              12.566370614",
                          "1.250000000              5.026548246",
                          "3.000000000              2.094395102"}));
    QCOMPARE(lines.mid(14, 3),
             QStringList({"(4.000000000*sin(2.000000000*x+0.500000000)+",
                          "5.000000000*sin(0.250000000*x+1.500000000)+",
                          "6.000000000*sin(1.000000000*x+2.500000000))^2"}));
    QCOMPARE(lines[18], QStringLiteral("Relative deviation = 7.000000000 %"));
  }

  // The division fault ends the handler at the period: the box has been toggled and keeps the
  // lines written before it, and the fault shows in the error box.
  void ZeroFrequencyStopsTheReportAtItsPeriod() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f, {{1.5, 0, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    QCOMPARE(ReportLines(f),
             QStringList({"1) F(x)=",
                          "1.500000000*sin(0.000000000*x+0.250000000)",
                          "",
                          "Relative deviation = 12.500000000 %",
                          "",
                          "Frequency                Period"}));
    QCOMPARE(w.Messages.size(), size_t(1));
    QCOMPARE(w.Messages[0].Kind, TForm1::MessageKind::Error);
    QCOMPARE(w.Messages[0].Text, QStringLiteral("Деление на ноль в вычислениях"));  // in Russian

    ClickOn(f, f.BitBtn3);
    QVERIFY(!f.Memo1->isVisible());
    QCOMPARE(w.Messages.size(), size_t(2));
    QVERIFY(f.Panel1->isVisible());
  }

  void ReportAfterAFitShowsItsHarmonicsNormalisedInColumns() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickUp(f, f.UpDown1);
    QCOMPARE(f.Edit1->text(), QStringLiteral("2"));
    ClickOn(f, f.BitBtn2);
    QVERIFY(f.BitBtn3->isVisible());
    ClickDown(f, f.UpDown1);
    ClickOn(f, f.BitBtn3);
    const QStringList lines = ReportLines(f);
    QCOMPARE(lines.size(), 4 * 2 + 12);
    QCOMPARE(lines[4].toStdString(),
             "Relative deviation = " + FloatText(9, f.State.RelDeviation) + " %");
    QCOMPARE(lines[15].toStdString(),
             "Relative deviation = " + FloatText(9, f.State.SavedDeviation) + " %");
    for (int row : {1, 2, 12, 13}) QVERIFY2(!lines[row].contains('-'), qPrintable(lines[row]));
    for (int row : {7, 8, 18, 19}) {
      QCOMPARE(lines[row][24], QChar(' '));
      QVERIFY2(lines[row][25] != ' ', qPrintable(lines[row]));
    }
    QVERIFY(lines[12].startsWith('('));
    QVERIFY(lines[13].endsWith(")^2"));
    QVERIFY(w.Messages.empty());
  }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
