#include "report/least_squares_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const std::uint32_t kSeeds[2] = {123456789u, 4000000000u};

Estimate Known(double value, double error, double lower, double upper) {
  return Estimate{value, error, lower, upper, true};
}

// A one-harmonic fit whose estimates are all determined.
ModelFit DeterminedFit(double a, double b, double c) {
  ModelFit fit;
  fit.Coefficients.Count = 1;
  fit.Coefficients.A[0] = a;
  fit.Coefficients.B[0] = b;
  fit.Coefficients.C[0] = c;
  fit.A[0] = Known(a, 0.25, a - 0.5, a + 0.5);
  fit.B[0] = Known(b, 0.001, b - 0.002, b + 0.002);
  fit.C[0] = Known(c, 0.01, c - 0.02, c + 0.02);
  const double period = 2 * std::numbers::pi / b;
  fit.Period[0] = Known(period, 0.1, period - 0.2, period + 0.2);
  fit.Statistics = {0.5, 0.1, 0.99, 0.98, -20.5, -18.25, 0.000000001, 3, 47};
  fit.Starts = 12;
  fit.Hits = 7;
  return fit;
}

// The first line that starts with `label` followed by a blank.
std::string LineOf(const std::vector<std::string>& lines, const std::string& label, int skip = 0) {
  for (const std::string& line : lines) {
    if (line.rfind(label + " ", 0) == 0 && skip-- == 0) return line;
  }
  return "(no line " + label + ")";
}

// Column of a text in a line, in characters on screen (UTF-8 continuation bytes take none).
size_t ColumnOf(const std::string& line, const std::string& text) {
  const size_t at = line.find(text);
  if (at == std::string::npos) return std::string::npos;
  size_t column = 0;
  for (size_t i = 0; i < at; ++i) column += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
  return column;
}

bool HasNonNumber(const std::vector<std::string>& lines) {
  for (std::string line : lines) {
    std::transform(line.begin(), line.end(), line.begin(), [](unsigned char c) {
      return static_cast<char>(std::tolower(c));
    });
    if (line.find("nan") != std::string::npos || line.find("inf") != std::string::npos) {
      return true;
    }
  }
  return false;
}

