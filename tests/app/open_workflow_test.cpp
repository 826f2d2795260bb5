// The open button with files written for each case: accepted, rejected with a message and a
// new random sample, cancelled, and aborted by a run-time fault.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "plot/plot_geometry.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

std::uint32_t OtherTestClock() { return 4242u; }

// Picks `path` in the open dialog and clicks the open button.
void Open(TForm1& f, const QString& path) {
  f.RunOpenDialog = [path] { return path; };
  ClickOn(f, f.BitBtn1);
}

// What a fit leaves on screen: both curves, the formulas button and the open report.
void ShowAFit(TForm1& f) {
  CoefficientTable& t = f.State.Coefficients;
  t.HarmonicCount = 1;
  t.A[0] = t.A2[0] = 1;
  t.B[0] = t.B2[0] = 1;
  f.State.FitStage = 2;
  f.BitBtn3->show();
  ClickOn(f, f.BitBtn3);
  f.update();
  QCoreApplication::processEvents();
}

bool SameData(const ObservationSet& a, const ObservationSet& b) {
  const int n = a.LastIndex + 1;
  return a.LastIndex == b.LastIndex && std::equal(a.PlotX.data(), a.PlotX + n, b.PlotX.data()) &&
         std::equal(a.OrigY.data(), a.OrigY + n, b.OrigY.data()) && a.MinPeriod == b.MinPeriod &&
         a.XMin == b.XMin && a.XMax == b.XMax && a.YAbsMax == b.YAbsMax;
}

QImage PlotArea(TForm1& f) {
  const PlotGeometry& g = f.State.Geometry;
  return f.grab(QRect(0, 0, g.PlotWidth, g.PlotHeight)).toImage();
}

// The cleared field: a white frame around black, nothing drawn on it.
bool ShowsOnlyTheClearedField(TForm1& f) {
  const QImage image = PlotArea(f);
  const QRect inside = image.rect().adjusted(1, 1, -1, -1);
  return image.pixelColor(0, 0) == QColor(Qt::white) &&
         image.pixelColor(image.width() - 1, image.height() - 1) == QColor(Qt::white) &&
         CountColour(image, inside, Qt::black) == inside.width() * inside.height();
}

}  // namespace

class OpenWorkflowTest : public QObject {
  Q_OBJECT

 private slots:
  void AcceptedFileIsSortedPlottedAndNamedInTheCaption() {
    WindowFixture w;
    TForm1& f = w.Form;
    ShowAFit(f);
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(CountColour(PlotArea(f), QRect(1, 1, 528, 558), kBlue) > 0);
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir, "data.txt", "3 1\n1 -2\n5 4\n2 0,5\n4 -1\n");
    Open(f, path);

    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - data.txt (5)"));
    QCOMPARE(QString::fromStdString(f.State.DataPath), path);
    QCOMPARE(QString::fromStdString(f.State.DataName), QStringLiteral("data.txt"));
    QCOMPARE(f.State.FitStage, 0);
    QVERIFY(!f.BitBtn3->isVisible());
    QVERIFY(!f.Memo1->isVisible());
    QCOMPARE(f.Edit6->text(), QStringLiteral("2.000000000"));  // 2 x (5 - 1) / 4
    QVERIFY(w.Messages.empty());

