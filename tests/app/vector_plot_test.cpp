// The SVG and PDF drawings of the plot hold what RedrawPlot draws on screen.
#include <QFontMetrics>
#include <QXmlStreamReader>

#include "app/commands/vector_surface.h"
#include "app/window/qt_surface.h"
#include "plot/redraw_plot.h"
#include "tests/app/window_test_support.h"
#include "tests/plot/recording_surface.h"

namespace {

// One drawn element of the SVG with the attributes it inherits from its groups.
struct SvgElement {
  enum Kind { Rect, Path, Text } What = Rect;
  QString Stroke, Fill;
  bool Dashed = false;
  QRectF Box;           // a rectangle's geometry
  int Points = 0;       // a path's vertices
  QPointF First, Last;  // a path's first and last vertices
  QString Label;        // a text's characters
};

QPointF ParsePoint(const QString& text) {
  const QStringList xy = text.trimmed().split(',');
  return QPointF(xy.value(0).toDouble(), xy.value(1).toDouble());
}

int CountPathPoints(const QString& d, QPointF& first, QPointF& last) {
  const QStringList parts = d.split(QRegularExpression("[ML]"), Qt::SkipEmptyParts);
  if (!parts.isEmpty()) {
    first = ParsePoint(parts.front());
    last = ParsePoint(parts.back());
  }
  return static_cast<int>(parts.size());
}

std::vector<SvgElement> ParseSvg(const QByteArray& svg) {
  std::vector<SvgElement> out;
  QXmlStreamReader xml(svg);
  std::vector<QXmlStreamAttributes> groups;
  auto attribute = [&groups](const QXmlStreamAttributes& own, const QString& name) {
    if (own.hasAttribute(name)) return own.value(name).toString();
    for (auto g = groups.rbegin(); g != groups.rend(); ++g) {
      if (g->hasAttribute(name)) return g->value(name).toString();
    }
    return QString();
  };
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("g")) {
      groups.pop_back();
    }
    if (token != QXmlStreamReader::StartElement) continue;
    const QXmlStreamAttributes a = xml.attributes();
    const QStringView name = xml.name();
    if (name == QLatin1String("g")) {
      groups.push_back(a);
      continue;
    }
    SvgElement e;
    e.Stroke = attribute(a, "stroke");
    e.Fill = attribute(a, "fill");
    const QString dash = attribute(a, "stroke-dasharray");
    e.Dashed = !dash.isEmpty() && dash != "none";
    if (name == QLatin1String("rect")) {
      e.What = SvgElement::Rect;
      e.Box = QRectF(a.value("x").toDouble(),
                     a.value("y").toDouble(),
                     a.value("width").toDouble(),
                     a.value("height").toDouble());
    } else if (name == QLatin1String("path") || name == QLatin1String("polyline")) {
      e.What = SvgElement::Path;
      e.Points = CountPathPoints(
          a.value(name == QLatin1String("path") ? "d" : "points").toString(), e.First, e.Last);
    } else if (name == QLatin1String("text")) {
      e.What = SvgElement::Text;
      e.Label = xml.readElementText();
    } else {
      continue;
    }
    out.push_back(e);
  }
  if (xml.hasError()) qWarning() << "SVG does not parse:" << xml.errorString();
  return out;
}

SvgElement Element(SvgElement::Kind what, const QString& stroke, const QString& fill) {
  SvgElement e;
  e.What = what;
  e.Stroke = stroke;
  e.Fill = fill;
  return e;
}

QString Hex(Rgb c) { return QColor(c.R, c.G, c.B).name(); }

// Records with the screen font's metrics, so the operations are those the window draws.
class MeasuredRecording : public RecordingSurface {
 public:
  int TextWidth(const std::string& text) override {
    return Metrics.horizontalAdvance(QString::fromStdString(text));
  }
  int TextHeight(const std::string&) override { return Metrics.height(); }
  QFontMetrics Metrics{PlotFont()};
};

