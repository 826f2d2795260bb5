#include "analysis/unbounded_harmonics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

std::string Number(double v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 3);
  return std::string(text, end.ptr);
}

// A frequency this close (relative) to the band's top on a grid sits at the fold.
constexpr double kEdgeShare = 1e-3;

double Target(ModelKind kind, double y) {
  return kind == ModelKind::SquaredSum ? std::sqrt(std::max(y, 0.0)) : y;
}

// "harmonics 2 and 3" or "harmonic 1".
std::string Names(const ModelFit& fit) {
  std::string list;
  int count = 0;
  const int n = fit.Coefficients.Count;
  for (int k = 0; k < n; ++k) count += fit.Unbounded[k] ? 1 : 0;
  for (int k = 0, seen = 0; k < n; ++k) {
    if (!fit.Unbounded[k]) continue;
    ++seen;
    if (seen > 1) list += seen == count ? " and " : ", ";
    list += std::to_string(k + 1);
  }
  return (count > 1 ? "harmonics " : "harmonic ") + list;
}

std::string Remedy(const ModelFit& fit, bool slow) {
  if (!slow) return "Fit fewer harmonics.";
  if (!fit.HasConstant && !fit.HasTrend) return "Fit a constant (and a trend) instead.";
  return "Fit fewer harmonics or leave out the constant or the trend.";
}

}  // namespace

void MarkUnboundedHarmonics(const ObservationSet& obs, ModelKind kind, ModelFit& fit) {
  std::fill(std::begin(fit.Unbounded), std::end(fit.Unbounded), false);
  if (obs.LastIndex < 0) return;
  double low = Target(kind, obs.OrigY[0]), high = low;
  for (int i = 1; i <= obs.LastIndex; ++i) {
    const double t = Target(kind, obs.OrigY[i]);
    low = std::min(low, t);
    high = std::max(high, t);
  }
  const double bound = kUnboundedShare * (high - low);
  if (!(bound > 0) || !std::isfinite(bound)) return;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    if (!(std::fabs(fit.Coefficients.A[k]) > bound)) continue;
    fit.Unbounded[k] = true;
    for (Estimate* e : {&fit.A[k], &fit.B[k], &fit.C[k], &fit.Period[k]}) {
      e->Determined = false;
      e->StdError = 0;
      e->Lower = e->Upper = e->Value;
    }
  }
}

std::string UnboundedNote(const char* name, const ModelFit& fit, double span, double band) {
  const int n = fit.Coefficients.Count;
  int count = 0, slow = -1, edge = -1;
  for (int k = 0; k < n; ++k) {
    if (!fit.Unbounded[k]) continue;
    ++count;
    if (span > 0 && fit.Coefficients.B[k] * span < std::numbers::pi) slow = k;
    if (band > 0 && fit.Coefficients.B[k] >= band * (1 - kEdgeShare)) edge = k;
  }
  if (count == 0) return "";
  std::string what = Names(fit);
  if (count > 1) {
    what += " merge";
  } else if (slow >= 0) {
    // Near 0, A sin(B x + C) is a level and a slope A B cos(C): one fixed as A grows.
    what += " (B = " + Number(fit.Coefficients.B[slow]) + ", near 0) ";
    what += fit.HasConstant ? "and the constant cancel each other"
            : fit.HasTrend  ? "and the trend cancel each other"
                            : "stands in for a level and a trend";
  } else if (edge >= 0) {
    // On a grid, B and its mirror 2 pi / h - B give the same values: at pi / h they merge.
    what += " (B = " + Number(fit.Coefficients.B[edge]) +
            ", at the grid's highest frequency) merges with its mirror image there";
  } else {
    what += " and the other terms cancel each other";
  }
  const bool many = count > 1;
  return std::string(name) + ": " + what +
         ": the sum of squares has no finite minimum, only approached as " +
         (many ? "their amplitudes grow" : "its amplitude grows") + " without bound (here over " +
         Number(kUnboundedShare) + " times the data's range); " + (many ? "their" : "its") +
         " values and intervals are not determined. " + Remedy(fit, slow >= 0);
}