TEST(CompactText, SixSignificantDigitsAndADashForWhatIsNotANumber) {
  const struct {
    double Value;
    const char* Text;
  } kCases[] = {
      {0.000123456789, "0.000123457"},
      {1e-12, "1e-12"},
      {2300.5, "2300.5"},
      {-20.5, "-20.5"},
      {123456789, "1.23457e+08"},
      {0, "0"},
      {kNaN, "—"},
      {kInf, "—"},
      {-kInf, "—"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(CompactText(c.Value), c.Text);
  }
}

TEST(CoefficientText, NineDecimalsAsTheReportAndADashForWhatIsNotANumber) {
  EXPECT_EQ(CoefficientText(1.5), "1.500000000");
  EXPECT_EQ(CoefficientText(-0.0), "-0.000000000");
  EXPECT_EQ(CoefficientText(kNaN), "—");
  EXPECT_EQ(CoefficientText(kInf), "—");
}

TEST(LeastSquaresLines, DeterminedEstimatesShowValueErrorAndInterval) {
  RefinementResult r;
  r.Search[0] = DeterminedFit(1.4, 2, 0.25);
  r.Search[0].Starts = 0;  // the search's own result
  r.Refined[0] = DeterminedFit(1.5, 2, 0.25);
  r.Search[1] = DeterminedFit(0.5, 4, 1);
  r.Refined[1] = DeterminedFit(0.5, 4, 1);

  const std::vector<std::string> lines = LeastSquaresLines(r, kSeeds, false);

  const std::string a = LineOf(lines, "A1");
  EXPECT_NE(a.find("1.400000000"), std::string::npos) << a;
  EXPECT_NE(a.find("1.500000000"), std::string::npos) << a;
  EXPECT_LT(a.find("1.400000000"), a.find("1.500000000")) << "search before refined";
  EXPECT_NE(LineOf(lines, "  std. error").find("0.25"), std::string::npos);
  EXPECT_NE(LineOf(lines, "  95% CI").find("[1.000000000, 2.000000000]"), std::string::npos);
  EXPECT_NE(LineOf(lines, "Period 1").find("3.141592654"), std::string::npos);
  const std::string starts = LineOf(lines, "Starts");
  EXPECT_EQ(ColumnOf(starts, "—"), 20u) << starts;
  EXPECT_EQ(ColumnOf(starts, "12"), ColumnOf(a, "1.500000000")) << starts;
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Refined:       Relative deviation = 0.000000001 %"),
      lines.end());
  EXPECT_EQ(lines.back(),
            "Stage seeds of the search: 123456789 (stage 1, model 2), 4000000000 (stage 2, "
            "model 1)");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Model 2: F(x) = (sum of A*sin(B*x+C))^2"), 1);
  EXPECT_FALSE(HasNonNumber(lines));

  // Model 1's peak is within noise: its block says so above the intervals, model 2's does not.
  r.PeakFalseAlarm[0] = 0.25;
  r.PeakFalseAlarm[1] = 1e-9;
  const std::vector<std::string> noted = LeastSquaresLines(r, kSeeds, false);
  const auto note = std::find_if(noted.begin(), noted.end(), [](const std::string& line) {
    return line.rfind("Note: Not to be trusted: ", 0) == 0;
  });
  ASSERT_NE(note, noted.end());
  // The sentence wraps onto indented lines so that the window needs no horizontal scrolling.
  std::string sentence = *note;
  for (auto more = note + 1; more != noted.end() && more->rfind("      ", 0) == 0; ++more) {
    EXPECT_LE(more->size(), 90u) << *more;
    sentence += ' ' + more->substr(6);
  }
  EXPECT_LE(note->size(), 90u) << *note;
  EXPECT_NE(sentence.find(" 25 % "), std::string::npos) << sentence;
  EXPECT_LT(note - noted.begin(),
            std::find(noted.begin(), noted.end(), LineOf(noted, "A1")) - noted.begin());
  EXPECT_EQ(std::count_if(noted.begin(),
                          noted.end(),
                          [](const std::string& line) { return line.rfind("Note: ", 0) == 0; }),
            1);
}

// Undetermined estimates, a zero frequency and statistics that are not numbers (no degrees of
// freedom, a perfect fit's log of 0) all show as a dash, and the columns stay aligned.
TEST(LeastSquaresLines, WhatCannotBeGivenShowsADashInItsColumn) {
  RefinementResult r;
  for (int m = 0; m < 2; ++m) {
    ModelFit& search = r.Search[m];
    search.Coefficients.Count = 2;
    search.Coefficients.A[0] = 1;
    search.Coefficients.B[0] = 0;  // no period
    search.A[0].Determined = false;
    search.Statistics = {0, 0, kNaN, kNaN, -kInf, -kInf, 0, 6, -2};
    r.Refined[m] = DeterminedFit(1.5, 2, 0.25);
    r.Refined[m].Statistics.Aic = kNaN;
  }

  const std::vector<std::string> lines = LeastSquaresLines(r, kSeeds, false);

  EXPECT_FALSE(HasNonNumber(lines));
  const std::string period = LineOf(lines, "Period 1");
  EXPECT_EQ(period.find("—"), 20u) << period;
  const std::string error = LineOf(lines, "  std. error");
  EXPECT_EQ(error.find("—"), 20u) << error;
  // The refined column starts at the same screen column after a dash as after a number.
  const size_t refined = ColumnOf(LineOf(lines, "A1"), "1.500000000");
  EXPECT_EQ(ColumnOf(error, "0.25"), refined) << error;
  EXPECT_EQ(ColumnOf(LineOf(lines, "R²"), "0.99"), refined);
  EXPECT_EQ(ColumnOf(LineOf(lines, "AIC"), "—"), 20u);
  EXPECT_NE(LineOf(lines, "Adjusted").find("—"), std::string::npos);
  // The second harmonic exists only in the search's column.
  EXPECT_EQ(LineOf(lines, "A2").find("1.500000000"), std::string::npos);
}