// The elements a vector drawing of these operations must hold, in order: a rectangle each, a
// filled cell and its text for each label, and one path for each run of joined segments drawn
// with one pen.
std::vector<SvgElement> ExpectedElements(const std::vector<DrawOp>& ops,
                                         const QFontMetrics& metrics) {
  std::vector<SvgElement> out;
  bool joining = false;
  int endX = 0, endY = 0;
  SurfaceState pen;
  for (const DrawOp& op : ops) {
    if (op.What == DrawOp::Move) continue;
    // A segment of no length lights no pixel on screen and adds no vertex.
    if (op.What == DrawOp::Line && op.X1 == op.X2 && op.Y1 == op.Y2) continue;
    if (op.What == DrawOp::Line) {
      const bool samePen = op.With.PenColor == pen.PenColor && op.With.Style == pen.Style;
      if (joining && samePen && op.X1 == endX && op.Y1 == endY) {
        ++out.back().Points;
      } else {
        SvgElement e = Element(SvgElement::Path, Hex(op.With.PenColor), "none");
        e.Dashed = op.With.Style == PenStyle::Dotted;
        e.Points = 2;
        e.First = QPointF(op.X1 + 0.5, op.Y1 + 0.5);
        out.push_back(e);
        pen = op.With;
        joining = true;
      }
      endX = op.X2, endY = op.Y2;
      continue;
    }
    joining = false;
    if (op.What == DrawOp::Rect) {
      SvgElement e = Element(SvgElement::Rect, Hex(op.With.PenColor), Hex(op.With.BrushColor));
      e.Box = QRectF(op.X1 + 0.5, op.Y1 + 0.5, op.X2 - op.X1 - 1, op.Y2 - op.Y1 - 1);
      out.push_back(e);
    } else {
      const QString label = QString::fromStdString(op.Label);
      SvgElement cell = Element(SvgElement::Rect, "none", Hex(op.With.BrushColor));
      cell.Box = QRectF(op.X1, op.Y1, metrics.horizontalAdvance(label), metrics.height());
      out.push_back(cell);
      SvgElement text = Element(SvgElement::Text, "none", Hex(op.With.FontColor));
      text.Label = label;
      out.push_back(text);
    }
  }
  return out;
}

void SetFit(TForm1& f) {
  CoefficientTable& t = f.State.Coefficients;
  t.HarmonicCount = 2;
  t.A[0] = 1.2, t.B[0] = 0.9, t.C[0] = 0.4, t.A[1] = 0.3, t.B[1] = 2.5, t.C[1] = 1;
  t.A2[0] = 1.1, t.B2[0] = 0.45, t.C2[0] = 0.2, t.A2[1] = 0.2, t.B2[1] = 1.3, t.C2[1] = 2;
  f.State.FitStage = 2;
  f.FormResize();
}

int Count(const std::vector<SvgElement>& elements, auto predicate) {
  return static_cast<int>(std::count_if(elements.begin(), elements.end(), predicate));
}

}  // namespace

class VectorPlotTest : public QObject {
  Q_OBJECT

 private slots:
  void SvgHoldsEveryOperationOfTheRedrawInOrder() {
    for (int stage : {0, 1, 2}) {
      WindowFixture w;
      TForm1& f = w.Form;
      SetFit(f);
      f.State.FitStage = stage;
      f.FormResize();
      AppState copy = f.State;
      MeasuredRecording recording;
      CurveBuffers buffers;
      RedrawPlot(copy, recording, buffers);
      const std::vector<SvgElement> expected = ExpectedElements(recording.Ops, recording.Metrics);
      const std::vector<SvgElement> actual = ParseSvg(PlotSvg(f.State, PlotFont()));
      QCOMPARE(actual.size(), expected.size());
      for (size_t i = 0; i < actual.size(); ++i) {
        const SvgElement &a = actual[i], &e = expected[i];
        const QString where = QStringLiteral("stage %1, element %2").arg(stage).arg(i);
        QVERIFY2(a.What == e.What, qPrintable(where));
        QVERIFY2(a.Stroke == e.Stroke, qPrintable(where + ": stroke " + a.Stroke));
        QVERIFY2(a.Fill == e.Fill, qPrintable(where + ": fill " + a.Fill));
        QVERIFY2(a.Dashed == e.Dashed, qPrintable(where));
        QVERIFY2(a.Box == e.Box, qPrintable(where));
        QVERIFY2(a.Points == e.Points, qPrintable(where + QString(": %1 points").arg(a.Points)));
        QVERIFY2(a.First == e.First, qPrintable(where));
        QVERIFY2(a.Label == e.Label, qPrintable(where + ": " + a.Label));
      }
    }
  }

