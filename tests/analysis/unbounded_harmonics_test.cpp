// Fits whose sum of squares is approached only as amplitudes grow without bound: the runaway
// harmonics are marked, their intervals taken away and the note names them; a fitted one is not.
#include "analysis/unbounded_harmonics.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "analysis/model_estimates.h"
#include "analysis/refinement_notes.h"
#include "tests/analysis/analysis_test_support.h"

namespace {

constexpr double kPi = std::numbers::pi;

TEST(UnboundedHarmonics, RunawayAmplitudesAreMarkedAndNamed) {
  struct Case {
    const char* Name;
    std::vector<Wave> Harmonics;
    bool HasConstant;
    double Constant;
    std::vector<bool> Unbounded;
    const char* Note;  // a piece of the note, "" for none
  };
  const Case cases[] = {
      {"merged", {{1e6, 1.0, 0}, {1e6, 1.0 + 1e-7, kPi}}, false, 0, {true, true}, "1 and 2 merge"},
      {"level", {{2, 1.1, 0.3}, {1e5, 1e-6, kPi / 2}}, true, 3 - 1e5, {false, true}, "constant"},
      {"fitted", {{2, 1.1, 0.3}, {0.5, 2.3, 1}}, true, 3, {false, false}, ""},
  };
  const ObservationSet obs = MakeWaveSample(UniformX(40, 0, 0.5), {{2, 1.1, 0.3}}, 3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ModelFit fit;
    fit.Coefficients.Count = static_cast<int>(c.Harmonics.size());
    for (int k = 0; k < fit.Coefficients.Count; ++k) {
      fit.Coefficients.A[k] = c.Harmonics[k].A;
      fit.Coefficients.B[k] = c.Harmonics[k].B;
      fit.Coefficients.C[k] = c.Harmonics[k].C;
    }
    fit.HasConstant = c.HasConstant;
    fit.Constant.Value = c.Constant;
    EvaluateModelFit(obs, ModelKind::Sum, fit);
    for (int k = 0; k < fit.Coefficients.Count; ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(fit.Unbounded[k], c.Unbounded[k]);
      if (c.Unbounded[k]) {
        EXPECT_FALSE(fit.A[k].Determined || fit.B[k].Determined);
      }
    }
    const std::string note = UnboundedNote("Refined", fit, 19.5, kPi / 0.5);
    EXPECT_EQ(note.empty(), *c.Note == '\0') << note;
    EXPECT_NE(note.find(c.Note), std::string::npos) << note;
    // Well determined (40 observations) and ended by agreeing hits, a limit is still no optimum.
    RefinementResult result;
    result.Span = 19.5;
    result.Refined[0] = fit;
    result.Refined[0].Starts = 50;
    result.Refined[0].Ended = Termination::EnoughHits;
    int noted = 0;
    for (const std::string& line : RefinementNotes(result, ModelKind::Sum)) {
      noted += line.rfind("Not certain to be the least-squares optimum (refined): its sum", 0) == 0;
    }
    EXPECT_EQ(noted, *c.Note != '\0' ? 1 : 0);
  }
}

}  // namespace
