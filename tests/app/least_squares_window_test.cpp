// The least-squares command and its window as a user meets them: the command waits for a fit,
// the refinement runs beside the window, its result is adopted and restored through the report,
// and a refinement overtaken by new data or a new fit is cancelled and never applied.
#include "app/least_squares/least_squares_window.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <thread>

#include "app/least_squares/known_periods_dialog.h"
#include "app/least_squares/residual_plot.h"
#include "plot/float_text.h"
#include "report/report_text.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

constexpr int kRefineWaitMs = 30000;  // the real refinement on a loaded machine

LeastSquaresWindow* Window(TForm1& f) { return f.findChild<LeastSquaresWindow*>(); }

QAction* RefineCommand(TForm1& f) {
  for (QAction* action : f.actions()) {
    if (action->text() == QStringLiteral("Точная подгонка (МНК)")) return action;
  }
  return nullptr;
}

void PressCtrlL(TForm1& f) {
  f.activateWindow();
  QTest::keyClick(&f, Qt::Key_L, Qt::ControlModifier);
}

QStringList Report(const AppState& state) {
  QStringList lines;
  WriteReport(state, [&](const std::string& line) { lines << QString::fromStdString(line); });
  return lines;
}

bool SameTable(const CoefficientTable& a, const CoefficientTable& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The report's deviation, written out plainly: sum |v - y| / sum |y| in percent.
double PlainDeviation(const ObservationSet& obs, const HarmonicModel& h, bool squared) {
  double misfit = 0, size = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    double v = 0;
    for (int k = 0; k < h.Count; ++k) v += h.A[k] * std::sin(h.B[k] * obs.PlotX[i] + h.C[k]);
    if (squared) v = v * v;
    misfit += std::fabs(v - obs.OrigY[i]);
    size += std::fabs(obs.OrigY[i]);
  }
  return misfit / size * 100;
}

bool ShowsNonNumbers(const QString& text) {
  return text.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
         text.contains(QStringLiteral("inf"), Qt::CaseInsensitive);
}

// A refinement that keeps running until it is cancelled, and then still returns a complete
// result with coefficients nobody should ever adopt.
struct BlockingRefinement {
  std::shared_ptr<std::atomic<bool>> Started = std::make_shared<std::atomic<bool>>(false);
  std::shared_ptr<std::atomic<bool>> SawCancel = std::make_shared<std::atomic<bool>>(false);

  LeastSquaresWindow::RefineFunction Function() const {
    return [started = Started, sawCancel = SawCancel](const RefineJob& job) {
      const CoefficientTable& table = job.Table;
      const RefineOptions& options = job.Options;
      started->store(true);
      while (options.Progress(0.5)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sawCancel->store(true);
      RefinementResult late;
      for (int m = 0; m < 2; ++m) {
        late.Refined[m].Coefficients.Count = table.HarmonicCount;
        for (int k = 0; k < table.HarmonicCount; ++k) {
          late.Refined[m].Coefficients.A[k] = 99;
          late.Refined[m].Coefficients.B[k] = 1;
        }
      }
      return late;
    };
  }
};

}  // namespace

class LeastSquaresWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandWaitsForAFitThenCtrlLOpensTheWindow() {
    WindowFixture w;
    TForm1& f = w.Form;
    QAction* command = RefineCommand(f);
    QVERIFY(command != nullptr);
    QCOMPARE(command->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QVERIFY(f.ContextMenu->actions().contains(command));
    LeastSquaresWindow* lsq = Window(f);
    QVERIFY(lsq != nullptr);
    auto calls = std::make_shared<std::atomic<int>>(0);
    const LeastSquaresWindow::RefineFunction real = lsq->Refine;
    lsq->Refine = [calls, real](const RefineJob& job) {
      ++*calls;
      return real(job);
    };

    QVERIFY(!command->isEnabled());
    PressCtrlL(f);
    QCoreApplication::processEvents();
    QVERIFY(!lsq->isVisible());
    QVERIFY(!lsq->Running());
    QCOMPARE(calls->load(), 0);

    ClickOn(f, f.BitBtn2);
    QVERIFY(command->isEnabled());
    PressCtrlL(f);
    QVERIFY(lsq->isVisible());
    QCOMPARE(lsq->windowTitle(), QStringLiteral("Harmora - МНК"));
    const QRect room = lsq->screen()->availableGeometry();
    QVERIFY(lsq->width() <= room.width() && lsq->height() <= room.height());
    QVERIFY(lsq->Running());
    QVERIFY(lsq->Progress->isVisible());
    QVERIFY(lsq->CancelButton->isEnabled());
    QVERIFY(!lsq->ApplyButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QCOMPARE(calls->load(), 1);
    QVERIFY(lsq->HasResult());
    QVERIFY(!lsq->Progress->isVisible());
    QVERIFY(lsq->ApplyButton->isEnabled());
    QVERIFY(!lsq->RestoreButton->isEnabled());
    const QString text = lsq->Text->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Model 1: F(x) = sum of A*sin(B*x+C)")));
    QVERIFY(text.contains(QStringLiteral("Refined:       Relative deviation = ")));
    QVERIFY(text.contains(QStringLiteral("Stage seeds of the search: %1 (stage 1, model 2), %2")
                              .arg(f.State.StageSeeds[0])
                              .arg(f.State.StageSeeds[1])));
    QVERIFY(!ShowsNonNumbers(text));
    // The refinement never ends above the search it started from.
    for (int m = 0; m < 2; ++m) {
      QVERIFY(lsq->Result().Refined[m].Objective <= lsq->Result().Search[m].Objective);
    }
    // Esc in an open list closes the list only; the window keeps its result.
    for (QComboBox* box : {lsq->BudgetBox, lsq->ModelBox}) {
      lsq->activateWindow();
      box->showPopup();
      QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
      QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
      QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
      QVERIFY(lsq->isVisible());
    }
    QCOMPARE(calls->load(), 1);
    // A long status wraps instead of widening the window.
    const int width = lsq->width();
    lsq->Status->setText(QString(40, QChar(0x0448)).append(' ').repeated(12));
    QCoreApplication::processEvents();
    QCOMPARE(lsq->width(), width);
    // Esc closes it as it closes a dialog; the main window stays.
    lsq->activateWindow();
    QTest::keyClick(lsq->Text, Qt::Key_Escape);
    QVERIFY(!lsq->isVisible());
    QVERIFY(f.isVisible());
  }

  void ApplyThenRestoreLeavesTheReportExactlyAsBefore() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    const QString shownBefore = f.Memo1->toPlainText();
    const QStringList reportBefore = Report(f.State);
    const CoefficientTable tableBefore = f.State.Coefficients;
    const QImage plotBefore = f.PlotImage();
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->HasResult());

    ClickOn(f, f.Memo1);  // the report stays open beside the window
    lsq->ApplyButton->click();
    QVERIFY(lsq->RestoreButton->isEnabled());
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(f.Memo1->toPlainText() != shownBefore);  // the open report shows the new fit
    QCOMPARE(f.Memo1->toPlainText(), Report(f.State).join('\n'));
    QVERIFY(f.PlotImage() != plotBefore);

    lsq->RestoreButton->click();
    QVERIFY(SameTable(f.State.Coefficients, tableBefore));
    QCOMPARE(Report(f.State), reportBefore);
    QCOMPARE(f.Memo1->toPlainText(), shownBefore);
    QVERIFY(f.PlotImage() == plotBefore);
    QVERIFY(!lsq->RestoreButton->isEnabled());

