#pragma once

#include <vector>

#include "plot/plot_geometry.h"

struct AppState;
struct HarmonicModel;
class Surface;

// Working space of the curve walks. The caller keeps one from redraw to redraw, so a fit that
// redraws hundreds of times allocates the buffers once.
struct CurveBuffers {
  std::vector<double> Xs;    // the x of each point
  std::vector<double> Sums;  // the model's sum S at each point
};

// Paints the whole plot from the state: ClearPlot, DrawGrid, the blue curve when FitStage >= 1,
// the white curve when FitStage = 2, then the markers on top. Raises a run-time fault where a
// scale division fails; what was drawn before the fault stays drawn.
void RedrawPlot(AppState& state, Surface& surface, CurveBuffers& buffers);

// The same with the curves of the given models (a fit with a constant or a trend, which the
// coefficient table does not hold): model 1 is models[0], model 2 models[1].
void RedrawPlot(AppState& state,
                Surface& surface,
                CurveBuffers& buffers,
                const HarmonicModel models[2]);

// Black field with a one-pixel white frame; leaves the brush black.
void ClearPlot(AppState& state, Surface& surface);

// Copies the grid settings from the controls, then draws the solid x axis and the dotted grid
// with its value labels.
void DrawGrid(AppState& state, Surface& surface);

// Model 2 in blue: set 1 squared while stage 1 runs, set 2 squared otherwise.
void DrawSquaredCurve(AppState& state, Surface& surface, CurveBuffers& buffers);

// Model 1 in white: set 1. Over a series longer than the window's reader takes, each curve is
// drawn by DrawCurveEnvelope.
void DrawSumCurve(AppState& state, Surface& surface, CurveBuffers& buffers);

// Each observation as a white square outline inside a black border, in index order; a series
// longer than the window's reader takes is thinned (DrawThinnedPoints).
void DrawPoints(AppState& state, Surface& surface);
