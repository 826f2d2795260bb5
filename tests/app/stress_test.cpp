// A few hundred random user actions with a fixed seed: clicks on the plot and the panel's
// buttons, spinner arrows, search depths, resizes, file loads of every kind and a few finds.
// After each one the window must still show what the user relies on.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <random>

#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "tests/app/painter_input_check.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

constexpr std::uint32_t kSeed = 20261207u;
constexpr int kSteps = 600;

const QString kRandomCaption = QStringLiteral("Harmora - random (10)");

enum class Action {
  ClickPlot,
  Formulas,
  XScale,
  HalvePeriod,
  About,
  DoublePeriod,
  ResetPeriod,
  SpinnerUp,
  SpinnerDown,
  Depth,
  Resize,
  LoadGood,
  LoadUnreadable,
  LoadShort,
  LoadDegenerate,
  LoadMissing,
  Find,
};

// Relative frequencies: mostly cheap clicks, a fair share of loads, few finds.
const std::pair<Action, int> kWeights[] = {
    {Action::ClickPlot, 5},
    {Action::Formulas, 8},
    {Action::XScale, 4},
    {Action::HalvePeriod, 4},
    {Action::About, 2},
    {Action::DoublePeriod, 4},
    {Action::ResetPeriod, 3},
    {Action::SpinnerUp, 8},
    {Action::SpinnerDown, 8},
    {Action::Depth, 3},
    {Action::Resize, 5},
    {Action::LoadGood, 4},
    {Action::LoadUnreadable, 1},
    {Action::LoadShort, 1},
    {Action::LoadDegenerate, 2},
    {Action::LoadMissing, 1},
    {Action::Find, 3},
};

bool NeedsPanel(Action a) { return a != Action::ClickPlot && a != Action::Resize; }

// What the test expects the window to show, kept alongside the actions.
struct Expected {
  QString Caption = kRandomCaption;
  bool Degenerate = false;  // the data set loaded has no plot scale
  std::uint8_t HorzLines = 5;
};

class Stress {
 public:
  explicit Stress(WindowFixture& w) : W(w), F(w.Form), Random(kSeed) {}

  // Runs one random action and returns what is wrong afterwards, or an empty text.
  QString Step(int index) {
    Action action = PickAction();
    if (NeedsPanel(action) && !F.Panel1->isVisible()) action = Action::ClickPlot;
    if (action == Action::Formulas && !F.BitBtn3->isVisible()) action = Action::XScale;
    Index = index;
    Before = W.Messages.size();
    JustLoadedOrFitted = false;
    Run(action);
    QTest::qWait(1);
    return Check(action);
  }

