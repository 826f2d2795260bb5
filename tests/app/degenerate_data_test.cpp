// Data files at the edges of the doubles and of the plot: every control either works or reports
// one run-time fault, no NaN or infinity reaches the painter, the minimum-period box or the
// report, and a later good file or new random sample brings everything back.
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <functional>

#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "plot/plot_geometry.h"
#include "tests/app/painter_input_check.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// A decimal without exponent (the reader takes e as a separator): digits, then `zeros` zeros,
// or with `zeros` < 0, "0." followed by -zeros - 1 zeros and then the digits.
QByteArray Decimal(const char* digits, int zeros) {
  if (zeros >= 0) return QByteArray(digits) + QByteArray(zeros, '0');
  return "0." + QByteArray(-zeros - 1, '0') + digits;
}

// 1.k x 10^308 for k = 0..9, and 2.2k x 10^-308, the smallest normal doubles' neighbourhood.
QByteArray Huge(int k) { return Decimal(QByteArray::number(10 + k).constData(), 307); }
QByteArray Tiny(int k) { return Decimal(QByteArray::number(220 + k).constData(), -308); }

struct DataCase {
  const char* Name;
  QByteArray Text;
  bool MayFault;  // whether a control may report a run-time fault for this set
};

std::vector<DataCase> DataCases() {
  return {
      {"flat_x.txt", "2 1 2 3 2 -1 2 5", true},
      {"zero_y.txt", "1 0 2 0 3 0 4 0 5 0", true},
      {"huge_x.txt", Huge(0) + " 1 " + Huge(2) + " -2 " + Huge(4) + " 3 " + Huge(6) + " -1", true},
      {"huge_y.txt", "1 " + Huge(7) + " 2 -" + Huge(6) + " 3 " + Huge(1) + " 4 -" + Huge(3), true},
      {"huge_both.txt",
       "-" + Decimal("8", 307) + " " + Huge(7) + " " + Decimal("8", 307) + " -" + Huge(7) +
           " 0 0 1 1 -1 -1",
       true},
      {"x_range_beyond_doubles.txt", "-" + Huge(7) + " 1 " + Huge(7) + " 2 0 3 1 4", true},
      {"tiny.txt",
       Tiny(0) + " " + Tiny(1) + " " + Tiny(3) + " -" + Tiny(2) + " " + Tiny(5) + " " + Tiny(0) +
           " " + Tiny(8) + " -" + Tiny(9),
       true},
      {"tiny_y.txt", "1 " + Tiny(4) + " 2 -" + Tiny(4) + " 3 " + Tiny(1) + " 4 0", true},
      {"huge_x_tiny_y.txt",
       Huge(0) + " " + Tiny(1) + " " + Huge(3) + " -" + Tiny(2) + " " + Huge(5) + " " + Tiny(0) +
           " " + Huge(7) + " -" + Tiny(3),
       true},
      {"nearly_equal_x.txt",
       "1 1 1.0000000000000002 -1 1.0000000000000004 2 1.0000000000000007 0",
       true},
      {"four.txt", "0 1 1 -1 2 1 3 -1", false},
      {"duplicate_x.txt", "1 1 1 2 2 3 2 -1 3 0 3 5 4 2", false},
  };
}

const QString kFaultTexts[] = {QString::fromUtf8(kDivisionByZeroText),
                               QString::fromUtf8(kInvalidOperationText),
                               QString::fromUtf8(kOverflowText),
                               QString::fromUtf8(kNoXRangeText),
                               QString::fromUtf8(kNoYRangeText)};

// What a user relies on after every action, for the set now loaded: at most one new error box
// (and none for a set that works), the boxes and the painter free of non-finite values, the
// minimum-period box matching the value, the panel as its mode says and the caption unchanged.
QString CheckAfterStep(WindowFixture& w,
                       size_t messagesBefore,
                       bool mayFault,
                       const QString& caption) {
  TForm1& f = w.Form;
  const size_t added = w.Messages.size() - messagesBefore;
  if (added > (mayFault ? 1u : 0u)) return QStringLiteral("%1 new messages").arg(added);
  for (size_t i = messagesBefore; i < w.Messages.size(); ++i) {
    const auto& m = w.Messages[i];
    if (m.Kind != TForm1::MessageKind::Error ||
        std::find(std::begin(kFaultTexts), std::end(kFaultTexts), m.Text) ==
            std::end(kFaultTexts)) {
      return "unexpected message " + m.Text;
    }
  }
  if (ShowsNonFinite(f.Edit6->text())) return "Edit6 " + f.Edit6->text();
  if (f.Edit6->text() != QString::fromStdString(FloatText(9, f.State.Observations.MinPeriod))) {
    return "Edit6 " + f.Edit6->text() + " differs from MinPeriod";
  }
  if (ShowsNonFinite(f.Memo1->toPlainText())) return "Memo1 " + f.Memo1->toPlainText();
  if (f.Panel1->isVisible() != (f.State.Geometry.PanelMode == 1)) return "panel mode";
  if (f.windowTitle() != caption) return "caption " + f.windowTitle();
  return CheckPainterInput(f.State);
}

