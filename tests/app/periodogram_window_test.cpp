// "Периодограмма…": the data's periodogram with its levels, the fit's frequencies marked, a
// clicked peak read out on either axis, and new data followed.
#include "app/periodogram/periodogram_window.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/periodogram/periodogram_plot.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// n points of a*sin(b*x + 0.5) on x = 0, 0.5, ..., as pasted text.
QByteArray SineText(int n, double a, double b) {
  QByteArray text;
  for (int i = 0; i < n; ++i) {
    const double x = 0.5 * i;
    text += QByteArray::number(x) + ' ' +
            QByteArray::number(a * std::sin(b * x + 0.5) + 0.05 * std::sin(7.7 * i)) + '\n';
  }
  return text;
}

PeriodogramWindow* OpenPeriodogram(TForm1& f) {
  for (QAction* a : f.actions()) {
    if (a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_P)) a->trigger();
  }
  return f.findChild<PeriodogramWindow*>();
}

int Highest(const std::vector<double>& power) {
  return static_cast<int>(std::max_element(power.begin(), power.end()) - power.begin());
}

}  // namespace

class PeriodogramWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsThePeakItsLevelsAndTheFitAndFollowsNewData() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.PasteData(SineText(60, 3, 1.3));
    f.BitBtn2->click();
    QVERIFY(f.HasFit);
    PeriodogramWindow* window = OpenPeriodogram(f);
    QVERIFY(window != nullptr && window->isVisible());
    PeriodogramPlot* plot = window->Plot;
    const PeriodogramData& data = plot->Data();
    const int peak = Highest(data.Power);
    const double step = data.Omega[1] - data.Omega[0];
    QVERIFY(std::fabs(data.Omega[peak] - 1.3) <= step);
    QVERIFY(0 < data.Level1 && data.Level1 < data.Level01 && data.Level01 < data.Power[peak]);
    QCOMPARE(plot->FittedOf(0).size(), std::size_t{1});
    QVERIFY(std::fabs(plot->FittedOf(0)[0] - 1.3) < 0.01);

    // A click a few pixels beside the peak picks it, on the frequency and the period axis.
    for (const int axis : {0, 1}) {
      window->AxisBox->setCurrentIndex(axis);
      window->Readout->clear();
      const int column = static_cast<int>(std::lround(plot->PixelOf(data.Omega[peak]))) + 3;
      QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(column, plot->height() / 2));
      QCOMPARE(plot->Picked, peak);
      QVERIFY2(window->Readout->text().startsWith(
                   QStringLiteral("Пик: период %1, частота B = %2")
                       .arg(QLocale().toString(2 * std::numbers::pi / data.Omega[peak], 'g', 6),
                            QLocale().toString(data.Omega[peak], 'g', 6))),
               qPrintable(window->Readout->text()));
    }

    // New data: a new periodogram, and no fit marked until the next fit.
    f.PasteData(SineText(80, 2, 0.6));
    QTRY_VERIFY(std::fabs(plot->Data().Omega[Highest(plot->Data().Power)] - 0.6) <=
                plot->Data().Omega[0]);
    QVERIFY(plot->FittedOf(0).empty());
  }
};

QTEST_MAIN(PeriodogramWindowTest)
#include "periodogram_window_test.moc"
