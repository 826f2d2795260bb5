#include "data/observation_set.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

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

// More observations than the window reads: the exchange sort's quadratic time would be hours at
// a hundred thousand, so they are sorted in n log n, equal x keeping their order.
// (std::sort with the index as tie-break rather than std::stable_sort, whose temporary buffer
// GCC 12's AddressSanitizer build reports as a false new/free mismatch.)
void SortMany(ObservationSet& obs) {
  std::vector<std::size_t> order(static_cast<std::size_t>(obs.LastIndex) + 1);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&obs](std::size_t a, std::size_t b) {
    return obs.X[a] < obs.X[b] || (!(obs.X[b] < obs.X[a]) && a < b);
  });
  std::vector<double> x(order.size()), y(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    x[i] = obs.X[order[i]];
    y[i] = obs.WorkY[order[i]];
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    obs.X[i] = x[i];
    obs.WorkY[i] = y[i];
  }
}

}  // namespace

void ReserveObservations(ObservationSet& obs, int count) {
  for (RowArray* rows : {&obs.X, &obs.WorkY, &obs.PlotX, &obs.OrigY}) rows->Reserve(count);
}

void PrepareData(ObservationSet& obs) {
  FindYRange(obs);
  if (obs.LastIndex < kObservationCapacity) {
    ExchangeSort(obs);
  } else {
    SortMany(obs);
  }
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