struct Step {
  const char* Name;
  bool OnPanel;  // the control lies on the panel, which must be shown first
  std::function<void(TForm1&)> Act;
};

std::vector<Step> EveryControl() {
  auto click = [](QPushButton* TForm1::*button) {
    return [button](TForm1& f) { ClickOn(f, f.*button); };
  };
  auto up = [](QSpinBox* TForm1::*spinner) {
    return [spinner](TForm1& f) { ClickUp(f, f.*spinner); };
  };
  auto down = [](QSpinBox* TForm1::*spinner) {
    return [spinner](TForm1& f) { ClickDown(f, f.*spinner); };
  };
  return {
      {"grow", false, [](TForm1& f) { f.resize(690, 630); }},
      {"shrink", false, [](TForm1& f) { f.resize(600, 560); }},
      {"repaint", false, [](TForm1& f) { f.repaint(); }},
      {"hide panel", false, [](TForm1& f) { ClickAt(f, kBarePlot); }},
      {"show panel", false, [](TForm1& f) { ClickAt(f, kBarePlot); }},
      {"x-scale", true, click(&TForm1::BitBtn4)},
      {"x lines up", true, up(&TForm1::UpDown2)},
      {"x decimals up", true, up(&TForm1::UpDown3)},
      {"y lines up", true, up(&TForm1::UpDown4)},
      {"y decimals up", true, up(&TForm1::UpDown5)},
      {"/2", true, click(&TForm1::BitBtn5)},
      {"x2", true, click(&TForm1::BitBtn7)},
      {"x2 again", true, click(&TForm1::BitBtn7)},
      {"reset", true, click(&TForm1::BitBtn8)},
      {"find", true, click(&TForm1::BitBtn2)},
      {"report", true, click(&TForm1::BitBtn3)},
      {"close report", false, [](TForm1& f) { ClickAt(f, kBarePlot); }},
      {"x-scale back", true, click(&TForm1::BitBtn4)},
      {"x lines down", true, down(&TForm1::UpDown2)},
      {"x decimals down", true, down(&TForm1::UpDown3)},
      {"y lines down", true, down(&TForm1::UpDown4)},
      {"y decimals down", true, down(&TForm1::UpDown5)},
      {"two harmonics", true, up(&TForm1::UpDown1)},
      {"find two", true, click(&TForm1::BitBtn2)},
      {"report two", true, click(&TForm1::BitBtn3)},
      {"one harmonic", true, down(&TForm1::UpDown1)},
  };
}

void Open(TForm1& f, const QString& path) {
  f.RunOpenDialog = [path] { return path; };
  ClickOn(f, f.BitBtn1);
}

// Runs one action and lets the window paint, then checks it.
#define RUN_CHECKED(w, name, mayFault, caption, action)                                \
  do {                                                                                 \
    const size_t stepStart = w.Messages.size();                                        \
    action;                                                                            \
    QTest::qWait(1);                                                                   \
    const QString problem = CheckAfterStep(w, stepStart, mayFault, caption);           \
    QVERIFY2(problem.isEmpty(), qPrintable(QString("%1: %2").arg(name).arg(problem))); \
  } while (false)

}  // namespace

class DegenerateDataTest : public QObject {
  Q_OBJECT

