// At a device pixel ratio of 2 the plot is drawn at full resolution: one plot pixel is a
// crisp 2 x 2 block, nothing is blurred by scaling.
#include <QApplication>
#include <QTest>

#include "tests/app/window_test_support.h"

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void DrawsThePlotAtTwiceTheResolution() {
    WindowFixture w;
    const QImage& image = w.Form.PlotImage();
    QCOMPARE(image.devicePixelRatio(), 2.0);
    QCOMPARE(image.size(), QSize(1200, 1120));
    // The one-pixel white frame is two device pixels wide, the field inside it black.
    for (int d : {0, 1}) {
      QCOMPARE(image.pixelColor(d, 500), QColor(Qt::white));
      QCOMPARE(image.pixelColor(500, d), QColor(Qt::white));
    }
    QCOMPARE(image.pixelColor(2, 500), QColor(Qt::black));
    // A marker's white outline is a sharp 2-pixel line at twice its coordinates.
    const ObservationSet& obs = w.Form.State.Observations;
    const int px = ScreenX(w.Form.State.Geometry, obs.PlotX[0]);
    const int py = ScreenY(w.Form.State.Geometry, obs.OrigY[0]);
    QCOMPARE(image.pixelColor(2 * (px - 2), 2 * py), QColor(Qt::white));
    QCOMPARE(image.pixelColor(2 * (px - 2) + 1, 2 * py + 1), QColor(Qt::white));
    QCOMPARE(image.pixelColor(2 * (px - 3), 2 * py), QColor(Qt::black));
    // Lines too: the dotted vertical grid line at column W - 10 lights whole 2 x 2 blocks.
    const int column = 2 * (w.Form.State.Geometry.PlotWidth - 10);
    int lit = 0;
    for (int y = 2; y < 20; ++y) {  // between the frame and the top grid line
      const bool left = image.pixelColor(column, y) != QColor(Qt::black);
      QCOMPARE(image.pixelColor(column + 1, y) != QColor(Qt::black), left);
      QCOMPARE(image.pixelColor(column + 2, y), QColor(Qt::black));
      lit += left;
    }
    QVERIFY(lit >= 8);
  }
};

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication app(argc, argv);
  HiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "hidpi_test.moc"
