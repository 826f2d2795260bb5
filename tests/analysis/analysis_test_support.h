#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "analysis/least_squares.h"
#include "data/observation_set.h"
#include "fit/fit_harmonics.h"
#include "state/app_state.h"
#include "tests/fit/fit_test_support.h"

struct Wave {
  double A, B, C;
};

// Observations at xs of sum_k A sin(B x + C) plus offset, prepared as a loaded file would be.
inline ObservationSet MakeWaveSample(const std::vector<double>& xs,
                                     std::initializer_list<Wave> waves,
                                     double offset = 0) {
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(xs.size()) - 1;
  for (std::size_t i = 0; i < xs.size(); ++i) {
    double y = offset;
    for (const Wave& w : waves) y += w.A * std::sin(w.B * xs[i] + w.C);
    obs.X[i] = xs[i];
    obs.WorkY[i] = y;
  }
  PrepareData(obs);
  return obs;
}

// count x values x0, x0 + dx, ...
inline std::vector<double> UniformX(int count, double x0, double dx) {
  std::vector<double> xs;
  for (int i = 0; i < count; ++i) xs.push_back(x0 + i * dx);
  return xs;
}

// count x values spread irregularly over [x0, x0 + width]: a fixed low-discrepancy jitter, so
// the set is the same in every run.
inline std::vector<double> IrregularX(int count, double x0, double width) {
  std::vector<double> xs;
  for (int i = 0; i < count; ++i) {
    const double jitter = std::fmod(0.618033988749895 * (i + 1) * 7, 1.0) - 0.5;
    xs.push_back(x0 + width * (i + 0.5 + 0.8 * jitter) / count);
  }
  return xs;
}

// Every number a window would show, checked finite or not determined.
inline void ExpectAllFinite(const ModelFit& fit) {
  auto estimate = [](const Estimate& e) {
    EXPECT_TRUE(std::isfinite(e.Value));
    EXPECT_TRUE(std::isfinite(e.StdError));
    EXPECT_TRUE(std::isfinite(e.Lower));
    EXPECT_TRUE(std::isfinite(e.Upper));
    EXPECT_LE(e.Lower, e.Upper);
  };
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(std::isfinite(fit.Coefficients.A[k]));
    EXPECT_TRUE(std::isfinite(fit.Coefficients.B[k]));
    EXPECT_TRUE(std::isfinite(fit.Coefficients.C[k]));
    estimate(fit.A[k]);
    estimate(fit.B[k]);
    estimate(fit.C[k]);
    estimate(fit.Period[k]);
  }
  estimate(fit.Constant);
  EXPECT_FALSE(std::isnan(fit.Objective));
  // A statistic is a number or not determined, never infinite.
  const ModelStatistics& s = fit.Statistics;
  for (double v : {s.Sse, s.Rmse, s.R2, s.AdjustedR2, s.Aic, s.Bic, s.RelDeviation}) {
    EXPECT_FALSE(std::isinf(v));
  }
}

inline void ExpectAllFinite(const RefinementResult& result) {
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind);
    ExpectAllFinite(result.Search[kind]);
    ExpectAllFinite(result.Refined[kind]);
    ExpectAllFinite(result.WithConstant[kind]);
  }
}

// Runs the search at the given depth on obs with n harmonics under a fixed seed.
class RefinementTest : public FixedSeedTest {
 protected:
  static AppState Searched(const ObservationSet& obs, int n, int depth = 10000) {
    AppState state = MakeState(obs, n, depth);
    state.Controls.UpDown1 = n;
    FitBothModels(state, state.Controls.ComboBox1);
    return state;
  }

  static RefinementResult Refine(const AppState& state,
                                 bool withConstant = false,
                                 double budget = 1) {
    RefineOptions options;
    options.WithConstant = withConstant;
    options.StartBudget = budget;
    return RefineBothModels(
        state.Observations, state.Coefficients, state.Observations.MinPeriod, options);
  }
};
