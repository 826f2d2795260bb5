// The screen shows one whole, current picture: nothing of an earlier data set stays after a
// degenerate one, and a partial expose after a change brings the whole plot up to date.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

// The picture on screen, as the window system holds it.
QImage ScreenImage(TForm1& f) {
  QCoreApplication::processEvents();
  return f.screen()->grabWindow(f.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether the plot area is the cleared field: a white frame around black, nothing else.
bool IsClearedField(const QImage& image, const PlotGeometry& g) {
  const QRect inside(1, 1, g.PlotWidth - 2, g.PlotHeight - 2);
  if (CountColour(image, inside, Qt::black) != inside.width() * inside.height()) return false;
  const int frame = 2 * g.PlotWidth + 2 * (g.PlotHeight - 2);
  const int white = CountColour(image, QRect(0, 0, g.PlotWidth, g.PlotHeight), Qt::white);
  return white == frame;
}

}  // namespace

class PictureFreshnessTest : public QObject {
  Q_OBJECT

 private slots:
  void ADegenerateFileLeavesTheClearedFieldWhateverFollows() {
    for (const QByteArray& text : {QByteArray("1 0 2 0 3 0 4 0"), QByteArray("2 1 2 3 2 -1 2 5")}) {
      qInfo("data: %s", text.constData());
      WindowFixture w;
      TForm1& f = w.Form;
      f.BitBtn2Click();  // curves and markers of the random sample
      QTemporaryDir dir;
      const QString path = WriteDataFile(dir, QStringLiteral("flat.txt"), text);
      f.RunHandler([&] { f.OpenDataFile(path); });
      QTest::qWait(10);
      QCOMPARE(w.Messages.size(), std::size_t{1});
      QVERIFY(IsClearedField(f.PlotImage(), f.State.Geometry));
      QVERIFY(IsClearedField(ScreenImage(f), f.State.Geometry));

      f.repaint();  // covered and uncovered
      QVERIFY(IsClearedField(ScreenImage(f), f.State.Geometry));

      ClickUp(f, f.UpDown4);
      QTest::qWait(10);
      QVERIFY(IsClearedField(f.PlotImage(), f.State.Geometry));
      QVERIFY(IsClearedField(ScreenImage(f), f.State.Geometry));
      ClickUp(f, f.UpDown2);
      QTest::qWait(10);
      QVERIFY(IsClearedField(ScreenImage(f), f.State.Geometry));
    }
  }

  void ClosingTheReportAfterAKeyboardChangeShowsOneGrid() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.BitBtn2Click();
    QTest::qWait(20);  // the refresh after the fit is painted
    f.UpDown2->setFocus();
    QTest::keyClick(f.UpDown2, Qt::Key_Up);  // 10 lines, shown at the next refresh
    QCOMPARE(CountVerticalLines(ScreenImage(f), f.State.Geometry), 9);
    f.BitBtn3Click();
    QVERIFY(f.Memo1->isVisible());
    ClickAt(f, kBarePlot);  // closes the report: the paint exposes only the box's rectangle
    QVERIFY(!f.Memo1->isVisible());
    QTest::qWait(20);
    const QImage screen = ScreenImage(f);
    QCOMPARE(CountVerticalLines(screen, f.State.Geometry), 10);
    const QRect plot(0, 0, f.State.Geometry.PlotWidth, f.State.Geometry.PlotHeight);
    QVERIFY(screen.copy(plot) == f.PlotImage().convertToFormat(QImage::Format_RGB32).copy(plot));
  }
};

QTEST_MAIN(PictureFreshnessTest)
#include "picture_freshness_test.moc"