    const QImage image = PlotArea(f);
    const PlotGeometry& g = f.State.Geometry;
    const double points[][2] = {{1, -2}, {2, 0.5}, {3, 1}, {4, -1}, {5, 4}};
    for (const auto& p : points) QVERIFY(MarkerAt(image, g, p[0], p[1]));
    QCOMPARE(ScreenX(g, 1), 10);
    QCOMPARE(ScreenX(g, 5), 520);
    QCOMPARE(ScreenY(g, 4), 10);
    QCOMPARE(CountColour(image, QRect(1, 1, 528, 558), kBlue), 0);  // no curves until a fit
  }

  void RejectedFilesAreReportedAndReplacedByARandomSample() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    Open(f, WriteDataFile(dir, "good.txt", "0 1 1 2 2 1 3 2"));
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - good.txt (4)"));
    f.State.Random.Clock = OtherTestClock;  // each sample differs from the one at start

    const struct {
      const char* Name;
      QByteArray Text;
      const QString& Message;
      QString Detail;
    } cases[] = {
        {"header.txt",
         "x-y\n1 2\n3 4\n5 6\n7 8\n",
         kUnreadable,
         QStringLiteral("Файл «header.txt», строка 1: «-» — не число.")},
        {"last.txt",
         "1 2 3 4 5 6 7 8 1.2.3",
         kUnreadable,
         QStringLiteral("Файл «last.txt», строка 1: «1.2.3» — не число.")},
        {"seven.txt",
         "1 2 3 4 5 6 7",
         kTooShort,
         QStringLiteral("Файл «seven.txt»: прочитано 7 чисел (3 пары).")},
        {"empty.txt",
         "",
         kTooShort,
         QStringLiteral("Файл «empty.txt»: прочитано 0 чисел (0 пар).")},
    };
    for (const auto& c : cases) {
      QTest::qWait(0);
      w.Messages.clear();
      Open(f, WriteDataFile(dir, "good.txt", "0 1 1 2 2 1 3 2"));
      const ObservationSet before = f.State.Observations;
      QString captionUnderTheBox;
      f.ShowMessage = [&](TForm1::MessageKind kind, const QString& caption, const QString& text) {
        captionUnderTheBox = f.windowTitle();
        w.Messages.push_back({kind, caption, text});
      };
      Open(f, WriteDataFile(dir, c.Name, c.Text));

      QCOMPARE(w.Messages.size(), size_t(1));
      QCOMPARE(w.Messages[0].Kind, TForm1::MessageKind::Plain);
      QCOMPARE(w.Messages[0].Caption, QStringLiteral("Ошибка"));
      QCOMPARE(DesignedPart(w.Messages[0].Text), c.Message);
      QCOMPARE(DetailPart(w.Messages[0].Text), c.Detail);
      QCOMPARE(captionUnderTheBox, QStringLiteral("Harmora - good.txt (4)"));
      QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - random (10)"));
      QCOMPARE(QString::fromStdString(f.State.DataName), QString::fromLatin1(c.Name));
      const ObservationSet& obs = f.State.Observations;
      QCOMPARE(obs.LastIndex, 9);
      QVERIFY(!SameData(obs, before));
      QCOMPARE(f.Edit6->text().toStdString(), FloatText(9, 2 * obs.Spacing));
      const QImage image = PlotArea(f);
      for (int i = 0; i <= obs.LastIndex; ++i) {
        QVERIFY(MarkerAt(image, f.State.Geometry, obs.PlotX[i], obs.OrigY[i]));
      }
    }
  }

  void CancelledDialogChangesNothing() {
    WindowFixture w;
    TForm1& f = w.Form;
    ShowAFit(f);
    const ObservationSet before = f.State.Observations;
    const QImage picture = f.PlotImage().copy();
    Open(f, QString());
    QCoreApplication::processEvents();
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(f.BitBtn3->isVisible());
    QCOMPARE(f.State.FitStage, 2);
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - random (10)"));
    QVERIFY(SameData(f.State.Observations, before));
    QCOMPARE(f.PlotImage(), picture);
    QVERIFY(w.Messages.empty());
  }

  // A read aborted by a fault is reported in the error box; the data, the caption and the plot
  // stay as they were, while the first steps of the workflow have taken effect.
  void AbortedReadKeepsTheDataCaptionAndPlot() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    Open(f, WriteDataFile(dir, "good.txt", "0 1 1 2 2 1 3 2"));
    QVERIFY(dir.path().startsWith('/'));
    QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
    const QByteArray huge = "1" + QByteArray(400, '0');

    const struct {
      QString Path;
      const char* Name;
      const char* Text;  // the fault's text, or empty to look for the file's name in it
    } cases[] = {
        {dir.filePath("missing.txt"), "missing.txt", ""},
        {dir.filePath("folder.txt"), "folder.txt", ""},
        {WriteDataFile(dir, "huge.txt", "1 2 3 4 " + huge + " 5 6 7 8"), "huge.txt", kOverflowText},
        {WriteDataFile(dir, "hugelast.txt", "1 2 3 4 5 6 7 " + huge),
         "hugelast.txt",
         kOverflowText},
    };
    for (const auto& c : cases) {
      QTest::qWait(0);
      ShowAFit(f);
      f.State.FitStage = 0;  // so the curves' removal does not change the picture
      f.update();
      QCoreApplication::processEvents();
      const ObservationSet before = f.State.Observations;
      const QImage picture = f.PlotImage().copy();
      w.Messages.clear();
      Open(f, c.Path);
      QCoreApplication::processEvents();

      QCOMPARE(w.Messages.size(), size_t(1));
      QCOMPARE(w.Messages[0].Kind, TForm1::MessageKind::Error);
      if (*c.Text != 0) {
        QCOMPARE(w.Messages[0].Text, QString::fromUtf8(c.Text));
      } else {
        QVERIFY2(w.Messages[0].Text.contains(c.Name), qPrintable(w.Messages[0].Text));
      }
      QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - good.txt (4)"));
      QVERIFY(SameData(f.State.Observations, before));
      QCOMPARE(f.Edit6->text(), QStringLiteral("2.000000000"));
      f.update();
      QCoreApplication::processEvents();
      QCOMPARE(f.PlotImage(), picture);
      QCOMPARE(QString::fromStdString(f.State.DataName), QString::fromLatin1(c.Name));
      QVERIFY(!f.Memo1->isVisible());
      QVERIFY(!f.BitBtn3->isVisible());
    }
    QCoreApplication::processEvents();
  }

  // Data with no x range or no y range cannot be scaled: one box says so, in Russian, and what
  // to do; later paints, resizes and clicks stay quiet, and the plot shows the cleared field
  // until a good file.
  void DegenerateDataIsReportedOnceAndShowsTheClearedField() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const struct {
      const char* Name;
      const char* Text;
      const char* Caption;
      const char* Fault;
    } cases[] = {
        {"flat.txt", "2 1 2 3 2 -1 2 5", "Harmora - flat.txt (4)", kNoXRangeText},
        {"zero.txt", "1 0 2 0 3 0 4 0 5 0", "Harmora - zero.txt (5)", kNoYRangeText},
    };
    for (const auto& c : cases) {
      w.Messages.clear();
      Open(f, WriteDataFile(dir, c.Name, c.Text));
      QCOMPARE(f.windowTitle(), QString::fromLatin1(c.Caption));
      f.update();
      QTest::qWait(1);
      QVERIFY(ShowsOnlyTheClearedField(f));
      f.resize(660, 610);
      QTest::qWait(1);
      f.resize(600, 560);
      QTest::qWait(1);
      ClickAt(f, kBarePlot);  // the panel hides: a handler of its own, which redraws
      QTest::qWait(1);
      QVERIFY(!f.Panel1->isVisible());
      QVERIFY(ShowsOnlyTheClearedField(f));
      ClickAt(f, kBarePlot);
      QTest::qWait(1);
      ClickUp(f, f.UpDown2);
      QTest::qWait(1);
      QCOMPARE(w.Messages.size(), size_t(1));
      QCOMPARE(w.Messages[0].Kind, TForm1::MessageKind::Error);
      QCOMPARE(w.Messages[0].Text, QString::fromUtf8(c.Fault));
      ClickDown(f, f.UpDown2);
      w.Messages.clear();

      Open(f, WriteDataFile(dir, "good.txt", "0 1 1 2 2 1 3 2"));
      QTest::qWait(1);
      QVERIFY(w.Messages.empty());
      QVERIFY(f.Panel1->isVisible());
      QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - good.txt (4)"));
      const QImage image = PlotArea(f);
      QCOMPARE(image.width(), 530);
      QVERIFY(MarkerAt(image, f.State.Geometry, 0, 1));
      QVERIFY(MarkerAt(image, f.State.Geometry, 3, 2));
      QCOMPARE(CountHorizontalLines(image, f.State.Geometry), 5);
    }
  }

  void ClearedFieldFillsAWindowGrownWhileTheDataCannotBeScaled() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    Open(f, WriteDataFile(dir, "flat.txt", "2 1 2 3 2 -1 2 5"));
    f.resize(660, 610);
    QTest::qWait(1);
    QCOMPARE(PlotArea(f).size(), QSize(590, 610));
    QVERIFY(ShowsOnlyTheClearedField(f));
    QCOMPARE(w.Messages.size(), size_t(1));
  }
};

QTEST_MAIN(OpenWorkflowTest)
#include "open_workflow_test.moc"
