#pragma once

#include <string>
#include <vector>

#include "plot/surface.h"

// Records every drawing operation with the pen, brush and font state it was made with.
struct DrawOp {
  enum Kind { Rect, Move, Line, Text } What;
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  std::string Label;
  SurfaceState With;
};

class RecordingSurface : public Surface {
 public:
  void Rectangle(int x1, int y1, int x2, int y2) override {
    Ops.push_back({DrawOp::Rect, x1, y1, x2, y2, "", State});
  }
  void TextOut(int x, int y, const std::string& text) override {
    Ops.push_back({DrawOp::Text, x, y, x, y, text, State});
  }
  // A fixed-pitch stand-in: 6 pixels a character, 13 pixels high.
  int TextWidth(const std::string& text) override { return 6 * static_cast<int>(text.size()); }
  int TextHeight(const std::string&) override { return 13; }

  std::vector<DrawOp> Ops;

 protected:
  void PenMoved(int x, int y) override { Ops.push_back({DrawOp::Move, x, y, x, y, "", State}); }
  void DrawSegment(int x1, int y1, int x2, int y2) override {
    Ops.push_back({DrawOp::Line, x1, y1, x2, y2, "", State});
  }
};