TEST(LeastSquaresLines, TheConstantColumnShowsOnlyWhenAskedForAndComputed) {
  RefinementResult r;
  for (int m = 0; m < 2; ++m) {
    r.Search[m] = DeterminedFit(1.4, 2, 0.25);
    r.Refined[m] = DeterminedFit(1.5, 2, 0.25);
    r.WithConstant[m] = DeterminedFit(1.25, 2, 0.25);
    r.WithConstant[m].HasConstant = true;
    r.WithConstant[m].Constant = Known(7.125, 0.5, 6, 8.25);
  }

  const std::vector<std::string> without = LeastSquaresLines(r, kSeeds, false);
  const std::vector<std::string> with = LeastSquaresLines(r, kSeeds, true);

  EXPECT_EQ(LineOf(without, "c0"), "(no line c0)");
  EXPECT_EQ(LineOf(without, "A1").find("1.250000000"), std::string::npos);
  const std::string c0 = LineOf(with, "c0");
  EXPECT_EQ(ColumnOf(c0, "7.125000000"), ColumnOf(LineOf(with, "A1"), "1.250000000")) << c0;
  EXPECT_NE(LineOf(with, "  95% CI", 4).find("[6.000000000, 8.250000000]"), std::string::npos);
  EXPECT_NE(
      std::find(with.begin(), with.end(), "With constant: Relative deviation = 0.000000001 %"),
      with.end());
  EXPECT_EQ(LineOf(with, "c0", 1).find("7.125000000"), ColumnOf(LineOf(with, "A1"), "1.250000000"))
      << "model 2 has its own c0 line";

  r.WithConstant[1].HasConstant = false;  // not computed for model 2
  EXPECT_EQ(LineOf(LeastSquaresLines(r, kSeeds, true), "c0", 1), "(no line c0)");
}

// A wide interval in one column moves that whole column: every row's cells still start together.
TEST(LeastSquaresLines, ColumnsStayAlignedBesideAWideInterval) {
  RefinementResult r;
  for (int m = 0; m < 2; ++m) {
    r.Search[m] = DeterminedFit(1.4, 2, 0.25);
    r.Refined[m] = DeterminedFit(1.5, 2, 0.25);
    const double wide = m == 0 ? 123456789.5 : 123456789012345.5;  // past 1e9: six digits
    r.Refined[m].A[0] = Known(1.5, 1e15, -wide, wide);
    r.WithConstant[m] = DeterminedFit(1.25, 2, 0.25);
    r.WithConstant[m].HasConstant = true;
  }
  r.WithConstant[0].Hits = 5;
  const std::vector<std::string> lines = LeastSquaresLines(r, kSeeds, true);
  const size_t third = ColumnOf(LineOf(lines, "A1"), "1.250000000");
  EXPECT_EQ(ColumnOf(LineOf(lines, "  95% CI"), "[0.750000000"), third);
  EXPECT_EQ(ColumnOf(LineOf(lines, "Hits"), "5"), third);
  EXPECT_EQ(ColumnOf(LineOf(lines, "  95% CI"), "[-123456789.500000000, 123456789.500000000]"),
            ColumnOf(LineOf(lines, "A1"), "1.500000000"));
  EXPECT_EQ(std::count_if(lines.begin(),
                          lines.end(),
                          [](const std::string& line) {
                            return line.find("[-1.23457e+14, 1.23457e+14]") != std::string::npos;
                          }),
            1);
}

