#pragma once

#include <cstdint>
#include <string>

struct Rgb {
  std::uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kSilver{192, 192, 192};
inline constexpr Rgb kBlue{0, 0, 255};

enum class PenStyle { Solid, Dotted };

// Pen, brush, font colour and current position: they carry from one drawing step to the next.
struct SurfaceState {
  Rgb PenColor = kBlack;
  PenStyle Style = PenStyle::Solid;
  Rgb BrushColor = kWhite;
  Rgb FontColor = kBlack;
  int PenX = 0, PenY = 0;
  int PenWidth = 1;  // lines and outlines; the window's plot draws with 1 only (a print may not)
};

// The drawing operations the plot needs. Rectangle covers columns x1..x2-1 and rows y1..y2-1,
// outlined with the pen and filled with the brush; LineTo draws from the current position and
// leaves out the end pixel; TextOut fills the text's cell with the brush colour. The current
// position is kept here, not by the backends: MoveTo and LineTo are not virtual, so every
// backend leaves the pen where the plot expects it.
class Surface {
 public:
  virtual ~Surface() = default;

  void SetPenColor(Rgb color) { State.PenColor = color; }
  void SetPenStyle(PenStyle style) { State.Style = style; }
  void SetBrushColor(Rgb color) { State.BrushColor = color; }
  void SetFontColor(Rgb color) { State.FontColor = color; }

  // Moves the current position to (x, y) and draws nothing.
  void MoveTo(int x, int y) {
    State.PenX = x;
    State.PenY = y;
    PenMoved(x, y);
  }
  // Draws the segment from the current position to (x, y), then moves the position there.
  void LineTo(int x, int y) {
    DrawSegment(State.PenX, State.PenY, x, y);
    State.PenX = x;
    State.PenY = y;
  }

  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  virtual int TextWidth(const std::string& text) = 0;
  virtual int TextHeight(const std::string& text) = 0;

  SurfaceState State;

 protected:
  // Draws (x1, y1)..(x2, y2) with the pen, leaving out the end pixel; State still holds the
  // segment's start as the current position.
  virtual void DrawSegment(int x1, int y1, int x2, int y2) = 0;
  // Called after MoveTo; a backend that records the moves overrides it.
  virtual void PenMoved(int /*x*/, int /*y*/) {}
};
