#pragma once

#include <vector>

struct AppState;
struct HarmonicModel;
class Surface;

// The markers of a long series (more than the window's reader takes, a table's): per pixel
// column the lowest and the highest of its observations get a marker, then a white line joins
// them over every row between, so the picture shows each column's whole spread while
// the redraw costs one pass over the data and at most two markers per column. Columns in
// order; observations whose column lies off the plot are left out.
void DrawThinnedPoints(AppState& state, Surface& surface);

// A model's curve over a long series, whose span a pixel column may hold several of its cycles
// of: each column samples the model at enough points to follow its highest frequency (up to
// kMaxCurveSamples) and draws a line over the rows they reach, joined to the column before, so
// the curve is never an alias of itself. xs and values are working space kept by the caller.
inline constexpr int kMaxCurveSamples = 256;
void DrawCurveEnvelope(AppState& state,
                       Surface& surface,
                       const HarmonicModel& model,
                       std::vector<double>& xs,
                       std::vector<double>& values);
