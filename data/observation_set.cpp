#include "data/observation_set.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "base/run_time_fault.h"

namespace {

void FindYRange(ObservationSet& obs) {
  obs.YMin = obs.YMax = obs.WorkY[0];
  for (int i = 1; i <= obs.LastIndex; ++i) {
    const double v = obs.WorkY[i];
    if (v < obs.YMin) {
      obs.YMin = v;
    } else if (v > obs.YMax) {
      obs.YMax = v;
    }
  }
}

// The exchange sort fixes the order of equal x: they are never swapped with each other
// directly, but a swap with a smaller third element can reverse them.
void ExchangeSort(ObservationSet& obs) {
  const int n = obs.LastIndex;
  for (int c = 0; c <= n - 1; ++c) {
    for (int q = c + 1; q <= n; ++q) {
      if (obs.X[q] < obs.X[c]) {
        std::swap(obs.X[c], obs.X[q]);
        std::swap(obs.WorkY[c], obs.WorkY[q]);
      }
    }
  }
}

}  // namespace

void PrepareData(ObservationSet& obs) {
  FindYRange(obs);
  ExchangeSort(obs);
  const int n = obs.LastIndex;
  obs.XMin = obs.X[0];
  obs.XMax = obs.X[n];
  obs.YAbsMax = std::fmax(std::fabs(obs.YMin), std::fabs(obs.YMax));
  // A range wider than the doubles (x near both ends of them) overflows here.
  obs.Spacing = CheckedValue(CheckedValue(obs.XMax - obs.XMin) / n);
  for (int i = 0; i <= n; ++i) {
    obs.PlotX[i] = obs.X[i];
    obs.OrigY[i] = obs.WorkY[i];
  }
  obs.MinPeriod = CheckedValue(2 * obs.Spacing);
}

void MakeRandomSample(ObservationSet& obs, RandomGenerator& random) {
  Reseed(random);
  obs.LastIndex = 9;
  const double a = NextRandom(random) * 10;
  const double b = NextRandom(random) * 2;
  const double c = NextRandom(random) * 2 * std::numbers::pi;
  for (int i = 0; i <= 9; ++i) {
    obs.X[i] = NextRandom(random) * 10;
    obs.WorkY[i] = std::sin(b * obs.X[i] + c) * a;
  }
  PrepareData(obs);
}
