#include "report/report_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/run_time_fault.h"
#include "state/app_state.h"

namespace {

struct Harmonic {
  double A, B, C;
};

// A state after a fit of the given harmonics, hand-set so the expected lines can be written out.
AppState FittedState(const std::vector<Harmonic>& model1,
                     const std::vector<Harmonic>& model2,
                     double relDeviation,
                     double savedDeviation) {
  AppState state;
  state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(model1.size());
  for (size_t k = 0; k < model1.size(); ++k) {
    state.Coefficients.A[k] = model1[k].A;
    state.Coefficients.B[k] = model1[k].B;
    state.Coefficients.C[k] = model1[k].C;
    state.Coefficients.A2[k] = model2[k].A;
    state.Coefficients.B2[k] = model2[k].B;
    state.Coefficients.C2[k] = model2[k].C;
  }
  state.RelDeviation = relDeviation;
  state.SavedDeviation = savedDeviation;
  return state;
}

// Where model 1's lines stand in a report of n harmonics: the formula's first line, then one
// line per term, a blank, the deviation, a blank, the table's heading and one row per harmonic.
int TermLine(int k) { return 1 + k; }
int DeviationLine(int n) { return n + 2; }
int TableRowLine(int n, int k) { return n + 5 + k; }

std::vector<std::string> ReportLines(const AppState& state) {
  std::vector<std::string> lines;
  WriteReport(state, [&lines](const std::string& line) { lines.push_back(line); });
  return lines;
}

TEST(WriteReport, OneHarmonicGivesSixteenLinesWithTheSquaredModelInBrackets) {
  const AppState state = FittedState({{1.5, 2, 0.25}}, {{0.5, 4, 1}}, 12.5, 3.25);
  const std::vector<std::string> expected = {
      "1) F(x)=",
      "1.500000000*sin(2.000000000*x+0.250000000)",
      "",
      "Relative deviation = 12.500000000 %",
      "",
      "Frequency                Period",
      "2.000000000              3.141592654",
      "",
      "",
      "2) F(x)=",
      "(0.500000000*sin(4.000000000*x+1.000000000))^2",
      "",
      "Relative deviation = 3.250000000 %",
      "",
      "Frequency                Period",
      "4.000000000              1.570796327",
  };
  EXPECT_EQ(ReportLines(state), expected);
}

TEST(WriteReport, ThreeHarmonicsJoinTheTermsWithPlusAndBracketOnlyTheSquaredSum) {
  const AppState state = FittedState(
      {{1, 0.5, 0}, {2, 1.25, 1}, {3, 3, 2}}, {{4, 2, 0.5}, {5, 0.25, 1.5}, {6, 1, 2.5}}, 0.125, 7);
  const std::vector<std::string> expected = {
      "1) F(x)=",
      "1.000000000*sin(0.500000000*x+0.000000000)+",
      "2.000000000*sin(1.250000000*x+1.000000000)+",
      "3.000000000*sin(3.000000000*x+2.000000000)",
      "",
      "Relative deviation = 0.125000000 %",
      "",
      "Frequency                Period",
      "0.500000000              12.566370614",
      "1.250000000              5.026548246",
      "3.000000000              2.094395102",
      "",
      "",
      "2) F(x)=",
      "(4.000000000*sin(2.000000000*x+0.500000000)+",
      "5.000000000*sin(0.250000000*x+1.500000000)+",
      "6.000000000*sin(1.000000000*x+2.500000000))^2",
      "",
      "Relative deviation = 7.000000000 %",
      "",
      "Frequency                Period",
      "2.000000000              3.141592654",
      "0.250000000              25.132741229",
      "1.000000000              6.283185307",
  };
  EXPECT_EQ(ReportLines(state), expected);
}

TEST(WriteReport, HasFourLinesPerHarmonicAndTwelveMore) {
  for (int n = 1; n <= kMaxHarmonics; ++n) {
    SCOPED_TRACE(n);
    const std::vector<Harmonic> harmonics(n, Harmonic{1, 1, 1});
    EXPECT_EQ(ReportLines(FittedState(harmonics, harmonics, 1, 1)).size(),
              static_cast<size_t>(4 * n + 12));
  }
}

TEST(WriteReport, WritesNegativeValuesWithTheirSign) {
  const AppState state = FittedState({{-1.5, -2, -0.25}}, {{1, 1, 0}}, -0.0, 0);
  const std::vector<std::string> lines = ReportLines(state);
  EXPECT_EQ(lines[TermLine(0)], "-1.500000000*sin(-2.000000000*x+-0.250000000)");
  EXPECT_EQ(lines[DeviationLine(1)], "Relative deviation = -0.000000000 %");
  EXPECT_EQ(lines[TableRowLine(1, 0)], "-2.000000000             -3.141592654");
}

// The period starts in column 26 while the frequency text leaves room; a longer text is
// followed directly by the period, never cut.
TEST(WriteReport, PadsTheFrequencyToTwentyFiveCharacters) {
  struct Row {
    double B;
    const char* Line;
  };
  const Row rows[] = {
      {0x1p44, "17592186044416.000000000 0.000000000"},    // 24 characters: one blank
      {-0x1p44, "-17592186044416.000000000-0.000000000"},  // 25: none
      {0x1p47, "140737488355328.0000000000.000000000"},    // 25: none
      {0x1p50, "1125899906842624.0000000000.000000000"},   // 26: none, not cut
      {1.0 / 1024, "0.000976563              6433.981754552"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Line);
    const AppState state = FittedState({{1, row.B, 0}}, {{1, 1, 0}}, 0, 0);
    EXPECT_EQ(ReportLines(state)[TableRowLine(1, 0)], row.Line);
  }
}

TEST(WriteReport, ReportsNoMoreThanNHarmonicsOfTheLastFit) {
  AppState state = FittedState({{1, 1, 0}, {2, 2, 0}}, {{1, 1, 0}, {2, 2, 0}}, 0, 0);
  state.Coefficients.B[2] = 0;  // a stale harmonic beyond N never reaches the report
  state.Controls.UpDown1 = 5;   // a later change of the harmonic count does not count either
  EXPECT_EQ(ReportLines(state).size(), 20u);
}

TEST(WriteReport, ZeroFrequencyFaultsAtItsPeriodAfterTheLinesBeforeIt) {
  AppState state = FittedState({{1, 1, 0}, {2, 0, 0}}, {{1, 1, 0}, {1, 1, 0}}, 0, 0);
  std::vector<std::string> lines;
  try {
    WriteReport(state, [&lines](const std::string& line) { lines.push_back(line); });
    FAIL() << "no fault";
  } catch (const RunTimeFault& fault) {
    EXPECT_EQ(fault.FaultKind, RunTimeFault::Kind::DivisionByZero);
    EXPECT_STREQ(fault.what(), kDivisionByZeroText);
  }
  ASSERT_EQ(lines.size(), static_cast<size_t>(TableRowLine(2, 1)));  // up to the faulting row
  EXPECT_EQ(lines[TableRowLine(2, 0)], "1.000000000              6.283185307");

  // In the squared model's table the fault comes after everything of model 1.
  state = FittedState({{1, 1, 0}}, {{1, 0, 0}}, 0, 0);
  lines.clear();
  EXPECT_THROW(WriteReport(state, [&lines](const std::string& line) { lines.push_back(line); }),
               RunTimeFault);
  EXPECT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines.back(), "Frequency                Period");
}

}  // namespace