 private slots:
  void EveryControlWorksOrReportsOneFaultAndAGoodFileRestoresThePlot() {
    WindowFixture w;
    TForm1& f = w.Form;
    QCOMPARE(f.ComboBox1->currentIndex(), 0);  // the lowest search depth keeps the fits short
    QTemporaryDir dir;
    const QString good = WriteDataFile(dir, "good.txt", "0 1 1 2 2 1 3 2");
    const QString shortFile = WriteDataFile(dir, "short.txt", "1 2 3 4 5 6");
    bool restoreWithSample = false;
    for (const DataCase& c : DataCases()) {
      const QString path = WriteDataFile(dir, c.Name, c.Text);
      const QString loaded = QStringLiteral("Harmora - %1 (%2)")
                                 .arg(QString::fromLatin1(c.Name))
                                 .arg(c.Text.count(' ') / 2 + 1);
      const size_t before = w.Messages.size();
      Open(f, path);
      QTest::qWait(1);
      QVERIFY2(w.Messages.size() - before <= (c.MayFault ? 1u : 0u), c.Name);
      // A set whose statistics leave the doubles is refused by a fault; the old data stay.
      const QString caption = f.windowTitle();
      QVERIFY2(caption == loaded || w.Messages.size() == before + 1, c.Name);

      for (const Step& step : EveryControl()) {
        const QString name = QString("%1 %2").arg(c.Name, step.Name);
        if (step.OnPanel && !f.Panel1->isVisible()) {
          RUN_CHECKED(w, name + " (panel)", c.MayFault, caption, ClickAt(f, kBarePlot));
        }
        if (step.OnPanel && !f.Panel1->isVisible()) {
          // The panel stays hidden only behind an open report, which the click closed.
          RUN_CHECKED(w, name + " (panel)", c.MayFault, caption, ClickAt(f, kBarePlot));
        }
        QVERIFY2(!step.OnPanel || f.Panel1->isVisible(), qPrintable(name));
        if (std::string_view(step.Name).starts_with("report") && !f.BitBtn3->isVisible()) continue;
        RUN_CHECKED(w, name, c.MayFault, caption, step.Act(f));
      }

      // Back to data that work: a good file, or a rejected one and its new random sample.
      if (!f.Panel1->isVisible()) ClickAt(f, kBarePlot);
      if (!f.Panel1->isVisible()) ClickAt(f, kBarePlot);
      QTest::qWait(1);
      restoreWithSample = !restoreWithSample;
      Open(f, restoreWithSample ? shortFile : good);
      QTest::qWait(1);
      w.Messages.clear();
      const QString restored = restoreWithSample ? QStringLiteral("Harmora - random (10)")
                                                 : QStringLiteral("Harmora - good.txt (4)");
      QCOMPARE(f.windowTitle(), restored);
      for (const char* again : {"grow", "shrink", "repaint", "hide panel", "show panel"}) {
        for (const Step& step : EveryControl()) {
          if (std::string_view(step.Name) == again) {
            RUN_CHECKED(
                w, QString("%1 restored %2").arg(c.Name, again), false, restored, step.Act(f));
          }
        }
      }
      const ObservationSet& obs = f.State.Observations;
      const QImage& image = f.PlotImage();
      for (int i = 0; i <= obs.LastIndex; ++i) {
        QVERIFY2(MarkerAt(image, f.State.Geometry, obs.PlotX[i], obs.OrigY[i]), c.Name);
      }
      QCOMPARE(CountHorizontalLines(image, f.State.Geometry), int(f.State.HorzLines));
      if (!restoreWithSample) QVERIFY(MarkerAt(image, f.State.Geometry, 3, 2));
    }
  }

  // With an x range near the largest double the start minimum period, two thirds of it, cannot
  // be doubled within the doubles: ×2 is an overflow fault, and the box never shows infinity.
  void DoublingTheLargestMinimumPeriodIsAnOverflowFault() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QByteArray big = Decimal("75", 306), small = Decimal("25", 306);  // 7.5e307, 2.5e307
    Open(f,
         WriteDataFile(
             dir, "wide.txt", "-" + big + " 1 -" + small + " 2 " + small + " 3 " + big + " 4"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - wide.txt (4)"));
    QCOMPARE(f.State.Observations.MinPeriod, 1e308);
    QVERIFY(w.Messages.empty());
    ClickOn(f, f.BitBtn7);
    QCOMPARE(w.Messages.size(), size_t(1));
    QCOMPARE(w.Messages.back().Text, QString::fromUtf8(kOverflowText));
    QCOMPARE(f.State.Observations.MinPeriod, 1e308);
    QCOMPARE(f.Edit6->text(), QString::fromStdString(FloatText(9, 1e308)));
    ClickOn(f, f.BitBtn5);  // /2 still works; ×2 then stays within half the range
    ClickOn(f, f.BitBtn7);
    QCOMPARE(f.State.Observations.MinPeriod, 5e307);
    QCOMPARE(w.Messages.size(), size_t(1));
  }

  // A file's name is shown as it is, whatever characters it holds.
  void HostileFileNamesShowInTheCaptionAsTheyAre() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    for (const QString& name : {QStringLiteral("%1.txt"),
                                QStringLiteral("a%2b %L1.txt"),
                                QStringLiteral("данные (2).txt"),
                                QStringLiteral(" .txt")}) {
      Open(f, WriteDataFile(dir, name, "0 1 1 2 2 1 3 2"));
      QCOMPARE(f.windowTitle(), "Harmora - " + name + " (4)");
    }
    QVERIFY(w.Messages.empty());
  }
};

QTEST_MAIN(DegenerateDataTest)
#include "degenerate_data_test.moc"
