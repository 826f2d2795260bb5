// The control panel as a user works it: clicks on the plot and on the panel's buttons, the
// spinners' arrows and keys, and the pointer moving over the pictures.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/run_time_fault.h"
#include "plot/plot_geometry.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// The bounding box of the antialiased text in `area`: neither black field nor silver grid.
QRect TextBox(const QImage& image, QRect area) {
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c != QColor(Qt::black) && c != kSilver) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// The label of the top horizontal line (y = M, row 10), which starts at column 15.
int TopYLabelWidth(TForm1& f) { return TextBox(f.PlotImage(), QRect(11, 4, 60, 12)).width(); }

// The label under the middle vertical line, just below the axis.
int MiddleXLabelWidth(TForm1& f) {
  const PlotGeometry& g = f.State.Geometry;
  const int middle = (g.PlotWidth) / 2;
  const int axis = ScreenY(g, 0);
  return TextBox(f.PlotImage(), QRect(middle - 35, axis + 3, 70, 16)).width();
}

// The harmonic-count label's top strip, above the spinner that lies on it.
void MoveOntoHarmonicLabel(TForm1& f) {
  const QPoint top(29, 8);
  QVERIFY(f.Image1->childAt(top) == nullptr &&
          f.Panel1->childAt(f.Image1->mapTo(f.Panel1, top)) == f.Image1);
  MoveTo(f, f.Image1->mapTo(&f, top));
}

bool EveryMarkerShown(TForm1& f) {
  const ObservationSet& obs = f.State.Observations;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    if (!MarkerAt(f.PlotImage(), f.State.Geometry, obs.PlotX[i], obs.OrigY[i])) return false;
  }
  return true;
}

}  // namespace

class PanelTest : public QObject {
  Q_OBJECT

 private slots:
  void PlotClickHidesAndShowsThePanel() {
    WindowFixture w;
    TForm1& f = w.Form;
    const ObservationSet& obs = f.State.Observations;
    ClickAt(f, kBarePlot);
    QVERIFY(!f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PlotWidth), 600);
    QCOMPARE(ScreenX(f.State.Geometry, obs.XMax), 590);  // rescaled to the wider plot
    QCOMPARE(f.grab().toImage().pixelColor(599, 300), QColor(Qt::white));  // the frame
    QVERIFY(EveryMarkerShown(f));

