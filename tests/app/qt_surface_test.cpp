// The Qt backend keeps the plot's pixel rules: rectangles cover x1..x2-1, lines leave out
// their end pixel, text cells are filled with the brush.
#include "app/window/qt_surface.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

QImage Canvas() {
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(Qt::black);
  return image;
}

bool IsWhite(const QImage& image, int x, int y) { return image.pixelColor(x, y) == Qt::white; }

}  // namespace

class QtSurfaceTest : public QObject {
  Q_OBJECT

 private slots:
  void RectangleCoversUpToButNotIncludingTheSecondCorner() {
    QImage image = Canvas();
    {
      QPainter painter(&image);
      QtSurface surface(painter, QFont());
      surface.SetPenColor(kWhite);
      surface.SetBrushColor(kBlue);
      surface.Rectangle(5, 6, 11, 12);
    }
    QVERIFY(IsWhite(image, 5, 6));
    QVERIFY(IsWhite(image, 10, 11));
    QVERIFY(IsWhite(image, 10, 6));
    QVERIFY(!IsWhite(image, 11, 11));
    QVERIFY(!IsWhite(image, 10, 12));
    QCOMPARE(image.pixelColor(7, 8), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(4, 6), QColor(Qt::black));
  }

  void LineToLeavesOutTheEndPixel() {
    const QPoint ends[] = {{30, 5}, {5, 30}, {30, 30}, {30, 12}, {0, 5}};
    for (QPoint end : ends) {
      QImage image = Canvas();
      {
        QPainter painter(&image);
        QtSurface surface(painter, QFont());
        surface.SetPenColor(kWhite);
        surface.MoveTo(5, 5);
        surface.LineTo(end.x(), end.y());
        surface.LineTo(end.x(), end.y());  // a zero-length line draws nothing
        QCOMPARE(surface.State.PenX, end.x());
      }
      QVERIFY2(IsWhite(image, 5, 5), "start pixel drawn");
      QVERIFY2(!IsWhite(image, end.x(), end.y()), "end pixel left out");
      int count = 0;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) count += IsWhite(image, x, y);
      QCOMPARE(count, std::max(std::abs(end.x() - 5), std::abs(end.y() - 5)));
    }
  }

  void LinesFromFarOffScreenEnterAtTheEdge() {
    QImage image = Canvas();
    {
      QPainter painter(&image);
      QtSurface surface(painter, QFont());
      surface.SetPenColor(kWhite);
      surface.MoveTo(20, -1000000);
      surface.LineTo(20, 30);
      surface.LineTo(1000000, 30);
    }
    QVERIFY(IsWhite(image, 20, 0));
    QVERIFY(IsWhite(image, 20, 29));
    QVERIFY(IsWhite(image, 20, 30));  // the second line's start
    QVERIFY(IsWhite(image, 39, 30));
  }

  void DottedLinesLeaveGaps() {
    QImage image = Canvas();
    {
      QPainter painter(&image);
      QtSurface surface(painter, QFont());
      surface.SetPenColor(kWhite);
      surface.SetPenStyle(PenStyle::Dotted);
      surface.MoveTo(0, 10);
      surface.LineTo(40, 10);
    }
    int lit = 0;
    for (int x = 0; x < 40; ++x) lit += IsWhite(image, x, 10);
    QVERIFY(lit > 5);
    QVERIFY(lit < 30);
  }

  void TextCellIsFilledWithTheBrush() {
    QImage image = Canvas();
    QFont font;
    font.setPixelSize(11);
    int width = 0;
    {
      QPainter painter(&image);
      QtSurface surface(painter, font);
      surface.SetBrushColor(kBlue);
      surface.SetFontColor(kSilver);
      width = surface.TextWidth("1.0");
      surface.TextOut(2, 3, "1.0");
      QCOMPARE(surface.TextHeight("1.0"), QFontMetrics(font).height());
    }
    QCOMPARE(image.pixelColor(2, 3), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(2 + width - 1, 3), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(2 + width, 3), QColor(Qt::black));
  }
};

QTEST_MAIN(QtSurfaceTest)
#include "qt_surface_test.moc"