  void SvgShowsTheFrameGridMarkersAndOneCurvePerModel() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f);
    const int width = f.State.Geometry.PlotWidth, height = f.State.Geometry.PlotHeight;
    const QByteArray svg = PlotSvg(f.State, PlotFont());
    QVERIFY(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(width).arg(height).toUtf8()));
    const std::vector<SvgElement> e = ParseSvg(svg);
    QVERIFY(!e.empty());
    // The frame first: white outline, black field, the whole plot.
    QCOMPARE(e[0].What, SvgElement::Rect);
    QCOMPARE(e[0].Stroke, QStringLiteral("#ffffff"));
    QCOMPARE(e[0].Fill, QStringLiteral("#000000"));
    QCOMPARE(e[0].Box, QRectF(0.5, 0.5, width - 1, height - 1));
    // Dotted silver grid: every vertical line, and the horizontal ones but the axis, which is
    // one solid line.
    const ViewSettings& view = f.State.View;
    const auto dotted = [](const SvgElement& x) {
      return x.What == SvgElement::Path && x.Dashed && x.Stroke == "#c0c0c0";
    };
    QCOMPARE(Count(e, dotted), view.Lx + view.Ly - 1);
    QCOMPARE(Count(e,
                   [](const SvgElement& x) {
                     return x.What == SvgElement::Path && !x.Dashed && x.Stroke == "#c0c0c0";
                   }),
             1);
    // One marker, a black and a white square, per observation.
    const int n = f.State.Observations.LastIndex + 1;
    QCOMPARE(Count(e,
                   [](const SvgElement& x) {
                     return x.What == SvgElement::Rect && x.Stroke == "#ffffff" &&
                            x.Box.size() == QSizeF(3, 3);
                   }),
             n);
    QCOMPARE(Count(e,
                   [](const SvgElement& x) {
                     return x.What == SvgElement::Rect && x.Stroke == "#000000" &&
                            x.Box.size() == QSizeF(5, 5);
                   }),
             n);
    // Each curve is one path across the plot, one vertex a pixel column.
    for (const char* colour : {"#0000ff", "#ffffff"}) {
      const auto curve = [colour](const SvgElement& x) {
        return x.What == SvgElement::Path && x.Stroke == colour;
      };
      QCOMPARE(Count(e, curve), 1);
      const SvgElement& path = *std::find_if(e.begin(), e.end(), curve);
      QVERIFY2(path.Points > (width - 20) * 9 / 10, qPrintable(QString::number(path.Points)));
      QCOMPARE(path.First.x(), 10.5);
      QVERIFY2(std::abs(path.Last.x() - (width - 10)) <= 1,
               qPrintable(QString::number(path.Last.x())));
    }
    // The blue curve lies under the white one, and both under the markers.
    int blue = -1, white = -1, firstMarker = -1;
    for (int i = 0; i < static_cast<int>(e.size()); ++i) {
      if (e[i].What == SvgElement::Path && e[i].Stroke == "#0000ff") blue = i;
      if (e[i].What == SvgElement::Path && e[i].Stroke == "#ffffff") white = i;
      if (firstMarker < 0 && e[i].What == SvgElement::Rect && e[i].Stroke == "#000000") {
        firstMarker = i;
      }
    }
    QVERIFY(blue < white);
    QVERIFY(white < firstMarker);
    // The labels as text, with the screen's texts.
    QVERIFY(Count(e, [](const SvgElement& x) {
              return x.What == SvgElement::Text && x.Label == "0.000";
            }) >= 1);
  }

  void PdfIsOnePageTheSizeOfThePlot() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f);
    const QByteArray pdf = PlotPdf(f.State, PlotFont());
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pdf.count("/Type /Page\n") + pdf.count("/Type /Page "), 1);
    const QByteArray box = QStringLiteral("/MediaBox [0 0 %1.000000 %2.000000]")
                               .arg(f.State.Geometry.PlotWidth)
                               .arg(f.State.Geometry.PlotHeight)
                               .toUtf8();
    QVERIFY2(pdf.contains(box), pdf.left(2000).constData());
  }

  void TheWindowsGridSettingsStayAsTheyAre() {
    WindowFixture w;
    TForm1& f = w.Form;
    SetFit(f);
    f.State.View.Lx = 4;  // as if the spinner had moved since the last redraw
    PlotSvg(f.State, PlotFont());
    QCOMPARE(int(f.State.View.Lx), 4);
  }
};

QTEST_MAIN(VectorPlotTest)
#include "vector_plot_test.moc"
