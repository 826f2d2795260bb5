#pragma once

// The spacing of the grid that sorted points u lie near, given a typical step (their median
// spacing): each gap counts as the whole number of steps nearest to it, and the spacing is the
// least-squares slope of u against the step counts. A long series' spectral window peaks at
// 2 pi over this spacing when its points keep to a grid (with gaps, missing rows or a little
// jitter), so one sum there stands for a scan over the window. 0 where it cannot be told.
double FittedGridSpacing(const double* u, int count, double step);
