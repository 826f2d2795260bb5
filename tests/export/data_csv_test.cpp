#include "export/data_csv.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "state/app_state.h"

namespace {

using Row = std::vector<double>;

// Reads one field the way a strict reader would: the whole field must be one number.
double ReadField(const std::string& field) {
  double v = 0;
  const auto result = std::from_chars(field.data(), field.data() + field.size(), v);
  EXPECT_EQ(result.ec, std::errc()) << field;
  EXPECT_EQ(result.ptr, field.data() + field.size()) << field;
  return v;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) fields.push_back(field);
  return fields;
}

struct ParsedCsv {
  std::vector<std::string> Comments;
  std::string Header;
  std::vector<Row> Rows;
};

ParsedCsv ParseCsv(const std::string& text) {
  ParsedCsv out;
  std::stringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with('#')) {
      EXPECT_TRUE(out.Header.empty()) << "comment after the header: " << line;
      out.Comments.push_back(line);
    } else if (out.Header.empty()) {
      out.Header = line;
    } else {
      Row row;
      for (const std::string& f : SplitFields(line)) row.push_back(ReadField(f));
      out.Rows.push_back(row);
    }
  }
  return out;
}

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A prepared-looking set of the given points (PlotX and OrigY are what the file shows).
AppState StateWithPoints(const std::vector<std::pair<double, double>>& points) {
  AppState state;
  ObservationSet& obs = state.Observations;
  obs.LastIndex = static_cast<int>(points.size()) - 1;
  for (size_t i = 0; i < points.size(); ++i) {
    obs.PlotX[i] = points[i].first;
    obs.OrigY[i] = points[i].second;
    obs.X[i] = 1000;  // the working copies must not be what is written
    obs.WorkY[i] = -1000;
  }
  return state;
}

TEST(CsvNumber, AwkwardValuesReadBackToTheSameBits) {
  const double values[] = {0.1,
                           1.0 / 3,
                           -2.0 / 3,
                           0.0,
                           -0.0,
                           1e300,
                           -1e-300,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::nextafter(1.0, 2.0),
                           std::nextafter(1.0, 0.0),
                           123456789012345678.0,
                           3.276986428};
  for (double v : values) {
    SCOPED_TRACE(v);
    const std::string text = CsvNumber(v);
    EXPECT_EQ(text.find_first_of(", "), std::string::npos);
    EXPECT_TRUE(SameBits(ReadField(text), v));
  }
}

