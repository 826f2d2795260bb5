#include "analysis/residual_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "analysis/refinement_notes.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

bool AnyNoteHas(const std::vector<std::string>& notes, const std::string& text) {
  for (const std::string& note : notes) {
    if (note.find(text) != std::string::npos) return true;
  }
  return false;
}

// Three lines on a level, 2,000 random x: refined with the two strongest only, the third is
// named as left in the residuals; with all three nothing is left to name.
TEST(RefinementNotes, NameTheLineLeftInTheResiduals) {
  const double periods[] = {37.3, 9.1, 2.71}, amplitudes[] = {2, 1, 0.6};
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> noise(0, 0.5);
  std::vector<double> xs(2000);
  for (double& x : xs) x = 200 * unit(random);
  std::sort(xs.begin(), xs.end());
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(xs.size()) - 1;
  ReserveObservations(obs, static_cast<int>(xs.size()));
  for (std::size_t i = 0; i < xs.size(); ++i) {
    double y = 5 + noise(random);
    for (int k = 0; k < 3; ++k) y += amplitudes[k] * std::sin(kTwoPi / periods[k] * xs[i] + k);
    obs.X[i] = xs[i];
    obs.WorkY[i] = y;
  }
  PrepareData(obs);
  for (const int harmonics : {2, 3}) {
    SCOPED_TRACE(harmonics);
    CoefficientTable table;
    table.HarmonicCount = static_cast<std::uint8_t>(harmonics);
    for (int k = 0; k < harmonics; ++k) {
      table.A[k] = table.A2[k] = amplitudes[k];
      table.B[k] = table.B2[k] = kTwoPi / periods[k];
      table.C[k] = table.C2[k] = k;
    }
    RefineOptions options;
    options.Terms.Constant = true;
    options.StartBudget = 0.05;  // the notes, not the search, are tested
    const RefinementResult result = RefineBothModels(obs, table, 0.2, options);
    const std::vector<std::string> notes = RefinementNotes(result, ModelKind::Sum);
    EXPECT_EQ(AnyNoteHas(notes, "A line at period 2.71 remains in the residuals"), harmonics == 2);
    EXPECT_EQ(AnyNoteHas(notes, "remains in the residuals"), harmonics == 2);
  }
}

// 3,000 random x over 300 and a line at period 0.08, inside the search's band (a minimum period
// of 0.05) but above the refinement's own, which its 20,000 frequencies stop near period 0.12:
// the data's strongest peak is the line, not noise.
TEST(RefinementNotes, TheDataPeakIsLookedForOverTheSearchsBand) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> noise(0, 0.5);
  std::vector<double> xs(3000);
  for (double& x : xs) x = 300 * unit(random);
  std::sort(xs.begin(), xs.end());
  ObservationSet obs;
  obs.LastIndex = static_cast<int>(xs.size()) - 1;
  ReserveObservations(obs, static_cast<int>(xs.size()));
  for (std::size_t i = 0; i < xs.size(); ++i) {
    obs.X[i] = xs[i];
    obs.WorkY[i] = std::sin(kTwoPi / 0.08 * xs[i]) + noise(random);
  }
  PrepareData(obs);
  CoefficientTable table;
  table.HarmonicCount = 1;
  table.A[0] = table.A2[0] = 1;
  table.B[0] = table.B2[0] = kTwoPi / 0.08;
  RefineOptions options;
  options.StartBudget = 0.05;
  const RefinementResult result = RefineBothModels(obs, table, 0.05, options);
  ASSERT_LT(result.RefinementBand, result.SearchBand);
  EXPECT_LT(result.PeakFalseAlarm[0], 1e-6);
  EXPECT_FALSE(AnyNoteHas(RefinementNotes(result, ModelKind::Sum), "strongest periodogram peak"));
}

// Two harmonics closer than a resolution fit one line between them: each adds little beside the
// other, which is no sign of noise, and the note says they share a line instead. Where each is
// clearly more than noise they are two close lines, whose intervals may understate.
TEST(RefinementNotes, HarmonicsOnOneLineAreNotCalledNoise) {
  const struct {
    double B2, Alarm;
    bool Shared, TwoLines;
  } cases[] = {
      {0.1683, 0.5, true, false}, {0.6908, 0.5, false, false}, {0.1683, 1e-4, false, true}};
  for (const auto& c : cases) {
    RefinementResult result;
    result.Span = 10000;
    result.PeakFalseAlarm[0] = 0;
    ModelFit& fit = result.Refined[0];
    fit.Coefficients.Count = 2;
    fit.Coefficients.A[0] = fit.Coefficients.A[1] = 1;
    fit.Coefficients.B[0] = 0.1684;
    fit.Coefficients.B[1] = c.B2;
    fit.HarmonicFalseAlarm[0] = fit.HarmonicFalseAlarm[1] = c.Alarm;
    const std::vector<std::string> notes = RefinementNotes(result, ModelKind::Sum);
    EXPECT_EQ(AnyNoteHas(notes, "Harmonics 1 and 2 (refined) lie on one line"), c.Shared);
    EXPECT_EQ(AnyNoteHas(notes, "noise alone could explain"), c.Alarm > 0.01 && !c.Shared);
    EXPECT_EQ(AnyNoteHas(notes, "(refined) are two lines"), c.TwoLines);
    EXPECT_EQ(AnyNoteHas(notes, "intervals may understate the uncertainty"), c.TwoLines);
  }
}

}  // namespace
