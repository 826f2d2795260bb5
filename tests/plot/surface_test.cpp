#include "plot/surface.h"

#include <gtest/gtest.h>

#include "tests/plot/recording_surface.h"

namespace {

// A backend that draws nothing and keeps no position of its own.
class SilentSurface : public Surface {
 public:
  void Rectangle(int, int, int, int) override {}
  void TextOut(int, int, const std::string&) override {}
  int TextWidth(const std::string&) override { return 0; }
  int TextHeight(const std::string&) override { return 0; }

 protected:
  void DrawSegment(int, int, int, int) override {}
};

TEST(Surface, LineToLeavesThePenAtTheEndWhateverTheBackendDraws) {
  SilentSurface surface;
  surface.MoveTo(3, 4);
  EXPECT_EQ(surface.State.PenX, 3);
  EXPECT_EQ(surface.State.PenY, 4);
  surface.LineTo(-7, 11);
  EXPECT_EQ(surface.State.PenX, -7);
  EXPECT_EQ(surface.State.PenY, 11);
}

TEST(Surface, EachSegmentStartsWhereThePreviousOneEnded) {
  RecordingSurface surface;
  surface.MoveTo(1, 2);
  surface.LineTo(5, 2);
  surface.LineTo(5, 9);
  ASSERT_EQ(surface.Ops.size(), 3u);
  EXPECT_EQ(surface.Ops[0].What, DrawOp::Move);
  const DrawOp& first = surface.Ops[1];
  const DrawOp& second = surface.Ops[2];
  EXPECT_EQ(first.What, DrawOp::Line);
  EXPECT_EQ(first.X1, 1);
  EXPECT_EQ(first.Y1, 2);
  EXPECT_EQ(first.X2, 5);
  EXPECT_EQ(first.Y2, 2);
  EXPECT_EQ(second.X1, first.X2);
  EXPECT_EQ(second.Y1, first.Y2);
  EXPECT_EQ(second.X2, 5);
  EXPECT_EQ(second.Y2, 9);
  // The segment is drawn before the position moves: the state it saw still held the start.
  EXPECT_EQ(second.With.PenX, 5);
  EXPECT_EQ(second.With.PenY, 2);
}

}  // namespace
