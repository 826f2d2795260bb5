#include "cli/cairo_plot.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <memory>

#include "cli/plot_canvas.h"

namespace {

// The window's plot font: sans-serif, 11 pixels.
constexpr const char* kFontFamily = "sans-serif";
constexpr double kFontSize = 11;

using SurfaceHandle = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextHandle = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

// Pixel (x, y) is the unit square at (x, y): outlines and lines run through pixel centres, and
// shapes are not smoothed, so a PNG shows the window's crisp one-pixel lines; text is.
class CairoCanvas : public PlotCanvas {
 public:
  explicit CairoCanvas(cairo_t* context) : Context(context) {
    cairo_set_antialias(Context, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(Context, 1);
    cairo_set_line_cap(Context, CAIRO_LINE_CAP_BUTT);
    cairo_select_font_face(Context, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(Context, kFontSize);
    cairo_font_extents(Context, &Font);
  }

  void Rectangle(int x1, int y1, int x2, int y2) override {
    Use(State.BrushColor);
    cairo_rectangle(Context, x1, OriginY + y1, x2 - x1, y2 - y1);
    cairo_fill(Context);
    Use(State.PenColor);
    cairo_rectangle(Context, x1 + 0.5, OriginY + y1 + 0.5, x2 - x1 - 1, y2 - y1 - 1);
    cairo_stroke(Context);
  }
  void TextOut(int x, int y, const std::string& text) override {
    y += OriginY;
    Use(State.BrushColor);
    cairo_rectangle(Context, x, y, TextWidth(text), TextHeight(text));
    cairo_fill(Context);
    Use(State.FontColor);
    cairo_move_to(Context, x, y + std::round(Font.ascent));
    cairo_show_text(Context, text.c_str());
    cairo_new_path(Context);
  }
  int TextWidth(const std::string& text) override {
    cairo_text_extents_t extents;
    cairo_text_extents(Context, text.c_str(), &extents);
    return static_cast<int>(std::ceil(extents.x_advance));
  }
  int TextHeight(const std::string&) override { return static_cast<int>(std::ceil(Font.height)); }

 protected:
  void DrawSegment(int x1, int y1, int x2, int y2) override {
    if (x1 == x2 && y1 == y2) return;
    static constexpr double kDots[] = {1, 2};  // one pixel drawn, two left out
    cairo_set_dash(Context, kDots, State.Style == PenStyle::Dotted ? 2 : 0, 0);
    Use(State.PenColor);
    cairo_move_to(Context, x1 + 0.5, OriginY + y1 + 0.5);
    cairo_line_to(Context, x2 + 0.5, OriginY + y2 + 0.5);
    cairo_stroke(Context);
  }

 private:
  void Use(Rgb color) {
    const Rgb c = Paint(color);
    cairo_set_source_rgb(Context, c.R / 255.0, c.G / 255.0, c.B / 255.0);
  }

  cairo_t* Context;
  cairo_font_extents_t Font{};
};

// Draws the plot on surface; false when Cairo failed on the way.
bool Draw(cairo_surface_t* surface, const AppState& state, const PlotLook& look) {
  const ContextHandle context(cairo_create(surface), cairo_destroy);
  CairoCanvas canvas(context.get());
  DrawTitledPlot(state, look, canvas);
  return cairo_status(context.get()) == CAIRO_STATUS_SUCCESS;
}

// Cairo's write callback: appends to the string closure points to.
cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

bool CairoPlotBuilt() { return true; }

std::string CairoPlotBytes(const AppState& state, const PlotLook& look, PlotFormat format) {
  std::string bytes;
  const SurfaceHandle surface(
      format == PlotFormat::Png
          ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, look.Width, look.Height)
          : cairo_pdf_surface_create_for_stream(Append, &bytes, look.Width, look.Height),
      cairo_surface_destroy);
  if (format == PlotFormat::Pdf) {
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, "Harmora plot");
  }
  if (!Draw(surface.get(), state, look)) return {};
  cairo_status_t status = CAIRO_STATUS_SUCCESS;
  if (format == PlotFormat::Png) {
    status = cairo_surface_write_to_png_stream(surface.get(), Append, &bytes);
  } else {
    cairo_surface_finish(surface.get());  // writes the page to bytes
    status = cairo_surface_status(surface.get());
  }
  return status == CAIRO_STATUS_SUCCESS ? bytes : std::string();
}