 private:
  Action PickAction() {
    int total = 0;
    for (const auto& w : kWeights) total += w.second;
    int r = std::uniform_int_distribution<int>(0, total - 1)(Random);
    for (const auto& w : kWeights) {
      if (r < w.second) return w.first;
      r -= w.second;
    }
    return Action::ClickPlot;
  }

  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }

  void Open(const QString& path) {
    F.RunOpenDialog = [path] { return path; };
    ClickOn(F, F.BitBtn1);
    JustLoadedOrFitted = true;
  }

  QString NewFile(const QByteArray& text) {
    return WriteDataFile(Dir, QStringLiteral("file%1.txt").arg(Index), text);
  }

  // Pairs of real-looking numbers, with decimal commas now and then; up to 120 pairs, of which
  // the window keeps 100.
  void LoadGood() {
    const int pairs = Uniform(4, 120);
    QByteArray text = Uniform(0, 1) ? "x y\r\n" : "";
    const bool commas = Uniform(0, 3) == 0;
    for (int i = 0; i < pairs; ++i) {
      QByteArray line = QByteArray::number(Uniform(-5000, 5000) / 100.0) + (commas ? ";" : " ") +
                        QByteArray::number(Uniform(-2000, 2000) / 10.0) + "\n";
      if (commas) line.replace('.', ',');
      text += line;
    }
    const QString path = NewFile(text);
    Open(path);
    Want.Caption = QStringLiteral("Harmora - file%1.txt (%2)").arg(Index).arg(std::min(pairs, 100));
    Want.Degenerate = false;
  }

  void LoadDegenerate() {
    const bool flat = Uniform(0, 1);
    const int pairs = Uniform(4, 12);
    QByteArray text;
    for (int i = 0; i < pairs; ++i) {
      text += flat ? "7 " + QByteArray::number(i) : QByteArray::number(i) + " 0";
      text += "\n";
    }
    Open(NewFile(text));
    Want.Caption = QStringLiteral("Harmora - file%1.txt (%2)").arg(Index).arg(pairs);
    Want.Degenerate = true;
  }

  void LoadRejected(const QByteArray& text, const QString& message) {
    ExpectedMessage = message;
    Open(NewFile(text));
    Want.Caption = kRandomCaption;
    Want.Degenerate = false;
  }

  void Run(Action action) {
    QSpinBox* spinners[] = {F.UpDown1, F.UpDown2, F.UpDown3, F.UpDown4, F.UpDown5};
    ExpectedMessage.clear();
    switch (action) {
      case Action::ClickPlot:
        ClickAt(F, kBarePlot);
        break;
      case Action::Formulas:
        ClickOn(F, F.BitBtn3);
        break;
      case Action::XScale:
        ClickOn(F, F.BitBtn4);
        break;
      case Action::HalvePeriod:
        ClickOn(F, F.BitBtn5);
        break;
      case Action::About:
        ClickOn(F, F.BitBtn6);
        break;
      case Action::DoublePeriod:
        ClickOn(F, F.BitBtn7);
        break;
      case Action::ResetPeriod:
        ClickOn(F, F.BitBtn8);
        break;
      case Action::SpinnerUp:
      case Action::SpinnerDown: {
        const int which = Uniform(0, 4);
        const bool up = action == Action::SpinnerUp;
        up ? ClickUp(F, spinners[which]) : ClickDown(F, spinners[which]);
        if (which == 3) {
          const int h = Want.HorzLines + (up ? 2 : -2);
          if (h >= 3 && h <= 101) Want.HorzLines = static_cast<std::uint8_t>(h);
          CheckHorzLines = true;
        }
        break;
      }
      case Action::Depth:
        F.ComboBox1->setCurrentIndex(Uniform(0, F.ComboBox1->count() - 1));
        break;
      case Action::Resize:
        F.resize(Uniform(520, 900), Uniform(500, 760));
        break;
      case Action::LoadGood:
        LoadGood();
        break;
      case Action::LoadUnreadable:
        LoadRejected("1 2\n3 4\n5 1.2.3\n7 8\n", kUnreadable);
        break;
      case Action::LoadShort:
        LoadRejected("1 2\n3 4\n5 6\n7\n", kTooShort);
        break;
      case Action::LoadDegenerate:
        LoadDegenerate();
        break;
      case Action::LoadMissing:
        ExpectedMessage = QStringLiteral("Cannot open file");
        Open(Dir.filePath(QStringLiteral("missing%1.txt").arg(Index)));
        break;
      case Action::Find:
        F.ComboBox1->setCurrentIndex(0);  // the lowest depth keeps the run short
        ClickOn(F, F.BitBtn2);
        JustLoadedOrFitted = true;
        break;
    }
  }

  QString CheckMessages(Action action) {
    const size_t added = W.Messages.size() - Before;
    if (!ExpectedMessage.isEmpty()) {
      if (added != 1 || !W.Messages.back().Text.startsWith(ExpectedMessage)) {
        return QStringLiteral("expected the message \"%1\"").arg(ExpectedMessage);
      }
      return {};
    }
    // Only data without a plot scale may fault, once per action; a load of such data reports
    // it as the load's fault.
    const bool mayFault = Want.Degenerate;
    if (added > (mayFault ? 1u : 0u)) {
      return QStringLiteral("%1 messages after action %2, the last \"%3\"")
          .arg(added)
          .arg(int(action))
          .arg(W.Messages.back().Text);
    }
    return {};
  }

  // A marker's white outline shows two pixels left of its centre unless a neighbour's square
  // covers it, so only markers clear of every other one are looked at.
  QString CheckMarkers() {
    const ObservationSet& obs = F.State.Observations;
    const PlotGeometry& g = F.State.Geometry;
    const QImage& image = F.PlotImage();
    for (int i = 0; i <= obs.LastIndex; ++i) {
      const int px = ScreenX(g, obs.PlotX[i]), py = ScreenY(g, obs.OrigY[i]);
      bool alone = true;
      for (int j = 0; j <= obs.LastIndex && alone; ++j) {
        alone = j == i || std::abs(ScreenX(g, obs.PlotX[j]) - px) > 7 ||
                std::abs(ScreenY(g, obs.OrigY[j]) - py) > 7;
      }
      if (alone && !MarkerAt(image, g, obs.PlotX[i], obs.OrigY[i])) {
        return QStringLiteral("no marker for observation %1").arg(i);
      }
    }
    return {};
  }

  QString Check(Action action) {
    if (QString problem = CheckMessages(action); !problem.isEmpty()) return problem;
    if (F.windowTitle() != Want.Caption) return "caption " + F.windowTitle();
    const int count = F.State.Observations.LastIndex + 1;
    if (!F.windowTitle().endsWith(QStringLiteral("(%1)").arg(count))) return "count in caption";
    if (F.Panel1->isVisible() != (F.State.Geometry.PanelMode == 1)) return "panel mode";
    if (JustLoadedOrFitted && F.Memo1->isVisible()) return "report shown after a load or fit";
    if (CheckHorzLines) {
      CheckHorzLines = false;
      if (F.State.HorzLines != Want.HorzLines || F.UpDown4->value() != Want.HorzLines) {
        return QStringLiteral("horizontal lines %1, box %2, expected %3")
            .arg(F.State.HorzLines)
            .arg(F.UpDown4->value())
            .arg(Want.HorzLines);
      }
    }
    if (F.State.HorzLines % 2 == 0) return "even horizontal line count";
    const QString minPeriod = QString::fromStdString(FloatText(9, F.State.Observations.MinPeriod));
    if (F.Edit6->text() != minPeriod) return "Edit6 " + F.Edit6->text() + " for " + minPeriod;
    if (ShowsNonFinite(F.Memo1->toPlainText())) return "report shows a non-finite value";
    if (QString problem = CheckPainterInput(F.State); !problem.isEmpty()) return problem;
    if (!Want.Degenerate) return CheckMarkers();
    return {};
  }

  WindowFixture& W;
  TForm1& F;
  std::mt19937 Random;
  QTemporaryDir Dir;
  Expected Want;
  int Index = 0;
  size_t Before = 0;
  QString ExpectedMessage;  // the start of the one message the action must show
  bool JustLoadedOrFitted = false;
  bool CheckHorzLines = false;
};

}  // namespace

class StressTest : public QObject {
  Q_OBJECT

 private slots:
  void RandomActionsKeepTheWindowConsistent() {
    WindowFixture w;
    Stress stress(w);
    for (int i = 0; i < kSteps; ++i) {
      const QString problem = stress.Step(i);
      QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(i).arg(problem)));
    }
  }
};

QTEST_MAIN(StressTest)
#include "stress_test.moc"
