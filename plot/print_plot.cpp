#include "plot/print_plot.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "model/model_values.h"
#include "plot/float_text.h"
#include "plot/surface.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

namespace {

constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kGridGrey{225, 225, 225};
constexpr Rgb kMarkerGrey{60, 60, 60};
constexpr Rgb kModel2Blue{20, 60, 190};
constexpr Rgb kPaper{255, 255, 255};
constexpr int kTickCount = 6;          // about this many labelled values per axis
constexpr double kPadShare = 0.04;     // of each axis's span left free beside the data
constexpr int kAllMarkersUpTo = 5000;  // longer series: lowest and highest per pixel column

// An axis: the values it spans, its round tick values and their decimals.
struct Axis {
  double Low = 0, High = 1;
  double Step = 1;
  int Decimals = 0;
  std::vector<double> Ticks;
};

Axis MakeAxis(double low, double high) {
  if (!(high > low)) {  // one value: a unit around it
    low -= 0.5;
    high += 0.5;
  }
  const double pad = (high - low) * kPadShare;
  Axis axis;
  axis.Low = low - pad;
  axis.High = high + pad;
  const double raw = (axis.High - axis.Low) / kTickCount;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double ratio = raw / magnitude;
  axis.Step = magnitude * (ratio < 1.5 ? 1 : ratio < 3.5 ? 2 : ratio < 7.5 ? 5 : 10);
  axis.Decimals = std::clamp(static_cast<int>(-std::floor(std::log10(axis.Step) + 1e-9)), 0, 9);
  for (long long k = static_cast<long long>(std::ceil(axis.Low / axis.Step));
       static_cast<double>(k) * axis.Step <= axis.High;
       ++k) {
    axis.Ticks.push_back(static_cast<double>(k) * axis.Step);
  }
  return axis;
}

// A tick's text: its decimals, the style's decimal mark, a true minus sign.
std::string TickText(const Axis& axis, double value, char mark) {
  std::string text = FloatText(static_cast<unsigned>(axis.Decimals), value);
  for (char& c : text) {
    if (c == '.') c = mark;
  }
  if (!text.empty() && text[0] == '-') text.replace(0, 1, "\u2212");
  return text;
}

struct Frame {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  double Column(const Axis& x, double v) const {
    return Left + (v - x.Low) / (x.High - x.Low) * (Right - Left);
  }
  double Row(const Axis& y, double v) const {
    return Bottom - (v - y.Low) / (y.High - y.Low) * (Bottom - Top);
  }
};

struct Curves {
  bool Shown = false;
  HarmonicModel Models[2];
  std::vector<double> Xs, Values[2];  // [ModelKind]
};

// Each model's values at `columns` points across the data's x range.
Curves CurvesOf(const AppState& state, const HarmonicModel* models, int columns) {
  Curves c;
  c.Shown = state.FitStage == 2;
  if (!c.Shown) return c;
  const ObservationSet& obs = state.Observations;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    c.Models[m] = models ? models[m] : ModelOf(state.Coefficients, kind);
    c.Models[m].Kind = kind;
  }
  columns = std::max(columns, 2);
  for (int j = 0; j < columns; ++j) {
    c.Xs.push_back(obs.XMin + (obs.XMax - obs.XMin) * j / (columns - 1));
  }
  for (int m = 0; m < 2; ++m) {
    c.Values[m].resize(c.Xs.size());
    ModelValues(c.Models[m], c.Xs.data(), columns, c.Values[m].data(), SinArray);
  }
  return c;
}

