#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "core/app_state.h"
#include "data/observation_set.h"
#include "data/random_generator.h"
#include "fit/fit_sines.h"

// count points a*sin(b*x + c) at x = x0, x0 + dx, ..., prepared as a loaded file would be. The
// sines are the fit's own, so (a, b, c) has a residual of exactly 0.
inline ObservationSet MakeSineSample(
    double a, double b, double c, int count, double x0 = 0, double dx = 0.5) {
  ObservationSet obs;
  obs.LastIndex = count - 1;
  double sines[kObservationCapacity];
  for (int i = 0; i < count; ++i) {
    obs.X[i] = x0 + i * dx;
    sines[i] = b * obs.X[i] + c;
  }
  FitSines(sines, sines, count);
  for (int i = 0; i < count; ++i) obs.WorkY[i] = a * sines[i];
  PrepareData(obs);
  return obs;
}

// Multiplies every y (as read and as kept) by factor.
inline void ScaleY(ObservationSet& obs, double factor) {
  for (int i = 0; i <= obs.LastIndex; ++i) {
    obs.WorkY[i] *= factor;
    obs.OrigY[i] *= factor;
  }
}

inline constexpr std::uint32_t kFixedSeed = 20240611u;

// Tests whose states reseed from a fixed clock.
class FixedSeedTest : public ::testing::Test {
 protected:
  // A state holding obs with N harmonics and the given search depth, whose every reseed reads
  // kFixedSeed.
  static AppState MakeState(const ObservationSet& obs, int harmonics, int depth) {
    AppState state;
    state.Random.Clock = [] { return kFixedSeed; };
    state.Observations = obs;
    state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(harmonics);
    state.Controls.ComboBox1 = depth;
    return state;
  }
};
