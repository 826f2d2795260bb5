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
};

// The drawing operations the plot needs. Rectangle covers columns x1..x2-1 and rows y1..y2-1,
// outlined with the pen and filled with the brush; LineTo draws from the current position and
// leaves out the end pixel; TextOut fills the text's cell with the brush colour.
class Surface {
 public:
  virtual ~Surface() = default;

  void SetPenColor(Rgb color) { State.PenColor = color; }
  void SetPenStyle(PenStyle style) { State.Style = style; }
  void SetBrushColor(Rgb color) { State.BrushColor = color; }
  void SetFontColor(Rgb color) { State.FontColor = color; }

  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  virtual void MoveTo(int x, int y) {
    State.PenX = x;
    State.PenY = y;
  }
  virtual void LineTo(int x, int y) = 0;  // implementations end by moving to (x, y)
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  virtual int TextWidth(const std::string& text) = 0;
  virtual int TextHeight(const std::string& text) = 0;

  SurfaceState State;
};