// The y axis: the data's range, widened for the curves by at most the data's own span (a curve
// that runs off far is cut at the frame rather than flattening the data).
Axis YAxisOf(const ObservationSet& obs, const Curves& curves) {
  double low = obs.OrigY[0], high = obs.OrigY[0];
  for (int i = 0; i <= obs.LastIndex; ++i) {
    low = std::min(low, obs.OrigY[i]);
    high = std::max(high, obs.OrigY[i]);
  }
  const double span = std::max(high - low, std::fabs(high) + 1e-300);
  double curveLow = low, curveHigh = high;
  for (const auto& values : curves.Values) {
    for (const double v : values) {
      if (!std::isfinite(v)) continue;
      curveLow = std::min(curveLow, v);
      curveHigh = std::max(curveHigh, v);
    }
  }
  return MakeAxis(std::max(curveLow, low - span), std::min(curveHigh, high + span));
}

// Cuts the segment to the frame's rows (its columns lie inside already); false when nothing of
// it is inside.
bool ClipRows(double& x1, double& y1, double& x2, double& y2, double top, double bottom) {
  if (!std::isfinite(y1) || !std::isfinite(y2)) return false;
  if ((y1 < top && y2 < top) || (y1 > bottom && y2 > bottom)) return false;
  auto cut = [&](double& xa, double& ya, double xb, double yb) {
    const double edge = ya < top ? top : ya > bottom ? bottom : ya;
    if (edge == ya) return;
    xa += (xb - xa) * (edge - ya) / (yb - ya);
    ya = edge;
  };
  cut(x1, y1, x2, y2);
  cut(x2, y2, x1, y1);
  return true;
}

void DrawCurve(Surface& s, const Frame& f, const Axis& x, const Axis& y, const Curves& c, int m) {
  for (std::size_t j = 1; j < c.Xs.size(); ++j) {
    double x1 = f.Column(x, c.Xs[j - 1]), y1 = f.Row(y, c.Values[m][j - 1]);
    double x2 = f.Column(x, c.Xs[j]), y2 = f.Row(y, c.Values[m][j]);
    if (!ClipRows(x1, y1, x2, y2, f.Top, f.Bottom)) continue;
    s.MoveTo(static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1)));
    s.LineTo(static_cast<int>(std::lround(x2)), static_cast<int>(std::lround(y2)));
  }
}

void Marker(Surface& s, int px, int py, int size) {
  s.Rectangle(px - size / 2, py - size / 2, px - size / 2 + size, py - size / 2 + size);
}

void DrawMarkers(
    Surface& s, const Frame& f, const Axis& x, const Axis& y, const ObservationSet& obs, int size) {
  s.SetPenColor(kMarkerGrey);
  s.SetBrushColor(kPaper);
  s.State.PenWidth = std::max(1, size / 5);
  if (obs.LastIndex < kAllMarkersUpTo) {
    for (int i = 0; i <= obs.LastIndex; ++i) {
      Marker(s,
             static_cast<int>(std::lround(f.Column(x, obs.PlotX[i]))),
             static_cast<int>(std::lround(f.Row(y, obs.OrigY[i]))),
             size);
    }
    return;
  }
  const int columns = f.Right - f.Left + 1;
  std::vector<int> low(columns, INT_MAX), high(columns, INT_MIN);
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const int c = static_cast<int>(std::lround(f.Column(x, obs.PlotX[i]))) - f.Left;
    const double row = f.Row(y, obs.OrigY[i]);
    if (c < 0 || c >= columns || !(row >= f.Top && row <= f.Bottom)) continue;
    low[c] = std::min(low[c], static_cast<int>(std::lround(row)));
    high[c] = std::max(high[c], static_cast<int>(std::lround(row)));
  }
  const int small = std::max(3, size / 2);
  for (int c = 0; c < columns; ++c) {
    if (low[c] > high[c]) continue;
    Marker(s, c + f.Left, low[c], small);
    if (high[c] != low[c]) Marker(s, c + f.Left, high[c], small);
  }
}

