// Figures for a paper ("Сохранить график…" for print) and the zoom beside the specified mouse:
// the print files are white, titled and sized as asked, and the window's own picture stays as
// it was; Ctrl+wheel zooms about the pointer and Ctrl+0 brings back the data's scales.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <cmath>

#include "app/commands/print_export.h"
#include "tests/app/window_input.h"
#include "tests/app/window_test_support.h"

namespace {

QAction* Command(TForm1& f, const QString& text) {
  for (QAction* a : f.ContextMenu->actions()) {
    if (a->text() == text) return a;
  }
  return nullptr;
}

void Wheel(TForm1& f, QPoint pos, int delta, Qt::KeyboardModifiers modifiers) {
  QWheelEvent e(pos,
                f.mapToGlobal(pos),
                QPoint(),
                QPoint(0, delta),
                Qt::NoButton,
                modifiers,
                Qt::NoScrollPhase,
                false);
  QApplication::sendEvent(&f, &e);
}

// The plot's own pixels; what a zoom draws past its edge lies under the panel.
QImage PlotArea(const TForm1& f, const QImage& image) {
  return image.copy(0, 0, f.State.Geometry.PlotWidth, f.State.Geometry.PlotHeight);
}

double ValueAt(const PlotGeometry& g, double column) { return (column - g.X0) / g.KX; }

}  // namespace

class FigureTest : public QObject {
  Q_OBJECT

 private slots:
  void PrintFiguresAreWhiteTitledAndSizedAndTheWindowsPictureStays() {
    WindowFixture w;
    TForm1& f = w.Form;
    f.BitBtn2Click();
    const QImage shown = f.PlotImage().copy();
    QTemporaryDir dir;
    QString filter;
    bool cancel = false;
    f.RunSaveDialog = [&](const QString&, const QString& filters, QString& chosen) {
      if (!filters.contains(filter)) return QString();
      chosen = filter;
      return dir.filePath(QStringLiteral("figure"));
    };
    f.RunPrintDialog = [&](PrintChoice& choice) {
      if (choice.Style.XTitle != "x" || choice.Style.YTitle != "y") return false;
      choice.Dpi = 150;
      choice.FontPoints = 10;
      return !cancel;
    };
    QAction* save = Command(f, QStringLiteral("Сохранить график…"));

    filter = QStringLiteral("PNG для печати (*.png)");
    save->trigger();
    QImage png(dir.filePath(QStringLiteral("figure.png")));
    QCOMPARE(png.size(), QSize(945, 591));  // 160 x 100 mm at 150 dpi
    QCOMPARE(png.dotsPerMeterX(), 5906);
    QCOMPARE(png.pixelColor(2, 2), QColor(Qt::white));
    int dark = 0, blue = 0;
    for (int y = 0; y < png.height(); ++y) {
      for (int x = 0; x < png.width(); ++x) {
        const QColor c = png.pixelColor(x, y);
        dark += c.lightness() < 60;
        blue += c.blue() > 150 && c.red() < 80;
      }
    }
    QVERIFY(dark > 2000);  // frame, labels, model 1, markers
    QVERIFY(blue > 500);   // model 2

    filter = QStringLiteral("PDF для печати (*.pdf)");
    save->trigger();
    QFile pdf(dir.filePath(QStringLiteral("figure.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");

    filter = QStringLiteral("SVG для печати (*.svg)");
    save->trigger();
    QFile svg(dir.filePath(QStringLiteral("figure.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    QVERIFY(text.contains(QStringLiteral("модель 2")));

    cancel = true;  // a cancelled print dialog writes nothing
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("figure.png"))));
    filter = QStringLiteral("PNG для печати (*.png)");
    save->trigger();
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("figure.png"))));
    QCOMPARE(f.PlotImage(), shown);
    QVERIFY(w.Messages.empty());
  }

  void CtrlWheelZoomsAboutThePointerAndCtrl0BringsBackTheScales() {
    WindowFixture w;
    TForm1& f = w.Form;
    const PlotGeometry before = f.State.Geometry;
    const QImage shown = f.PlotImage().copy();
    Wheel(f, kBarePlot, 120, Qt::NoModifier);  // the wheel alone does what it did: nothing here
    QCOMPARE(f.State.Geometry.KX, before.KX);

    Wheel(f, kBarePlot, 240, Qt::ControlModifier);
    const PlotGeometry& g = f.State.Geometry;
    QVERIFY(std::fabs(g.KX / before.KX - 1.5625) < 1e-12);  // two notches of 1.25
    QVERIFY(std::fabs(ValueAt(g, kBarePlot.x()) - ValueAt(before, kBarePlot.x())) <
            1e-9 * std::fabs(before.KX));
    QVERIFY(PlotArea(f, f.PlotImage()) != PlotArea(f, shown));
    QCOMPARE(f.PointerReadout(kBarePlot),
             QStringLiteral("x = %1\ny = %2")
                 .arg(QLocale().toString(ValueAt(g, kBarePlot.x()), 'g', 6),
                      QLocale().toString((kBarePlot.y() - g.Y0) / g.KY, 'g', 6)));

    Command(f, QStringLiteral("Исходный масштаб"))->trigger();
    QCOMPARE(Command(f, QStringLiteral("Исходный масштаб"))->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_0));
    QCOMPARE(f.State.Geometry.KX, before.KX);
    QCOMPARE(f.State.Geometry.X0, before.X0);
    QCOMPARE(f.State.Geometry.Y0, before.Y0);
    QCOMPARE(PlotArea(f, f.PlotImage()), PlotArea(f, shown));
  }
};

QTEST_MAIN(FigureTest)
#include "figure_test.moc"
