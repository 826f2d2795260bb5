#include "model/model_values.h"

#include <algorithm>
#include <cmath>

#include "base/run_time_fault.h"

namespace {

// Points are taken in blocks of this many, so that no call allocates.
constexpr int kBlock = 128;

}  // namespace

HarmonicModel ModelOf(const CoefficientTable& table, ModelKind kind) {
  HarmonicModel m;
  m.Kind = kind;
  m.Count = std::min<int>(table.HarmonicCount, kMaxHarmonics);
  const bool one = kind == ModelKind::Sum;
  for (int k = 0; k < m.Count; ++k) {
    m.A[k] = one ? table.A[k] : table.A2[k];
    m.B[k] = one ? table.B[k] : table.B2[k];
    m.C[k] = one ? table.C[k] : table.C2[k];
  }
  return m;
}

void LibrarySines(const double* args, double* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = std::sin(args[i]);
}

void SumValues(
    const HarmonicModel& model, const double* x, int count, double* out, SineArray sines) {
  const int n = std::clamp(model.Count, 0, kMaxHarmonics);
  double args[kBlock];
  for (int start = 0; start < count; start += kBlock) {
    const int size = std::min(kBlock, count - start);
    const double* xs = x + start;
    double* v = out + start;
    for (int i = 0; i < size; ++i) v[i] = 0;
    for (int k = 0; k < n; ++k) {
      for (int i = 0; i < size; ++i) args[i] = model.B[k] * xs[i] + model.C[k];
      sines(args, args, size);
      for (int i = 0; i < size; ++i) v[i] += model.A[k] * args[i];
    }
  }
  if (model.Constant != 0) {
    for (int i = 0; i < count; ++i) out[i] = model.Constant + out[i];
  }
  if (model.Trend != 0) {
    for (int i = 0; i < count; ++i) out[i] = model.Trend * x[i] + out[i];
  }
}

void ModelValues(
    const HarmonicModel& model, const double* x, int count, double* out, SineArray sines) {
  SumValues(model, x, count, out, sines);
  if (model.Kind == ModelKind::SquaredSum) {
    for (int i = 0; i < count; ++i) out[i] = out[i] * out[i];
  }
}

double StageTarget(ModelKind kind, double y) {
  if (kind == ModelKind::Sum) return y;
  return y > 0 ? std::sqrt(y) : 0.0;
}

double StageObjective(const HarmonicModel& model, const ObservationSet& obs, SineArray sines) {
  const int n = obs.LastIndex + 1;
  RowArray s(n);
  SumValues(model, obs.PlotX, n, s, sines);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const double d = s[i] - StageTarget(model.Kind, obs.OrigY[i]);
    sum += d * d;
  }
  return sum;
}

double ModelDeviation(const HarmonicModel& model, const ObservationSet& obs, SineArray sines) {
  const int n = obs.LastIndex + 1;
  RowArray v(n);
  ModelValues(model, obs.PlotX, n, v, sines);
  double misfit = 0;
  double size = 0;
  for (int i = 0; i < n; ++i) {
    misfit += std::fabs(v[i] - obs.OrigY[i]);
    size += std::fabs(obs.OrigY[i]);
  }
  return CheckedValue(CheckedDivide(CheckedValue(misfit), CheckedValue(size)) * 100);
}
