// The window as a user first sees it.
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include "plot/float_text.h"
#include "tests/app/window_test_support.h"

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheRandomSampleWithTheDesignedLayout() {
    WindowFixture w;
    TForm1& f = w.Form;
    QVERIFY(f.Activated());
    QCOMPARE(f.windowTitle(), QStringLiteral("Harmora - random (10)"));
    QCOMPARE(f.width(), 600);
    QCOMPARE(f.height(), 560);
    QVERIFY(f.Panel1->isVisible());
    QCOMPARE(f.Panel1->geometry(), QRect(530, 0, 70, 560));
    QVERIFY(!f.BitBtn3->isVisible());
    QCOMPARE(f.State.Observations.LastIndex, 9);
    QCOMPARE(f.Edit6->text().toStdString(), FloatText(9, 2 * f.State.Observations.Spacing));
    QVERIFY(w.Messages.empty());
  }

  void PaintsTheFramedBlackPlotWithWhiteMarkers() {
    WindowFixture w;
    TForm1& f = w.Form;
    const QImage image = f.grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));  // the frame
    QCOMPARE(image.pixelColor(529, 559), QColor(Qt::white));
    QCOMPARE(image.pixelColor(5, 5), QColor(Qt::black));  // the field
    const ObservationSet& obs = f.State.Observations;
    for (int i = 0; i <= obs.LastIndex; ++i) {
      const int px = ScreenX(f.State.Geometry, obs.PlotX[i]);
      const int py = ScreenY(f.State.Geometry, obs.OrigY[i]);
      // White outline two pixels around the point, black border one further out.
      QCOMPARE(image.pixelColor(px - 2, py), QColor(Qt::white));
      QCOMPARE(image.pixelColor(px - 3, py), QColor(Qt::black));
    }
  }

  void KeepsTheDataBetweenTheMarginsWhenResized() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.resize(801, 633);
    QCoreApplication::processEvents();
    const ObservationSet& obs = f.State.Observations;
    QCOMPARE(f.State.Geometry.PlotWidth, 731);
    QCOMPARE(ScreenX(f.State.Geometry, obs.XMin), 10);
    QCOMPARE(ScreenX(f.State.Geometry, obs.XMax), 721);
    QCOMPARE(ScreenY(f.State.Geometry, obs.YAbsMax), 10);
    QCOMPARE(ScreenY(f.State.Geometry, -obs.YAbsMax), 623);
    f.resize(300, 200);
    QCOMPARE(f.size(), QSize(600, 560));
  }

  void RepaintsTheSamePicture() {
    WindowFixture w;
    const QImage first = w.Form.grab().toImage();
    w.Form.update();
    QCoreApplication::processEvents();
    QCOMPARE(w.Form.grab().toImage(), first);
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