// Model 2 is fitted in sqrt(y) space: that objective's statistics come first and are labelled,
// the square's against y beside them; without degrees of freedom no R² or criteria are shown.
TEST(LeastSquaresLines, ModelTwoShowsItsMinimisedObjectiveAndNoCriteriaWithoutFreedom) {
  RefinementResult r;
  for (int m = 0; m < 2; ++m) {
    r.Search[m] = DeterminedFit(1.4, 2, 0.25);
    r.Refined[m] = DeterminedFit(1.5, 2, 0.25);
    r.Refined[m].StageStatistics = {0.03125, 0.1, 0.75, 0.7, -40.5, -38.25, 0, 3, 47};
  }
  std::vector<std::string> lines = LeastSquaresLines(r, kSeeds, false);
  EXPECT_EQ(LineOf(lines, "SSE in y").find("0.5", 21),
            ColumnOf(LineOf(lines, "A1"), "1.500000000"));
  EXPECT_NE(LineOf(lines, "SSE", 1).find("0.03125"), std::string::npos) << "model 2's objective";
  EXPECT_NE(LineOf(lines, "AIC", 1).find("-40.5"), std::string::npos);
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Minimised objective, S against sqrt(max(y, 0)):"),
      lines.end());

  for (int m = 0; m < 2; ++m) {
    r.Refined[m].Statistics = {0, 0, 1, 1, -581, -575, 0, 15, -5};
    r.Refined[m].StageStatistics = r.Refined[m].Statistics;
  }
  lines = LeastSquaresLines(r, kSeeds, false);
  for (const char* label : {"R²", "AIC", "BIC"}) {
    SCOPED_TRACE(label);
    const std::string line = LineOf(lines, label);
    EXPECT_EQ(ColumnOf(line, "—"), ColumnOf(LineOf(lines, "A1"), "1.500000000")) << line;
  }
  EXPECT_EQ(LineOf(lines, "No").rfind("No degrees of freedom left", 0), 0u);
}

TEST(PairWithSearch, RowsOfOneIndexShowTheSameHarmonic) {
  const struct {
    std::vector<double> Search, Refined, Expected;
  } kCases[] = {
      {{1, 3}, {3.01, 0.99}, {0.99, 3.01}},
      {{5, 1, 3}, {1.1, 2.9, 5.2}, {5.2, 1.1, 2.9}},
      {{1, 2}, {1.2, 1.9}, {1.2, 1.9}},        // already paired
      {{2, 2.1}, {2.12, 1.99}, {1.99, 2.12}},  // close frequencies
  };
  for (const auto& c : kCases) {
    HarmonicModel search;
    ModelFit fit;
    search.Count = fit.Coefficients.Count = static_cast<int>(c.Search.size());
    for (size_t k = 0; k < c.Search.size(); ++k) {
      search.B[k] = c.Search[k];
      fit.Coefficients.B[k] = c.Refined[k];
      fit.Coefficients.A[k] = 10 * c.Refined[k];  // travels with its frequency
      fit.Period[k].Value = 1 / c.Refined[k];
    }
    PairWithSearch(search, fit);
    for (size_t k = 0; k < c.Search.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_EQ(fit.Coefficients.B[k], c.Expected[k]);
      EXPECT_EQ(fit.Coefficients.A[k], 10 * c.Expected[k]);
      EXPECT_EQ(fit.Period[k].Value, 1 / c.Expected[k]);
    }
  }
}

TEST(ModelResiduals, AreTheDataMinusTheModelAsShown) {
  ObservationSet obs;
  obs.LastIndex = 1;
  obs.PlotX[0] = 0;
  obs.PlotX[1] = 0.5;
  obs.OrigY[0] = 10;
  obs.OrigY[1] = -1;
  ModelFit fit;
  fit.Coefficients.Count = 1;
  fit.Coefficients.A[0] = 2;
  fit.Coefficients.B[0] = std::numbers::pi;  // sin(pi*x + pi/2) is 1, then about 0
  fit.Coefficients.C[0] = std::numbers::pi / 2;

  std::vector<double> r = ModelResiduals(obs, fit, ModelKind::Sum);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_DOUBLE_EQ(r[0], 8);
  EXPECT_NEAR(r[1], -1, 1e-15);

  fit.HasConstant = true;
  fit.Constant.Value = 1;
  r = ModelResiduals(obs, fit, ModelKind::SquaredSum);
  EXPECT_DOUBLE_EQ(r[0], 1);  // 10 - (1 + 2)^2
  EXPECT_NEAR(r[1], -2, 1e-15);
}

}  // namespace
