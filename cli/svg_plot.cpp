#include "cli/svg_plot.h"

#include <cstdio>
#include <sstream>

#include "cli/plot_canvas.h"

namespace {

constexpr int kCharWidth = 7;    // a 12 px monospace font's advance
constexpr int kLineHeight = 14;  // and its line height
constexpr int kAscent = 11;

std::string Hex(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.R, c.G, c.B);
  return text;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    if (ch == '<') {
      out += "&lt;";
    } else if (ch == '>') {
      out += "&gt;";
    } else if (ch == '&') {
      out += "&amp;";
    } else {
      out += ch;
    }
  }
  return out;
}

// Pixel (x, y) is the unit square at (x, y): outlines and lines run through pixel centres.
class SvgSurface : public PlotCanvas {
 public:
  std::ostringstream Out;

  void Rectangle(int x1, int y1, int x2, int y2) override {
    Out << "<rect x=\"" << x1 + 0.5 << "\" y=\"" << OriginY + y1 + 0.5 << "\" width=\""
        << x2 - x1 - 1 << "\" height=\"" << y2 - y1 - 1 << "\" fill=\"" << Color(State.BrushColor)
        << "\" stroke=\"" << Color(State.PenColor) << "\"/>\n";
  }
  void TextOut(int x, int y, const std::string& text) override {
    y += OriginY;
    Out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << TextWidth(text) << "\" height=\""
        << kLineHeight << "\" fill=\"" << Color(State.BrushColor) << "\"/>\n"
        << "<text x=\"" << x << "\" y=\"" << y + kAscent << "\" fill=\"" << Color(State.FontColor)
        << "\">" << Escaped(text) << "</text>\n";
  }
  int TextWidth(const std::string& text) override {
    int characters = 0;  // UTF-8: one per lead byte
    for (const char ch : text) characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return characters * kCharWidth;
  }
  int TextHeight(const std::string&) override { return kLineHeight; }

 protected:
  void DrawSegment(int x1, int y1, int x2, int y2) override {
    if (x1 == x2 && y1 == y2) return;
    Out << "<line x1=\"" << x1 + 0.5 << "\" y1=\"" << OriginY + y1 + 0.5 << "\" x2=\"" << x2 + 0.5
        << "\" y2=\"" << OriginY + y2 + 0.5 << "\" stroke=\"" << Color(State.PenColor) << '"'
        << (State.Style == PenStyle::Dotted ? " stroke-dasharray=\"1 2\"" : "") << "/>\n";
  }

 private:
  std::string Color(Rgb c) const { return Hex(Paint(c)); }
};

}  // namespace

std::string PlotSvgText(const AppState& state, const PlotLook& look) {
  SvgSurface surface;
  surface.Out.imbue(std::locale::classic());
  DrawTitledPlot(state, look, surface);
  const std::string width = std::to_string(look.Width), height = std::to_string(look.Height);
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height +
         "\" viewBox=\"0 0 " + width + " " + height +
         "\" font-family=\"monospace\" font-size=\"12\" shape-rendering=\"crispEdges\">\n"
         "<title>Harmora plot</title>\n" +
         surface.Out.str() + "</svg>\n";
}
