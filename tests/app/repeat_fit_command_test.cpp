// Repeating the last search with its seeds: the same coefficient table and report again.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <cstring>

#include "app/window/tform1.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

const QString kRepeatText = QStringLiteral("Повторить поиск с теми же зёрнами");

QAction* RepeatAction(TForm1& f) {
  for (QAction* a : f.ContextMenu->actions()) {
    if (a->text() == kRepeatText) return a;
  }
  return nullptr;
}

bool SameTable(const CoefficientTable& s, const CoefficientTable& t) {
  return std::memcmp(s.A, t.A, sizeof s.A) == 0 && std::memcmp(s.B, t.B, sizeof s.B) == 0 &&
         std::memcmp(s.C, t.C, sizeof s.C) == 0 && std::memcmp(s.A2, t.A2, sizeof s.A2) == 0 &&
         std::memcmp(s.B2, t.B2, sizeof s.B2) == 0 && std::memcmp(s.C2, t.C2, sizeof s.C2) == 0 &&
         s.HarmonicCount == t.HarmonicCount;
}

// The report box's text after the formulas button.
QString ReportOf(TForm1& f) {
  f.BitBtn3Click();
  const QString text = f.Memo1->toPlainText();
  f.BitBtn3Click();
  return text;
}

}  // namespace

class RepeatFitCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void IsInTheMenuWithItsShortcutAndWaitsForAFit() {
    WindowFixture w;
    TForm1& f = w.Form;
    QAction* repeat = RepeatAction(f);
    QVERIFY(repeat != nullptr);
    QCOMPARE(repeat->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    QVERIFY(!repeat->isEnabled());
    f.BitBtn2Click();
    QVERIFY(repeat->isEnabled());
  }

  void CtrlShiftFReproducesTheLastFitsCoefficientTable() {
    WindowFixture w;
    TForm1& f = w.Form;
    std::uint32_t next = 1000;  // every reseed reads a new value
    f.State.Random.Clock = [&next] { return next++; };
    f.UpDown1->setValue(2);
    f.BitBtn2Click();
    const CoefficientTable first = f.State.Coefficients;
    const QString firstReport = ReportOf(f);
    QCOMPARE(f.State.StageSeeds[0], 1000u);
    QCOMPARE(f.State.StageSeeds[1], 1001u);

    // The panel changed since: the repeat still searches with the fit's own settings.
    const QString minPeriod = f.Edit6->text();
    f.UpDown1->setValue(3);
    f.ComboBox1->setCurrentIndex(1);
    f.BitBtn5Click();
    QTest::keyClick(&f, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.UpDown1->value(), 2);
    QCOMPARE(f.ComboBox1->currentIndex(), 0);
    QCOMPARE(f.Edit6->text(), minPeriod);
    QVERIFY(SameTable(f.State.Coefficients, first));
    QCOMPARE(ReportOf(f), firstReport);
    QCOMPARE(f.State.StageSeeds[0], 1000u);
    QCOMPARE(f.State.StageSeeds[1], 1001u);
    QCOMPARE(next, 1002u);  // the repeat read no clock
    QVERIFY(w.Messages.empty());

    // Afterwards the find button reads the clock again, and finds another table.
    f.BitBtn2Click();
    QCOMPARE(f.State.StageSeeds[0], 1002u);
    QVERIFY(!SameTable(f.State.Coefficients, first));
  }
};

QTEST_MAIN(RepeatFitCommandTest)

#include "repeat_fit_command_test.moc"
