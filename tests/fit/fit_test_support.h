#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "data/observation_set.h"
#include "data/random_generator.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

// The shipped fit's sine, counting its calls: tests read differences of gSineCalls to pin a
// step sequence (every Residual and FitAmplitude makes one call).
inline std::uint64_t gSineCalls = 0;
inline void CountedSines(const double* args, double* out, int count) {
  ++gSineCalls;
  SinArray(args, out, count);
}

// count points a*sin(b*x + c) at x = x0, x0 + dx, ..., prepared as a loaded file would be. The
// sines are the shipped fit's own, so (a, b, c) has a residual of exactly 0.
inline ObservationSet MakeSineSample(
    double a, double b, double c, int count, double x0 = 0, double dx = 0.5) {
  ObservationSet obs;
  obs.LastIndex = count - 1;
  // Initialised: the sanitizer build's optimiser cannot see that the loop fills what is read.
  // No vector: the no-allocation test counts every allocation.
  double sines[kObservationCapacity] = {};
  for (int i = 0; i < count; ++i) {
    obs.X[i] = x0 + i * dx;
    sines[i] = b * obs.X[i] + c;
  }
  SinArray(sines, sines, count);
  for (int i = 0; i < count; ++i) obs.WorkY[i] = a * sines[i];
  PrepareData(obs);
  return obs;
}

// count noisy observations of a random sum of up to three sinusoids; the seed picks everything.
inline ObservationSet RandomSample(unsigned seed, int count) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  ObservationSet obs;
  obs.LastIndex = count - 1;
  ReserveObservations(obs, count);
  const int terms = 1 + static_cast<int>(seed % 3);
  double a[3], b[3], c[3];
  for (int k = 0; k < terms; ++k) {
    a[k] = 0.2 + 3 * unit(random);
    b[k] = 0.1 + 4 * unit(random);
    c[k] = 6 * unit(random);
  }
  const double offset = seed % 2 == 0 ? 0.0 : 1.5;  // half the samples mostly positive
  double x = 10 * unit(random) - 5;
  for (int i = 0; i < count; ++i) {
    x += 0.05 + unit(random);
    double y = offset + 0.3 * (unit(random) - 0.5);
    for (int k = 0; k < terms; ++k) y += a[k] * std::sin(b[k] * x + c[k]);
    obs.X[i] = x;
    obs.WorkY[i] = y;
  }
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