    ClickAt(f, kBarePlot);
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PlotWidth), 530);
    QCOMPARE(ScreenX(f.State.Geometry, obs.XMax), 520);
    QCOMPARE(f.PlotImage().pixelColor(529, 300), QColor(Qt::white));
    QVERIFY(EveryMarkerShown(f));
    QVERIFY(w.Messages.empty());
  }

  void XScaleToggleFitsTheDataIntoTheMiddleHalf() {
    WindowFixture w;
    TForm1& f = w.Form;
    const ObservationSet& obs = f.State.Observations;
    ClickOn(f, f.BitBtn4);
    const PlotGeometry& g = f.State.Geometry;
    // The x range maps onto columns 137.5 to 392.5 of the 530-wide plot.
    QVERIFY(qAbs(ScreenX(g, obs.XMin) - 137.5) == 0.5);
    QVERIFY(qAbs(ScreenX(g, obs.XMax) - 392.5) == 0.5);
    QVERIFY(EveryMarkerShown(f));
    // No marker outside the middle half: the outer quarters hold only grid and labels.
    const QRect left(1, 1, 130, 558), right(400, 1, 128, 558);
    QCOMPARE(CountColour(f.PlotImage(), left, Qt::white), 0);
    QCOMPARE(CountColour(f.PlotImage(), right, Qt::white), 0);

    ClickOn(f, f.BitBtn4);
    QCOMPARE(ScreenX(g, obs.XMin), 10);
    QCOMPARE(ScreenX(g, obs.XMax), 520);
    QVERIFY(EveryMarkerShown(f));
    QVERIFY(f.Panel1->isVisible());
  }

  void HorizontalLineSpinnerMovesByTwoAndStaysOdd() {
    WindowFixture w;
    TForm1& f = w.Form;
    QCOMPARE(f.Edit4->text(), QStringLiteral("5"));
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 5);
    const struct {
      bool Up;
      int Expected;
    } steps[] = {{true, 7}, {false, 5}, {false, 3}, {false, 3}, {true, 5}, {true, 7}, {true, 9}};
    for (const auto& step : steps) {
      step.Up ? ClickUp(f, f.UpDown4) : ClickDown(f, f.UpDown4);
      QCOMPARE(f.Edit4->text(), QString::number(step.Expected));
      QCOMPARE(int(f.State.HorzLines), step.Expected);
      QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), step.Expected);
    }
  }

  void HorizontalLineSpinnerStopsAtItsTop() {
    WindowFixture w;
    TForm1& f = w.Form;
    for (int i = 0; i < 9; ++i) QTest::keyClick(f.UpDown4, Qt::Key_PageUp);
    for (int i = 0; i < 5; ++i) QTest::keyClick(f.UpDown4, Qt::Key_Up);
    QCOMPARE(f.Edit4->text(), QStringLiteral("100"));
    ClickUp(f, f.UpDown4);
    QCOMPARE(f.Edit4->text(), QStringLiteral("101"));
    QCOMPARE(int(f.State.HorzLines), 101);
    ClickUp(f, f.UpDown4);
    QCOMPARE(f.Edit4->text(), QStringLiteral("101"));
    QCOMPARE(int(f.State.HorzLines), 101);
    ClickDown(f, f.UpDown4);
    QCOMPARE(f.Edit4->text(), QStringLiteral("99"));
    QCOMPARE(int(f.State.HorzLines), 99);
    QVERIFY(w.Messages.empty());
  }

  void KeyboardChangeOfHorizontalLinesWaitsForTheNextMouseUp() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTest::keyClick(f.UpDown4, Qt::Key_Up);
    QCOMPARE(f.Edit4->text(), QStringLiteral("6"));
    f.resize(640, 600);  // a full refresh still draws the accepted count
    QCoreApplication::processEvents();
    QCOMPARE(int(f.State.HorzLines), 5);
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 5);
    ClickUp(f, f.UpDown4);
    QCOMPARE(f.Edit4->text(), QStringLiteral("7"));
    QCOMPARE(CountHorizontalLines(f.PlotImage(), f.State.Geometry), 7);
  }

  // The spinner's redraw skips the scales, so with all y zero it reaches the grid, which
  // refuses the data as the scales did; the box was shown once for the file and stays shut.
  void HorizontalLineSpinnerWithAllYZeroFaultsInTheGridQuietly() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    f.RunOpenDialog = [&dir] { return WriteDataFile(dir, "zero.txt", "1 0 2 0 3 0 4 0"); };
    ClickOn(f, f.BitBtn1);
    QCOMPARE(w.Messages.size(), size_t(1));
    QCOMPARE(w.Messages[0].Text, QString::fromUtf8(kNoYRangeText));
    ClickUp(f, f.UpDown4);
    QCOMPARE(f.Edit4->text(), QStringLiteral("7"));
    QCOMPARE(int(f.State.HorzLines), 7);
    QCOMPARE(w.Messages.size(), size_t(1));
  }

  void RightClickOnThePlotIsNoClick() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTest::mouseClick(f.windowHandle(), Qt::RightButton, {}, kBarePlot);
    QVERIFY(f.Panel1->isVisible());
  }

  void GridSpinnersRedrawThePlotOnMouseUp() {
    WindowFixture w;
    TForm1& f = w.Form;
    QCOMPARE(CountVerticalLines(f.PlotImage(), f.State.Geometry), 9);
    ClickUp(f, f.UpDown2);
    QCOMPARE(CountVerticalLines(f.PlotImage(), f.State.Geometry), 10);
    ClickDown(f, f.UpDown2);
    ClickDown(f, f.UpDown2);
    QCOMPARE(f.Edit2->text(), QStringLiteral("8"));
    QCOMPARE(CountVerticalLines(f.PlotImage(), f.State.Geometry), 8);

    // One more decimal widens a label by a digit, one fewer narrows it.
    ClickUp(f, f.UpDown2);  // back to 9 lines, so one stands in the middle
    const int x3 = MiddleXLabelWidth(f);
    ClickUp(f, f.UpDown3);
    const int x4 = MiddleXLabelWidth(f);
    ClickDown(f, f.UpDown3);
    ClickDown(f, f.UpDown3);
    const int x2 = MiddleXLabelWidth(f);
    QVERIFY2(x2 < x3 && x3 < x4, qPrintable(QStringLiteral("%1 %2 %3").arg(x2).arg(x3).arg(x4)));

    const int y3 = TopYLabelWidth(f);
    ClickUp(f, f.UpDown5);
    const int y4 = TopYLabelWidth(f);
    ClickDown(f, f.UpDown5);
    ClickDown(f, f.UpDown5);
    const int y2 = TopYLabelWidth(f);
    QVERIFY2(y2 < y3 && y3 < y4, qPrintable(QStringLiteral("%1 %2 %3").arg(y2).arg(y3).arg(y4)));
    QCOMPARE(MiddleXLabelWidth(f), x2);  // the y decimals leave the x labels alone
  }

  void MinimumPeriodWithFiveObservationsDoublesOnlyWithinHalfTheRange() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir, "five.txt", "0.9 -2\n0 1\n0.3 -1\n1.2 0.5\n0.6 2\n");
    f.RunOpenDialog = [path] { return path; };
    ClickOn(f, f.BitBtn1);
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - five.txt (5)"));
    // The start value 2 x 0.3 is half the range 1.2: doubling would pass it.
    QCOMPARE(f.Edit6->text(), QStringLiteral("0.600000000"));
    const struct {
      QPushButton* Button;
      const char* Expected;
    } steps[] = {
        {f.BitBtn7, "0.600000000"},
        {f.BitBtn5, "0.300000000"},
        {f.BitBtn7, "0.600000000"},
        {f.BitBtn5, "0.300000000"},
        {f.BitBtn5, "0.150000000"},
        {f.BitBtn5, "0.075000000"},
        {f.BitBtn7, "0.150000000"},
        {f.BitBtn8, "0.600000000"},
        {f.BitBtn5, "0.300000000"},
        {f.BitBtn8, "0.600000000"},
    };
    for (const auto& step : steps) {
      ClickOn(f, step.Button);
      QCOMPARE(f.Edit6->text(), QString::fromLatin1(step.Expected));
    }
    QVERIFY(w.Messages.empty());
  }

  void MinimumPeriodWithFourObservationsStartsBeyondHalfTheRange() {
    WindowFixture w;
    TForm1& f = w.Form;
    QTemporaryDir dir;
    const QString path = WriteDataFile(dir, "four.txt", "0 1 1 2 2 1 3 2");
    f.RunOpenDialog = [path] { return path; };
    ClickOn(f, f.BitBtn1);
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - four.txt (4)"));
    // Start 2 x 1 = 2, two thirds of the range 3, already above its half 1.5.
    QCOMPARE(f.Edit6->text(), QStringLiteral("2.000000000"));
    const struct {
      QPushButton* Button;
      const char* Expected;
    } steps[] = {
        {f.BitBtn7, "2.000000000"},
        {f.BitBtn5, "1.000000000"},
        {f.BitBtn7, "1.000000000"},
        {f.BitBtn5, "0.500000000"},
        {f.BitBtn7, "1.000000000"},
        {f.BitBtn8, "2.000000000"},
    };
    for (const auto& step : steps) {
      ClickOn(f, step.Button);
      QCOMPARE(f.Edit6->text(), QString::fromLatin1(step.Expected));
    }
  }

  void FindFitsBothModelsWithThePanelHiddenAndShowsItAgain() {
    WindowFixture w;
    TForm1& f = w.Form;
    QCOMPARE(f.ComboBox1->currentText(), QStringLiteral("10000"));
    int redraws = 0;
    bool panelHiddenDuringFit = true;
    bool fullWidthDuringFit = true;
    const std::function<void()> redraw = f.State.Hooks.Redraw;
    f.State.Hooks.Redraw = [&] {
      ++redraws;
      panelHiddenDuringFit = panelHiddenDuringFit && !f.Panel1->isVisible();
      fullWidthDuringFit = fullWidthDuringFit && f.State.Geometry.PlotWidth == 600;
      redraw();
    };
    ClickOn(f, f.BitBtn2);
    QVERIFY(redraws > 0);
    QVERIFY(panelHiddenDuringFit);
    QVERIFY(fullWidthDuringFit);
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PlotWidth), 530);
    QVERIFY(f.BitBtn3->isVisible());
    QCOMPARE(f.State.FitStage, 2);
    QVERIFY(w.Messages.empty());

    // Both curves on screen: blue anywhere, white away from every marker and the frame.
    const QImage& image = f.PlotImage();
    const PlotGeometry& g = f.State.Geometry;
    QVERIFY(CountColour(image, QRect(1, 1, 528, 558), kBlue) > 50);
    int whiteCurve = 0;
    for (int x = 11; x < 520; ++x) {
      bool nearMarker = false;
      const ObservationSet& obs = f.State.Observations;
      for (int i = 0; i <= obs.LastIndex; ++i) {
        nearMarker = nearMarker || qAbs(ScreenX(g, obs.PlotX[i]) - x) <= 4;
      }
      if (!nearMarker) whiteCurve += CountColour(image, QRect(x, 1, 1, 558), Qt::white) > 0;
    }
    QVERIFY2(whiteCurve > 100, qPrintable(QString::number(whiteCurve)));

    // A second find hides the open report and starts over.
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    redraws = 0;
    ClickOn(f, f.BitBtn2);
    QVERIFY(redraws > 0);
    QVERIFY(!f.Memo1->isVisible());
    QVERIFY(f.Panel1->isVisible());
    QVERIFY(f.BitBtn3->isVisible());
  }

  void HintPictureFollowsThePointerOverTheHarmonicCount() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.BitBtn3->show();  // as after a fit
    MoveOntoHarmonicLabel(f);
    QVERIFY(f.Image5->isVisible());
    QVERIFY(!f.Image6->isVisible());
    MoveOnto(f, f.UpDown1);  // the spinner lying on the label keeps it
    QVERIFY(f.Image5->isVisible());
    ClickUp(f, f.UpDown1);
    QVERIFY(f.Image5->isVisible());
    QCOMPARE(f.Edit1->text(), QStringLiteral("2"));
    MoveOnto(f, f.Image5);  // the picture itself has no handler
    QVERIFY(f.Image5->isVisible());
    MoveOnto(f, f.Image2);
    QVERIFY(!f.Image5->isVisible());

    MoveOntoHarmonicLabel(f);
    MoveOnto(f, f.BitBtn3);
    QVERIFY(!f.Image5->isVisible());

    const QPoint barePanel(66, 140);
    QVERIFY(f.Panel1->childAt(barePanel) == nullptr);
    MoveOntoHarmonicLabel(f);
    MoveTo(f, f.Panel1->mapTo(&f, barePanel));
    QVERIFY(!f.Image5->isVisible());

    MoveOntoHarmonicLabel(f);
    MoveTo(f, kBarePlot);
    QVERIFY(!f.Image5->isVisible());
    // The hint keeps its place 7 pixels left of the panel when the window grows.
    f.resize(801, 633);
    QCOMPARE(f.Image5->geometry(), QRect(451, 64, 273, 145));
  }

  void AboutPictureShowsOnItsButtonUntilThePointerLeaves() {
    WindowFixture w;
    TForm1& f = w.Form;
    MoveOntoHarmonicLabel(f);
    ClickOn(f, f.BitBtn6);
    QVERIFY(f.Image6->isVisible());
    QVERIFY(!f.Image5->isVisible());
    MoveTo(f, CentreOf(f, f.BitBtn6) + QPoint(3, 2));  // still on its button
    QVERIFY(f.Image6->isVisible());
    MoveOnto(f, f.BitBtn4);
    QVERIFY(!f.Image6->isVisible());

    ClickOn(f, f.BitBtn6);
    MoveTo(f, f.Panel1->mapTo(&f, QPoint(66, 140)));
    QVERIFY(!f.Image6->isVisible());
    ClickOn(f, f.BitBtn6);
    MoveTo(f, kBarePlot);
    QVERIFY(!f.Image6->isVisible());
    ClickOn(f, f.BitBtn6);
    MoveOntoHarmonicLabel(f);  // the hint replaces it
    QVERIFY(!f.Image6->isVisible());
    QVERIFY(f.Image5->isVisible());
  }

  void ClickOnAShownPictureDoesNothing() {
    WindowFixture w;
    TForm1& f = w.Form;
    ClickOn(f, f.BitBtn6);
    ClickOn(f, f.Image6);
    QVERIFY(f.Image6->isVisible());
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PanelMode), 1);

    MoveOntoHarmonicLabel(f);
    ClickOn(f, f.Image5);
    QVERIFY(f.Image5->isVisible());
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(int(f.State.Geometry.PanelMode), 1);
  }

  void PicturesStayHiddenWhileTheReportShows() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.State.Coefficients.HarmonicCount = 1;
    f.State.Coefficients.B[0] = f.State.Coefficients.B2[0] = 1;
    f.BitBtn3->show();  // as after a fit
    MoveOntoHarmonicLabel(f);
    ClickOn(f, f.BitBtn3);
    QVERIFY(f.Memo1->isVisible());
    QVERIFY(!f.Image5->isVisible());
    MoveOntoHarmonicLabel(f);
    QVERIFY(!f.Image5->isVisible());
    ClickOn(f, f.BitBtn6);
    QVERIFY(!f.Image6->isVisible());
  }
};

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
