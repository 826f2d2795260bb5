#include "analysis/fit_trust.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/model_estimates.h"
#include "analysis/spectral_band.h"

void HarmonicFalseAlarms(const ScaledProblem& problem,
                         const ScaledModel& best,
                         double omegaMax,
                         double floor,
                         double* out) {
  ScaledModel full = best;
  SolveLinear(problem, full);
  const int n = best.Count;
  for (int j = 0; j < n; ++j) {
    ScaledModel reduced;
    reduced.Count = n - 1;
    for (int k = 0, m = 0; k < n; ++k) {
      if (k != j) reduced.Omega[m++] = best.Omega[k];
    }
    if (reduced.Count > 0) {
      RefineFrequencies(problem, reduced);
    } else {
      SolveLinear(problem, reduced);
    }
    const double without = std::max(reduced.Objective, floor);
    const double drop = std::max(without - std::max(full.Objective, floor), 0.0);
    out[j] =
        without > 0
            ? PeakFalseAlarm(
                  drop / without, problem.U, problem.Count, omegaMax, 3 * (n - 1) + problem.Extra)
            : kNotDetermined;
  }
}

double ProfileRatio(int dof) {
  if (dof <= 0) return std::numeric_limits<double>::infinity();
  const double t = StudentQuantile95(dof);
  return 1 + t * t / dof;
}

// An insertion sort: GCC 12 takes std::sort of five doubles for an out-of-bounds access.
void SortedFrequencies(const ScaledModel& m, double* out) {
  for (int k = 0; k < m.Count; ++k) {
    int j = k;
    for (; j > 0 && out[j - 1] > m.Omega[k]; --j) out[j] = out[j - 1];
    out[j] = m.Omega[k];
  }
}

bool SameFrequencies(const ScaledModel& a, const ScaledModel& b, double tolerance) {
  if (a.Count != b.Count) return false;
  double x[kMaxHarmonics] = {}, y[kMaxHarmonics] = {};
  SortedFrequencies(a, x);
  SortedFrequencies(b, y);
  for (int k = 0; k < a.Count; ++k) {
    if (!(std::fabs(x[k] - y[k]) <= tolerance)) return false;
  }
  return true;
}

bool OutsideIntervals(
    const ScaledModel& other, const ModelFit& fit, int fixed, double scale, double tolerance) {
  const int n = other.Count;
  int order[kMaxHarmonics];
  for (int k = 0; k < n; ++k) order[k] = k;
  double least = std::numeric_limits<double>::infinity();
  bool outside = false;
  do {
    double distance = 0;
    bool out = false;
    for (int k = 0; k < n; ++k) {
      const double b = other.Omega[order[k]] / scale;
      const Estimate& e = fit.B[fixed + k];
      distance += std::fabs(b - e.Value);
      const bool apart = e.Determined ? b < e.Lower || b > e.Upper
                                      : !(std::fabs(b - e.Value) * scale <= tolerance);
      out = out || apart;
    }
    if (distance < least) {
      least = distance;
      outside = out;
    }
  } while (std::next_permutation(order, order + n));
  return outside;
}
