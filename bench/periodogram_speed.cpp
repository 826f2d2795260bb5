// Time of the direct and the fast grid periodogram, and the fast one's error.
//
// Data: n rows at sorted uniform random x over 0 .. 0.1 n shifted to start at 2e5 (an offset
// like a day count), y = a level of 5 and sinusoids of periods 37.3, 9.1 and 2.71 with
// amplitudes 2, 1 and 0.6 plus Gaussian noise of sd 0.5, weights uniform in 0.2 .. 1.2, from
// a Mersenne Twister with a fixed seed. The grid has M frequencies at 5 per resolution cell
// (Step = 2 pi / (5 span)). The floating-mean, weighted form.
//
// The direct sums run at every stride-th grid frequency only (stride chosen so that they cost at
// most about --budget row-frequencies), and their time is scaled up by the stride. The errors
// are over those frequencies: the largest |fast - direct| against the total weighted sum of
// squares, and the largest relative error where the direct power is at least 1e-6 of that sum.
//
// Usage: periodogram_speed [--rows n]... [--grid M]... [--budget B]
//   defaults: rows 1000 10000 100000 1000000 10000000, grid 10000 100000 1000000, B 2e9
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/spectral/grid_periodogram.h"

namespace {

struct Data {
  std::vector<double> X, Y, W;
  double Span = 0;
};

Data MakeData(int n) {
  Data d;
  std::mt19937_64 random(20261210);
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> noise(0, 0.5);
  d.Span = 0.1 * n;
  for (int i = 0; i < n; ++i) d.X.push_back(2e5 + d.Span * unit(random));
  std::sort(d.X.begin(), d.X.end());
  const double periods[] = {37.3, 9.1, 2.71}, amplitudes[] = {2, 1, 0.6};
  for (double x : d.X) {
    double y = 5 + noise(random);
    for (int k = 0; k < 3; ++k)
      y += amplitudes[k] * std::sin(2 * std::numbers::pi / periods[k] * x + k);
    d.Y.push_back(y);
    d.W.push_back(0.2 + unit(random));
  }
  return d;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunCase(const Data& d, int m, double budget) {
  const SpectralSeries series{d.X.data(), d.Y.data(), d.W.data(), static_cast<int>(d.X.size())};
  const double step = 2 * std::numbers::pi / (5 * d.Span);
  auto start = std::chrono::steady_clock::now();
  const std::vector<double> fast = FastGridPeriodogram(series, {step, m}, true);
  const double fastSeconds = Seconds(start);

  const double work = static_cast<double>(d.X.size()) * m;
  const int stride = static_cast<int>(std::max(1.0, std::ceil(work / budget)));
  start = std::chrono::steady_clock::now();
  const std::vector<double> direct =
      DirectGridPeriodogram(series, {step * stride, m / stride}, true);
  const double directSeconds = Seconds(start) * stride;

  double squares = 0, mean = 0, total = 0;
  for (std::size_t i = 0; i < d.Y.size(); ++i) {
    mean += d.W[i] * d.Y[i];
    total += d.W[i];
  }
  mean /= total;
  for (std::size_t i = 0; i < d.Y.size(); ++i)
    squares += d.W[i] * (d.Y[i] - mean) * (d.Y[i] - mean);
  double absolute = 0, relative = 0;
  for (std::size_t j = 0; j < direct.size(); ++j) {
    const double f = fast[(j + 1) * stride - 1], e = std::fabs(f - direct[j]);
    absolute = std::max(absolute, e / squares);
    if (direct[j] >= 1e-6 * squares) relative = std::max(relative, e / direct[j]);
  }
  std::printf("%9zu %8d %11.4g%s %9.4g %8.3g %9.2e %9.2e\n",
              d.X.size(),
              m,
              directSeconds,
              stride > 1 ? "*" : " ",
              fastSeconds,
              directSeconds / fastSeconds,
              absolute,
              relative);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rows, grids;
  double budget = 2e9;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--rows") == 0)
      rows.push_back(std::atoi(argv[i + 1]));
    else if (std::strcmp(argv[i], "--grid") == 0)
      grids.push_back(std::atoi(argv[i + 1]));
    else if (std::strcmp(argv[i], "--budget") == 0)
      budget = std::atof(argv[i + 1]);
  }
  if (rows.empty()) rows = {1000, 10000, 100000, 1000000, 10000000};
  if (grids.empty()) grids = {10000, 100000, 1000000};
  std::printf("# seconds; * = direct timed on every stride-th frequency and scaled\n");
  std::printf(
      "%9s %8s %12s %9s %8s %9s %9s\n", "rows", "grid", "direct", "fast", "ratio", "abs/SS", "rel");
  for (int n : rows) {
    const Data d = MakeData(n);
    for (int m : grids) RunCase(d, m, budget);
  }
}