TEST(CsvNumber, WritesSeventeenSignificantDigitsWithAFullStop) {
  const struct {
    double Value;
    const char* Text;
  } cases[] = {
      {0.1, "0.10000000000000001"},
      {0.5, "0.5"},
      {-0.0, "-0"},
      {2.5e-7, "2.4999999999999999e-07"},
      {1e300, "1.0000000000000001e+300"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(CsvNumber(c.Value), c.Text);
  }
}

TEST(WriteDataCsv, BeforeAFitOnlyXAndYAreWrittenAndReadBackExactly) {
  AppState state = StateWithPoints({{-1.5, 0.1}, {0.2, -0.0}, {1.0 / 3, 1e-310}, {7, 2.0 / 3}});
  state.FitStage = 0;
  state.Coefficients.HarmonicCount = 2;  // stale coefficients of a previous data set
  state.Coefficients.A[0] = 5;
  const ParsedCsv csv = ParseCsv(WriteDataCsv(state));
  EXPECT_TRUE(csv.Comments.empty());
  EXPECT_EQ(csv.Header, "x,y");
  ASSERT_EQ(csv.Rows.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(csv.Rows[i].size(), 2u);
    EXPECT_TRUE(SameBits(csv.Rows[i][0], state.Observations.PlotX[i]));
    EXPECT_TRUE(SameBits(csv.Rows[i][1], state.Observations.OrigY[i]));
  }
}

TEST(WriteDataCsv, DuringAFitTheHalfFoundModelsAreNotWritten) {
  AppState state = StateWithPoints({{0, 1}, {1, 2}, {2, 3}, {3, 4}});
  state.FitStage = 1;
  state.Coefficients.HarmonicCount = 1;
  EXPECT_EQ(WriteDataCsv(state), "x,y\n0,1\n1,2\n2,3\n3,4\n");
}

TEST(WriteDataCsv, AfterAFitEveryRowHoldsBothModelsAndTheirResiduals) {
  AppState state = StateWithPoints({{0, 1}, {0.75, -0.25}, {1.5, 2}, {3.25, 0.125}, {10, 4}});
  state.FitStage = 2;
  CoefficientTable& t = state.Coefficients;
  t.HarmonicCount = 2;
  t.A[0] = 1.5, t.B[0] = 2, t.C[0] = 0.25;
  t.A[1] = 0.5, t.B[1] = 0.3, t.C[1] = 6;
  t.A2[0] = 0.75, t.B2[0] = 1.25, t.C2[0] = 3;
  t.A2[1] = 0.1, t.B2[1] = 4, t.C2[1] = 1;
  t.A[2] = 99;  // beyond N: never used
  const ParsedCsv csv = ParseCsv(WriteDataCsv(state));
  EXPECT_EQ(csv.Header, "x,y,model1,model2,residual1,residual2");
  ASSERT_EQ(csv.Rows.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const Row& r = csv.Rows[i];
    ASSERT_EQ(r.size(), 6u);
    const double x = state.Observations.PlotX[i];
    const double y = state.Observations.OrigY[i];
    const double m1 = 1.5 * std::sin(2 * x + 0.25) + 0.5 * std::sin(0.3 * x + 6);
    const double s2 = 0.75 * std::sin(1.25 * x + 3) + 0.1 * std::sin(4 * x + 1);
    EXPECT_TRUE(SameBits(r[0], x));
    EXPECT_TRUE(SameBits(r[1], y));
    EXPECT_TRUE(SameBits(r[2], m1));
    EXPECT_TRUE(SameBits(r[3], s2 * s2));
    EXPECT_TRUE(SameBits(r[4], y - m1));
    EXPECT_TRUE(SameBits(r[5], y - s2 * s2));
  }
}

TEST(WriteDataCsv, TheSettingsSeedsAndCoefficientsStandInCommentLinesThatReadBackExactly) {
  AppState state = StateWithPoints({{0, 1}, {1, 2}, {2, 3}, {3, 4}});
  state.FitStage = 2;
  state.LastFit = {1, 50000, 1.0 / 3};
  state.StageSeeds[0] = 4294967295u;
  state.StageSeeds[1] = 7;
  CoefficientTable& t = state.Coefficients;
  t.HarmonicCount = 1;
  t.A[0] = 0.1, t.B[0] = 1.0 / 3, t.C[0] = 6.2;
  t.A2[0] = 2.0 / 3, t.B2[0] = 0.7, t.C2[0] = 1e-5;
  state.RelDeviation = 12.5;
  state.SavedDeviation = 3.25;
  const ParsedCsv csv = ParseCsv(WriteDataCsv(state));
  std::vector<Row> harmonics;  // the "# modelN k,A,B,C" lines, model 1 first
  bool sawDeviation1 = false, sawDeviation2 = false;
  for (const std::string& line : csv.Comments) {
    if (line == "# model1 relative deviation % = 12.5") sawDeviation1 = true;
    if (line == "# model2 relative deviation % = 3.25") sawDeviation2 = true;
    for (const char* prefix : {"# model1 1,", "# model2 1,"}) {
      if (!line.starts_with(prefix)) continue;
      Row row;
      for (const std::string& f : SplitFields(line.substr(std::string(prefix).size()))) {
        row.push_back(ReadField(f));
      }
      harmonics.push_back(row);
    }
  }
  EXPECT_EQ(csv.Comments.front(),
            "# Harmora fit with 1 harmonics, depth 50000, minimum period 0.33333333333333331, "
            "seeds 4294967295,7");
  EXPECT_TRUE(sawDeviation1);
  EXPECT_TRUE(sawDeviation2);
  ASSERT_EQ(harmonics.size(), 2u);
  EXPECT_EQ(harmonics[0], (Row{0.1, 1.0 / 3, 6.2}));
  EXPECT_EQ(harmonics[1], (Row{2.0 / 3, 0.7, 1e-5}));
}

TEST(WriteDataCsv, AHundredObservationsGiveAHundredRowsInOrder) {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 100; ++i) points.push_back({i * 0.1, std::sqrt(i)});
  AppState state = StateWithPoints(points);
  const ParsedCsv csv = ParseCsv(WriteDataCsv(state));
  ASSERT_EQ(csv.Rows.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(SameBits(csv.Rows[i][0], i * 0.1)) << i;
  EXPECT_EQ(WriteDataCsv(state).back(), '\n');
}

}  // namespace
