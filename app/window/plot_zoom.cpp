// Zoom and read-out, beside the specified mouse: Ctrl+wheel zooms the plot about the pointer,
// Ctrl+0 ("Исходный масштаб") brings back the scales the data give, and with Ctrl held the
// pointer's x and y show beside it. Without Ctrl the wheel and the pointer do what they always
// did; a new data set starts at the data's scales.
#include <QAction>
#include <QLocale>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/window/context_menu.h"
#include "app/window/tform1.h"

namespace {

constexpr double kNotchFactor = 1.25;  // one wheel notch; three about double the scale
constexpr double kMaxZoom = 100;       // beyond it the grid's zero test (a thousandth of the range)
                                       // would take a labelled line for the axis
constexpr double kMinZoom = 0.25;
constexpr int kNotch = 120;  // eighths of a degree

}  // namespace

void TForm1::ApplyZoom() {
  if (Zoom.Scale == 1 && Zoom.ShiftX == 0 && Zoom.ShiftY == 0) return;  // the data's own bits
  PlotGeometry& g = State.Geometry;
  g.KX *= Zoom.Scale;
  g.X0 = Zoom.Scale * g.X0 + Zoom.ShiftX;
  g.KY *= Zoom.Scale;
  g.Y0 = Zoom.Scale * g.Y0 + Zoom.ShiftY;
}

void TForm1::ZoomAbout(QPointF pixel, double factor) {
  const double scale = std::clamp(Zoom.Scale * factor, kMinZoom, kMaxZoom);
  factor = scale / Zoom.Scale;
  // The point under the pointer stays where it is: p' = f (p - c) + c.
  Zoom.Scale = scale;
  Zoom.ShiftX = factor * Zoom.ShiftX + pixel.x() * (1 - factor);
  Zoom.ShiftY = factor * Zoom.ShiftY + pixel.y() * (1 - factor);
  FormResize();
}

void TForm1::ResetZoom() {
  Zoom = {};
  FormResize();
}

bool TForm1::OnBarePlot(QPointF pos) const {
  return pos.x() >= 0 && pos.y() >= 0 && pos.x() < State.Geometry.PlotWidth &&
         pos.y() < State.Geometry.PlotHeight && childAt(pos.toPoint()) == nullptr;
}

QString TForm1::PointerReadout(QPointF pos) const {
  const PlotGeometry& g = State.Geometry;
  const QLocale locale;
  return QStringLiteral("x = %1\ny = %2")
      .arg(locale.toString((pos.x() - g.X0) / g.KX, 'g', 6),
           locale.toString((pos.y() - g.Y0) / g.KY, 'g', 6));
}

void TForm1::ShowPointerReadout(QPointF pos) {
  if (!OnBarePlot(pos) || !(State.Geometry.KX != 0) || !(State.Geometry.KY != 0)) return;
  QToolTip::showText(mapToGlobal(pos.toPoint()) + QPoint(16, 16), PointerReadout(pos), this);
}

void TForm1::wheelEvent(QWheelEvent* e) {
  if (!(e->modifiers() & Qt::ControlModifier) || !OnBarePlot(e->position())) {
    QWidget::wheelEvent(e);
    return;
  }
  e->accept();
  const double notches = e->angleDelta().y() / static_cast<double>(kNotch);
  if (notches == 0) return;
  RunHandler([this, e, notches] {
    ZoomAbout(e->position(), std::pow(kNotchFactor, notches));
    ShowPointerReadout(e->position());
  });
}

void CreateZoomCommands(TForm1& form) {
  AddWindowCommand(
      form, QStringLiteral("Исходный масштаб"), QKeySequence(Qt::CTRL | Qt::Key_0), false, [&form] {
        form.ResetZoom();
      });
}
