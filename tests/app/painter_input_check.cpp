#include "tests/app/painter_input_check.h"

#include "base/run_time_fault.h"
#include "plot/redraw_plot.h"
#include "tests/plot/recording_surface.h"

bool ShowsNonFinite(const QString& text) {
  return text.contains("NAN", Qt::CaseInsensitive) || text.contains("INF", Qt::CaseInsensitive);
}

QString CheckPainterInput(const AppState& original) {
  AppState state = original;
  state.Hooks = {};
  RecordingSurface surface;
  CurveBuffers buffers;
  try {
    RedrawPlot(state, surface, buffers);
  } catch (const RunTimeFault&) {
  }
  // Curve points are clamped to 2^20 pixels; markers and labels reach a little further.
  constexpr int kFarthest = (1 << 20) + 64;
  for (const DrawOp& op : surface.Ops) {
    for (int v : {op.X1, op.Y1, op.X2, op.Y2}) {
      if (v < -kFarthest || v > kFarthest) return QStringLiteral("coordinate %1").arg(v);
    }
    const QString label = QString::fromStdString(op.Label);
    if (ShowsNonFinite(label)) return "label " + label;
  }
  return {};
}