void DrawTicks(Surface& s, const Frame& f, const Axis& x, const Axis& y, const PrintStyle& st) {
  const int h = s.TextHeight("0"), tick = std::max(3, h / 3);
  s.SetBrushColor(kPaper);
  s.SetFontColor(kInk);
  for (const double v : x.Ticks) {
    const int c = static_cast<int>(std::lround(f.Column(x, v)));
    s.SetPenColor(kInk);
    s.MoveTo(c, f.Bottom);
    s.LineTo(c, f.Bottom + tick);
    const std::string text = TickText(x, v, st.DecimalMark);
    s.TextOut(c - s.TextWidth(text) / 2, f.Bottom + tick + h / 4, text);
  }
  for (const double v : y.Ticks) {
    const int r = static_cast<int>(std::lround(f.Row(y, v)));
    s.SetPenColor(kInk);
    s.MoveTo(f.Left - tick, r);
    s.LineTo(f.Left, r);
    const std::string text = TickText(y, v, st.DecimalMark);
    s.TextOut(f.Left - tick - h / 4 - s.TextWidth(text), r - h / 2, text);
  }
}

void DrawGridLines(Surface& s, const Frame& f, const Axis& x, const Axis& y) {
  s.SetPenColor(kGridGrey);
  s.State.PenWidth = 1;
  for (const double v : x.Ticks) {
    const int c = static_cast<int>(std::lround(f.Column(x, v)));
    s.MoveTo(c, f.Top + 1);
    s.LineTo(c, f.Bottom);
  }
  for (const double v : y.Ticks) {
    const int r = static_cast<int>(std::lround(f.Row(y, v)));
    s.MoveTo(f.Left + 1, r);
    s.LineTo(f.Right, r);
  }
}

// The legend in the frame's upper right corner: a sample and a name per line.
// The points drawn in the frame: observations (every k-th of a long series) and curve points.
std::vector<std::pair<double, double>> InkPoints(
    const Frame& f, const Axis& x, const Axis& y, const ObservationSet& obs, const Curves& c) {
  constexpr int kMostObservations = 20000;  // enough to see where the data lie
  std::vector<std::pair<double, double>> points;
  const int stride = std::max(1, (obs.LastIndex + 1) / kMostObservations);
  for (int i = 0; i <= obs.LastIndex; i += stride) {
    points.emplace_back(f.Column(x, obs.PlotX[i]), f.Row(y, obs.OrigY[i]));
  }
  for (const auto& values : c.Values) {
    for (std::size_t j = 0; j < values.size(); ++j) {
      points.emplace_back(f.Column(x, c.Xs[j]), f.Row(y, values[j]));
    }
  }
  return points;
}

// The legend's top left corner: of the frame's four corners, the one it hides the fewest drawn
// points in; the upper right one where they tie.
std::pair<int, int> LegendCorner(const Frame& f,
                                 int width,
                                 int height,
                                 int gap,
                                 const std::vector<std::pair<double, double>>& ink) {
  const std::pair<int, int> corners[] = {{f.Right - gap - width, f.Top + gap},
                                         {f.Left + gap, f.Top + gap},
                                         {f.Right - gap - width, f.Bottom - gap - height},
                                         {f.Left + gap, f.Bottom - gap - height}};
  std::pair<int, int> best = corners[0];
  long long fewest = -1;
  for (const auto& [left, top] : corners) {
    long long hidden = 0;
    for (const auto& [px, py] : ink) {
      hidden += px >= left && px <= left + width && py >= top && py <= top + height;
    }
    if (fewest < 0 || hidden < fewest) {
      fewest = hidden;
      best = {left, top};
    }
  }
  return best;
}