    // A second run after adopting starts from the search's result again.
    lsq->ApplyButton->click();
    RefineCommand(f)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QCOMPARE(lsq->Result().Search[0].Coefficients.A[0], tableBefore.A[0]);
    QVERIFY(lsq->RestoreButton->isEnabled());
    lsq->RestoreButton->click();
    QCOMPARE(Report(f.State), reportBefore);
  }

  void ApplyWritesTheReportAFitWithThoseCoefficientsWouldWrite() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.UpDown1->setValue(3);  // two harmonics leave model 2 one that runs away
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    const RefinementResult result = lsq->Result();
    lsq->ApplyButton->click();

    AppState expected = f.State;
    CoefficientTable& t = expected.Coefficients;
    QCOMPARE(int(t.HarmonicCount), 3);
    for (int k = 0; k < 3; ++k) {
      t.A[k] = result.Refined[0].Coefficients.A[k];
      t.B[k] = result.Refined[0].Coefficients.B[k];
      t.C[k] = result.Refined[0].Coefficients.C[k];
      t.A2[k] = result.Refined[1].Coefficients.A[k];
      t.B2[k] = result.Refined[1].Coefficients.B[k];
      t.C2[k] = result.Refined[1].Coefficients.C[k];
    }
    expected.RelDeviation =
        PlainDeviation(f.State.Observations, result.Refined[0].Coefficients, false);
    expected.SavedDeviation =
        PlainDeviation(f.State.Observations, result.Refined[1].Coefficients, true);
    QCOMPARE(Report(f.State), Report(expected));
    QCOMPARE(f.State.FitStage, 2);
    ClickOn(f, f.BitBtn3);
    QCOMPARE(f.Memo1->toPlainText(), Report(expected).join('\n'));
  }

  void NewFileDuringARefinementCancelsItAndNothingIsApplied() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir, "five.txt", "0 1\n1 2\n2 0\n3 -1\n4 1\n");
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    BlockingRefinement blocking;
    lsq->Refine = blocking.Function();
    PressCtrlL(f);
    QTRY_VERIFY(blocking.Started->load());

    f.OpenDataFile(path);
    const CoefficientTable opened = f.State.Coefficients;
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);

    QVERIFY(blocking.SawCancel->load());
    QVERIFY(!lsq->HasResult());
    QVERIFY(!lsq->ApplyButton->isEnabled());
    QVERIFY(lsq->Text->toPlainText().isEmpty());
    lsq->Apply();
    QVERIFY(SameTable(f.State.Coefficients, opened));
    QCOMPARE(f.State.FitStage, 0);
    QVERIFY(!RefineCommand(f)->isEnabled());
  }

  void NewFitDuringARefinementCancelsItAndKeepsTheNewFit() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    BlockingRefinement blocking;
    lsq->Refine = blocking.Function();
    PressCtrlL(f);
    QTRY_VERIFY(blocking.Started->load());

    ClickOn(f, f.BitBtn2);  // the window stays responsive: a new fit runs meanwhile
    const CoefficientTable refitted = f.State.Coefficients;
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);

    QVERIFY(blocking.SawCancel->load());
    QVERIFY(!lsq->HasResult());
    lsq->Apply();
    lsq->Restore();
    QVERIFY(SameTable(f.State.Coefficients, refitted));
    QVERIFY(f.State.Coefficients.A[0] != 99);
    QVERIFY(RefineCommand(f)->isEnabled());
  }

  void CancelButtonStopsTheRefinementAndDropsItsResult() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    const CoefficientTable fitted = f.State.Coefficients;
    LeastSquaresWindow* lsq = Window(f);
    BlockingRefinement blocking;
    lsq->Refine = blocking.Function();
    PressCtrlL(f);
    QTRY_VERIFY(blocking.Started->load());

    lsq->CancelButton->click();
    QVERIFY(!lsq->CancelButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);

    QVERIFY(blocking.SawCancel->load());
    QCOMPARE(lsq->Status->text(), QStringLiteral("Уточнение отменено"));
    QVERIFY(!lsq->HasResult());
    QVERIFY(!lsq->ApplyButton->isEnabled());
    QVERIFY(SameTable(f.State.Coefficients, fitted));

    // Closing the window cancels too: nobody is left to see the result.
    BlockingRefinement again;
    lsq->Refine = again.Function();
    RefineCommand(f)->trigger();  // from the menu: the least-squares window holds the keys now
    QTRY_VERIFY(again.Started->load());
    lsq->close();
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(again.SawCancel->load());
    QVERIFY(!lsq->HasResult());
  }

  void ClosingTheProgramDuringARefinementCancelsIt() {
    auto form = std::make_unique<TForm1>();
    CreateWindowCommands(*form);
    form->State.Random.Clock = FixedTestClock;
    form->ShowMessage = [](TForm1::MessageKind, const QString&, const QString&) {};
    form->show();
    QTest::qWait(0);
    ClickOn(*form, form->BitBtn2);
    BlockingRefinement blocking;
    Window(*form)->Refine = blocking.Function();
    PressCtrlL(*form);
    QTRY_VERIFY(blocking.Started->load());

    form.reset();  // waits for the thread, which sees the cancel
    QVERIFY(blocking.SawCancel->load());
    QCoreApplication::processEvents();  // a late result has nowhere to go
  }

  void DegenerateSetShowsDashesAndNoNonNumbers() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    // Four observations for two harmonics (no degrees of freedom), a repeated x, all y equal.
    f.OpenDataFile(WriteDataFile(dir, "flat.txt", "0 1\n1 1\n1 1\n2 1\n"));
    QCOMPARE(f.State.Observations.LastIndex, 3);
    f.UpDown1->setValue(2);
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->HasResult());

    const QString text = lsq->Text->toPlainText();
    QVERIFY(!ShowsNonNumbers(text));
    QVERIFY(text.contains(QStringLiteral("No degrees of freedom left")));
    QVERIFY(lsq->Status->text().contains(QStringLiteral("параметров модели (6)")));
    QVERIFY(!lsq->ApplyButton->isEnabled());
    QVERIFY(lsq->ApplyNote->isVisible());
    lsq->Apply();
    QCOMPARE(f.State.Coefficients.A[0], lsq->Result().Search[0].Coefficients.A[0]);
    // Data less their level leave nothing to fit: the level is all, the harmonics stay at zero.
    lsq->ConstantBox->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->HasResult());
    QCOMPARE(lsq->TermsResult().Refined[0].Constant.Value, 1.0);
    QCOMPARE(lsq->TermsResult().Refined[0].Coefficients.A[0], 0.0);
    QVERIFY(lsq->Text->toPlainText().contains(QStringLiteral("No degrees of freedom left")));
    QVERIFY(!ShowsNonNumbers(lsq->Text->toPlainText()));
  }

  // The column with terms is applied as shown: the plot draws it, the formulas box keeps the
  // report's own lines and adds the terms' values, the CSV carries them; "Вернуть" restores the
  // search's fit without terms.
  void TermsColumnIsAppliedToThePlotReportAndExport() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 60; ++i) {
      const double x = 0.5 * i;
      text += QString::asprintf("%.6f %.6f\n", x, 5 + 2 * std::sin(0.8 * x + 0.3)).toUtf8();
    }
    f.OpenDataFile(WriteDataFile(dir, "level.txt", text));
    ClickOn(f, f.BitBtn2);
    ClickOn(f, f.BitBtn3);
    const QStringList reportBefore = Report(f.State);
    const QImage plotBefore = f.PlotImage();
    LeastSquaresWindow* lsq = Window(f);
    lsq->ConstantBox->setChecked(true);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->ApplyButton->isEnabled());
    QVERIFY(!lsq->ApplyNote->isVisible());
    ClickOn(f, f.Memo1);
    lsq->ApplyButton->click();
    const ModelFit& fit = lsq->TermsResult().Refined[0];
    QVERIFY(std::fabs(fit.Constant.Value - 5) < 1e-3);
    QVERIFY(f.State.RelDeviation < 1e-3);
    // The report's 4N + 12 lines as for any fit, then the terms.
    const QStringList shown = f.Memo1->toPlainText().split('\n');
    QCOMPARE(shown.mid(0, reportBefore.size()), Report(f.State));
    QVERIFY(shown.contains(
        QStringLiteral("1) c0=%1").arg(QString::fromStdString(FloatText(9, fit.Constant.Value)))));
    QVERIFY(f.PlotImage() != plotBefore);
    // The model column of the CSV includes the constant.
    const QString csv = QString::fromStdString(f.Core.CsvText());
    QVERIFY(csv.contains(QStringLiteral("# model1 c0 = ")));
    lsq->RestoreButton->click();
    QVERIFY(!f.Core.Terms().Any());
    QCOMPARE(f.Memo1->toPlainText().split('\n'), reportBefore);
    QVERIFY(f.PlotImage() == plotBefore);
  }

  // Another search length refines again at once. A fit whose best was confirmed before its
  // starts ran out comes out the same: the budget only moves the cap.
  void AnotherSearchLengthRefinesAgain() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    const ModelFit usual = lsq->Result().Refined[0];
    QCOMPARE(usual.Ended, Termination::EnoughHits);
    lsq->BudgetBox->setCurrentIndex(1);
    QVERIFY(lsq->Running());
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QCOMPARE(lsq->Result().Refined[0].Starts, usual.Starts);
    QCOMPARE(lsq->Result().Refined[0].Objective, usual.Objective);
    lsq->BudgetBox->setCurrentIndex(0);
    QVERIFY(lsq->Running());
  }

  // The comparison repeats the shown fit (its seeds and depth) for N = 1.., so its row for the
  // shown N is the refinement beside it, and the table follows the refinement's text.
  void CountComparisonRepeatsTheShownFitAndShowsItsTable() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    lsq->CountBox->setChecked(true);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    const HarmonicCountTable& counts = lsq->Counts().Models[0];
    QCOMPARE(int(counts.Rows.size()), 1);
    QCOMPARE(counts.Rows[0].Sse, lsq->Result().Refined[0].StageStatistics.Sse);
    QCOMPARE(counts.Recommended, 1);
    const QString text = lsq->Text->toPlainText();
    QVERIFY(text.contains(QStringLiteral("Model 2: how many harmonics")));
    QVERIFY(text.contains(QStringLiteral("Recommended: N = 1 ")));
    lsq->CountBox->setChecked(false);
    QVERIFY(!lsq->Text->toPlainText().contains(QStringLiteral("how many harmonics")));
  }

  // Data with a level, a drift and a known cycle: the fit with the terms is searched on the data
  // less their estimate and refined jointly, so its constant, trend and amplitude come out near
  // the truth, the known period exactly, while the fit without them chases the level.
  void TermsFitRecoversLevelDriftAndTheKnownCycle() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    QByteArray text;
    for (int i = 0; i < 80; ++i) {
      const double x = 0.75 * i, noise = 0.05 * std::sin(7.3 * i * i);  // fixed, zero-mean-ish
      const double y = 15 + 0.05 * x + 2 * std::sin(2 * std::numbers::pi * x / 12 + 1) + noise;
      text += QString::asprintf("%.6f %.6f\n", x, y).toUtf8();
    }
    f.OpenDataFile(WriteDataFile(dir, "level.txt", text));
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    lsq->ConstantBox->setChecked(true);
    lsq->TrendBox->setChecked(true);
    lsq->SetKnownPeriods({12});
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->HasResult());
    const ModelFit& fit = lsq->TermsResult().Refined[0];
    QCOMPARE(fit.FixedCount, 1);
    QCOMPARE(2 * std::numbers::pi / fit.Coefficients.B[0], 12.0);
    QVERIFY(std::fabs(fit.Constant.Value - 15) < 0.1);
    QVERIFY(std::fabs(fit.Trend.Value - 0.05) < 0.005);
    QVERIFY(std::fabs(fit.Coefficients.A[0] - 2) < 0.05);
    const QString shown = lsq->Text->toPlainText();
    QVERIFY(shown.contains(QStringLiteral("known period 12 (harmonic 1, B fixed)")));
    QVERIFY(shown.contains(QStringLiteral("\nc0 ")) && shown.contains(QStringLiteral("\nc1 ")));
    lsq->SetKnownPeriods({});  // a choice the result lacks: the plain columns come back
    lsq->ConstantBox->setChecked(false);
    lsq->TrendBox->setChecked(false);
    QVERIFY(!lsq->Text->toPlainText().contains(QStringLiteral("With terms")));
  }

  // A table's σ column weighs the refinement (its statistics say so); other data do not.
  void TableSigmaWeighsTheRefinementUntilOtherDataComeIn() {
    WindowFixture w;
    TForm1& f = w.Form;
    std::vector<double> x, y, sigma;
    for (int i = 0; i < 30; ++i) {  // given in falling x: each sigma must stay with its pair
      x.push_back(30 - i);
      sigma.push_back(i % 3 == 0 ? 2.0 : 0.5);
      y.push_back(3 * std::sin(0.7 * x.back() + 1) + sigma.back() * std::sin(5.1 * i * i));
    }
    f.TakeTablePairs(x, y, sigma, QStringLiteral("/tmp/weighted.csv"));
    QCOMPARE(int(f.Core.DataSigma().size()), 30);
    QCOMPARE(f.Core.DataSigma().front(), sigma.back());  // x = 1 came last, with its sigma
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);
    QVERIFY(lsq->Result().Refined[0].Statistics.Weighted);
    QVERIFY(lsq->Text->toPlainText().contains(QStringLiteral("Reduced chi²")));
    QTemporaryDir dir;
    f.OpenDataFile(WriteDataFile(dir, "plain.txt", "0 1\n1 2\n2 0\n3 1\n4 2\n"));
    QVERIFY(f.Core.DataSigma().empty());
  }

  // What the periods dialog takes: blanks or ';' between periods, either decimal mark, and
  // nothing that is not a positive number or more periods than harmonics.
  void PeriodListsAreReadWithEitherDecimalMark() {
    const struct {
      const char* Text;
      int Most;
      std::vector<double> Periods;  // empty with an error when refused
      bool Ok;
    } cases[] = {
        {"", 2, {}, true},
        {"24; 365,25", 2, {24, 365.25}, true},
        {"  12.5\t7 ", 5, {12.5, 7}, true},
        {"1e2", 1, {100}, true},
        {"12 0", 2, {}, false},
        {"-3", 2, {}, false},
        {"12,5,3", 2, {}, false},
        {"inf", 2, {}, false},
        {"1 2 3", 2, {}, false},
    };
    for (const auto& c : cases) {
      std::vector<double> periods;
      QString error;
      const bool ok = ParsePeriods(QString::fromUtf8(c.Text), c.Most, periods, error);
      QVERIFY2(ok == c.Ok, c.Text);
      QVERIFY2(ok == error.isEmpty(), c.Text);
      if (ok) QCOMPARE(periods, c.Periods);
    }
  }

  void TextCanBeSelectedAndCopiedAndTheResidualsShowInTheModelsColour() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    LeastSquaresWindow* lsq = Window(f);
    PressCtrlL(f);
    QTRY_VERIFY_WITH_TIMEOUT(!lsq->Running(), kRefineWaitMs);

    QGuiApplication::clipboard()->clear();
    lsq->activateWindow();
    lsq->ApplyButton->setFocus();  // the keys reach the text from anywhere in the window
    QTest::keyClick(lsq, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(lsq, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), lsq->Text->toPlainText());
    QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("Model 2")));

    const QImage model1 = lsq->Residuals->grab().toImage();
    QCOMPARE(model1.pixelColor(model1.width() / 2 + 1, 1), QColor(Qt::black));
    QVERIFY(CountColour(model1, model1.rect(), Qt::white) > 0);
    QCOMPARE(CountColour(model1, model1.rect(), kBlue), 0);
    QVERIFY(CountColour(model1, model1.rect(), kSilver) > 0);
    lsq->ModelBox->setCurrentIndex(1);
    const QImage model2 = lsq->Residuals->grab().toImage();
    QVERIFY(CountColour(model2, model2.rect(), kBlue) > 0);
    QCOMPARE(CountColour(model2, model2.rect(), Qt::white), 0);
  }
};

QTEST_MAIN(LeastSquaresWindowTest)
#include "least_squares_window_test.moc"
