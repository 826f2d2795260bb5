// What the least-squares window shows of numbers the user reads: the residual plot's scale in
// the locale's decimal mark, and a harmonic the data do not determine as "—", never applied.
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "app/least_squares/least_squares_window.h"
#include "app/least_squares/residual_plot.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

constexpr double kRunaway = 12345678.25;  // an amplitude no data of this range fit on its own

// The search's own table as both columns, model 1's first harmonic run away on the ray.
RefinementResult RunawayRefinement(const RefineJob& job) {
  RefinementResult result;
  for (int m = 0; m < 2; ++m) {
    for (ModelFit* fit : {&result.Search[m], &result.Refined[m]}) {
      fit->Coefficients = ModelOf(job.Table, static_cast<ModelKind>(m));
      fit->Statistics.Parameters = 3 * job.Table.HarmonicCount;
      fit->Statistics.DegreesOfFreedom =
          job.Observations.LastIndex + 1 - fit->Statistics.Parameters;
    }
  }
  result.Refined[0].Coefficients.A[0] = kRunaway;
  result.Refined[0].Unbounded[0] = true;
  return result;
}

}  // namespace

class LeastSquaresDisplayTest : public QObject {
  Q_OBJECT

 private slots:
  void ResidualScaleUsesTheLocalesDecimalMark() {
    WindowFixture w;
    QCOMPARE(QLocale().decimalPoint() == QStringLiteral(","),
             qEnvironmentVariableIsSet("HARMORA_EXPECT_DECIMAL_COMMA"));
    ResidualPlot plot;
    plot.SetResiduals({0, 1, 2}, {1.5, -0.25, 0}, Qt::white);
    const QString mark = QLocale().decimalPoint();
    QCOMPARE(plot.ScaleLabels(),
             QStringList({QStringLiteral("1.5").replace('.', mark),
                          QStringLiteral("-1.5").replace('.', mark)}));
  }

  void AnUnboundedHarmonicShowsAsADashAndIsNotApplied() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn2);
    auto* lsq = f.findChild<LeastSquaresWindow*>();
    lsq->Refine = RunawayRefinement;
    const CoefficientTable before = f.State.Coefficients;
    lsq->show();
    lsq->StartRefinement();
    QTRY_VERIFY(!lsq->Running());
    QVERIFY(lsq->HasResult());
    const QString text = lsq->Text->toPlainText();
    QVERIFY2(!text.contains(QStringLiteral("12345678")), qPrintable(text));
    // Model 1's first harmonic: the search's value, then "—" for the refined one.
    const QStringList lines = text.split('\n');
    const auto a1 = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
      return line.startsWith(QStringLiteral("A1 "));
    });
    QVERIFY(a1 != lines.end());
    QVERIFY2(a1->contains(QStringLiteral("—")), qPrintable(*a1));
    QVERIFY(!lsq->ApplyButton->isEnabled());
    QVERIFY(lsq->ApplyNote->isVisible());
    QVERIFY(lsq->ApplyNote->text().contains(QStringLiteral("гармоника 1 модели 1")));
    lsq->Apply();
    QVERIFY(std::memcmp(&before, &f.State.Coefficients, sizeof before) == 0);
  }
};

QTEST_MAIN(LeastSquaresDisplayTest)
#include "least_squares_display_test.moc"