void DrawLegend(Surface& s,
                const Frame& f,
                const PrintStyle& st,
                bool curves,
                const std::vector<std::pair<double, double>>& ink) {
  const int h = s.TextHeight("0"), sample = 3 * h, gap = h / 2;
  std::vector<const std::string*> names{&st.DataName};
  if (curves) {
    names.push_back(&st.Model1Name);
    names.push_back(&st.Model2Name);
  }
  int widest = 0;
  for (const std::string* name : names) widest = std::max(widest, s.TextWidth(*name));
  const int width = gap + sample + gap + widest + gap;
  const int height = gap + static_cast<int>(names.size()) * (h + gap);
  const auto [left, top] = LegendCorner(f, width, height, gap, ink);
  s.SetPenColor(kMarkerGrey);
  s.SetBrushColor(kPaper);
  s.State.PenWidth = 1;
  s.Rectangle(left, top, left + width, top + height);
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int row = top + gap + static_cast<int>(i) * (h + gap), middle = row + h / 2;
    if (i == 0) {
      s.SetPenColor(kMarkerGrey);
      s.State.PenWidth = std::max(1, st.MarkerSize / 5);
      Marker(s, left + gap + sample / 2, middle, st.MarkerSize);
    } else {
      s.SetPenColor(i == 1 ? kInk : kModel2Blue);
      s.State.PenWidth = st.LineWidth;
      s.MoveTo(left + gap, middle);
      s.LineTo(left + gap + sample, middle);
    }
    s.SetBrushColor(kPaper);
    s.TextOut(left + gap + sample + gap, row, *names[i]);
  }
}

}  // namespace

void DrawPrintPlot(const AppState& state,
                   const HarmonicModel* models,
                   const PrintStyle& style,
                   Surface& surface) {
  Surface& s = surface;
  const ObservationSet& obs = state.Observations;
  const int h = s.TextHeight("0"), margin = h, gap = h / 2;
  const Curves curves = CurvesOf(state, models, std::max(2, style.Width));
  const Axis x = MakeAxis(obs.XMin, obs.XMax), y = YAxisOf(obs, curves);

  int yLabels = 0, lastX = 0;
  for (const double v : y.Ticks) {
    yLabels = std::max(yLabels, s.TextWidth(TickText(y, v, style.DecimalMark)));
  }
  for (const double v : x.Ticks)
    lastX = std::max(lastX, s.TextWidth(TickText(x, v, style.DecimalMark)));
  const int tick = std::max(3, h / 3);
  Frame f;
  f.Left = margin + std::max(yLabels + tick + h / 4, lastX / 2);
  f.Right = style.Width - margin - lastX / 2;  // the last x label stays inside
  f.Top = margin + (style.YTitle.empty() ? h / 2 : h + gap);
  f.Bottom = style.Height - margin - (tick + h / 4 + h) - (style.XTitle.empty() ? 0 : gap + h);

  s.SetPenColor(kPaper);
  s.SetBrushColor(kPaper);
  s.State.PenWidth = 1;
  s.Rectangle(0, 0, style.Width, style.Height);
  DrawGridLines(s, f, x, y);
  if (curves.Shown) {
    s.State.PenWidth = style.LineWidth;
    s.SetPenColor(kModel2Blue);
    DrawCurve(s, f, x, y, curves, static_cast<int>(ModelKind::SquaredSum));
    s.SetPenColor(kInk);
    DrawCurve(s, f, x, y, curves, static_cast<int>(ModelKind::Sum));
  }
  DrawMarkers(s, f, x, y, obs, style.MarkerSize);
  // The frame over the grid's ends and the curves' cut ends.
  s.SetPenColor(kInk);
  s.State.PenWidth = std::max(1, style.LineWidth / 2);
  s.MoveTo(f.Left, f.Top);
  s.LineTo(f.Right, f.Top);
  s.LineTo(f.Right, f.Bottom);
  s.LineTo(f.Left, f.Bottom);
  s.LineTo(f.Left, f.Top);
  s.State.PenWidth = 1;
  DrawTicks(s, f, x, y, style);
  DrawLegend(s, f, style, curves.Shown, InkPoints(f, x, y, obs, curves));
  s.SetBrushColor(kPaper);
  s.SetFontColor(kInk);
  if (!style.YTitle.empty()) s.TextOut(margin, margin, style.YTitle);
  if (!style.XTitle.empty()) {
    s.TextOut((f.Left + f.Right - s.TextWidth(style.XTitle)) / 2,
              style.Height - margin - h,
              style.XTitle);
  }
}
