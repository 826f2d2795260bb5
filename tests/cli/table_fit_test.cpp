// harmora-fit --table: columns picked by name or number, several y columns as series with their
// seed rule, and every table or column that cannot be taken refused with its reason.
#include "cli/table_fit.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <sstream>

#include "tests/cli/cli_test_support.h"
#include "tests/estimate_coverage.h"

namespace {

// t, a, b and s columns of 40 rows; b is empty in row 6. Decimal commas and ';' when asked.
std::string Table(bool decimalComma = false) {
  std::ostringstream text;
  text.precision(17);
  const char separator = decimalComma ? ';' : ',';
  text << "t" << separator << "a" << separator << "b" << separator << "s\n";
  for (int i = 0; i < 40; ++i) {
    const double t = 0.5 * i;
    text << t << separator << 2 * std::sin(0.9 * t + 0.3) + 0.1 * std::sin(7.7 * i * i)
         << separator;
    if (i != 6) text << std::cos(0.4 * t) + 0.1 * std::sin(3.3 * i * i);
    text << separator << 0.1 + 0.01 * (i % 3) << '\n';
  }
  std::string out = text.str();
  if (decimalComma) {
    for (char& ch : out) ch = ch == '.' ? ',' : ch;
  }
  return out;
}

// The JSON record's text after its "count" field: the fit, whatever the file and series.
std::string FitPart(const std::string& line) { return line.substr(line.find("\"count\"")); }

TEST(HarmoraFitTable, EachYColumnIsTheSeriesFittedAloneWithItsSeeds) {
  DataFolder folder;
  const std::string path = folder.Write("table.csv", Table());
  const ToolRun both = RunTool({"--table",
                                "--format",
                                "json",
                                "--seed",
                                "10,20",
                                "--y-column",
                                "a",
                                "--y-column",
                                "3",
                                path});
  ASSERT_EQ(both.Status, kFitAllDone) << both.Err;
  const std::vector<std::string> lines = Lines(both.Out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("\"series\":\"a\",\"rows_left_out\":0,\"count\":40,"), std::string::npos);
  EXPECT_NE(lines[1].find("\"series\":\"b\",\"rows_left_out\":1,\"count\":39,"), std::string::npos);
  EXPECT_NE(lines[1].find("\"seeds\":[12,22]"), std::string::npos) << lines[1];
  const ToolRun alone =
      RunTool({"--table", "--format", "json", "--seed", "12,22", "--y-column", "b", path});
  EXPECT_EQ(FitPart(alone.Out), FitPart(lines[1] + "\n"));
  // The same pairs as a plain data file give the same fit, bit for bit.
  std::ostringstream pairs;
  pairs.precision(17);
  std::istringstream rows(Table());
  std::string row;
  std::getline(rows, row);
  for (int i = 0; std::getline(rows, row); ++i) {
    std::istringstream cells(row);
    std::string t, a;
    std::getline(cells, t, ',');
    std::getline(cells, a, ',');
    pairs << t << ' ' << a << '\n';
  }
  const std::string plain = folder.Write("pairs.txt", pairs.str());
  EXPECT_EQ(FitPart(RunTool({"--format", "json", "--seed", "10,20", plain}).Out),
            FitPart(lines[0] + "\n"));
}

TEST(HarmoraFitTable, TakesWhatItCanAndRefusesTheRestWithTheReason) {
  std::string long150 = "x,y\n";
  for (int i = 0; i < 150; ++i) long150 += std::to_string(i) + "," + std::to_string(i % 5) + "\n";
  const struct {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> Args;
    int Count;          // 0: refused
    std::string Error;  // the refusal's text after the name
  } cases[] = {
      {"semicolons.csv", Table(true), {"--y-column", "b"}, 39, ""},
      {"comma_forced.csv", Table(true), {"--decimal-comma", "--x-column", "t"}, 40, ""},
      {"sigma.csv", Table(), {"--sigma-column", "s"}, 40, ""},
      {"no_column.csv", Table(), {"--y-column", "z"}, 0, ": no column 'z'"},
      {"text.csv",
       "x,y,name\n1,2,a\n2,3,b\n3,4,c\n4,5,d\n",
       {"--y-column", "name"},
       0,
       " [name]: column 3 'name' holds text, not numbers"},
      {"nul.csv", std::string("x,y\n1,2\0\n", 9), {}, 0, ": NUL bytes: no text"},
      {"long.csv", long150, {}, 150, ""},  // past the plain reader's 100 pairs
  };
  DataFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = folder.Write(c.Name, c.Bytes);
    std::vector<std::string> args = {"--table", "--format", "json", "--seed", "1", path};
    args.insert(args.begin() + 1, c.Args.begin(), c.Args.end());
    const ToolRun run = RunTool(args);
    if (c.Count > 0) {
      EXPECT_EQ(run.Status, kFitAllDone) << run.Err;
      EXPECT_NE(run.Out.find(",\"count\":" + std::to_string(c.Count) + ","), std::string::npos)
          << run.Out;
    } else {
      EXPECT_EQ(run.Status, kFitFileFailed);
      EXPECT_EQ(run.Err.rfind("harmora-fit: " + path + c.Error, 0), 0u) << run.Err;
      EXPECT_NE(run.Out.find("\"error\":"), std::string::npos) << run.Out;
    }
  }
  // The σ column weights the refinement, which it implies.
  DataFolder other;
  const ToolRun weighted = RunTool({"--table",
                                    "--format",
                                    "json",
                                    "--seed",
                                    "1",
                                    "--sigma-column",
                                    "s",
                                    other.Write("w.csv", Table())});
  EXPECT_NE(weighted.Out.find("\"reduced_chi2\":"), std::string::npos) << weighted.Out;
  // Columns left over when y was guessed are named; with y named, nothing is said.
  const std::string path = other.Write("t.csv", Table());
  EXPECT_NE(RunTool({"--table", "--seed", "1", path})
                .Err.find("columns of numbers not fitted: 3 'b', 4 's' (--all-columns"),
            std::string::npos);
  EXPECT_EQ(RunTool({"--table", "--seed", "1", "--y-column", "a", path}).Err, "");
  // x read from dates is days, and the report says from when.
  const std::string dates = other.Write(
      "d.csv", "when,v\n1899-12-30,1\n1900-01-02,3\n1900-01-04,2\n1900-01-06,5\n1900-01-09,4\n");
  EXPECT_NE(RunTool({"--table", "--seed", "1", dates})
                .Err.find("d.csv [v]: x is days since 00:00 of 1899-12-30 (periods in days)\n"),
            std::string::npos);
  // JSON names the columns x was read from, here a year beside its month.
  const std::string months =
      other.Write("m.csv", "Year,Month,v\n2000,1,5\n2000,2,6\n2000,3,5\n2001,1,4\n2001,2,6\n");
  EXPECT_NE(RunTool({"--table", "--format", "json", "--seed", "1", months})
                .Out.find("\"x_columns\":\"1 'Year', 2 'Month'\""),
            std::string::npos);
}

// Daily values of a level of 15 and a 365.25-day cycle plus noise, written as a CSV with a
// header as a logger or pandas would, and fitted as `harmora-fit --table --constant --period
// 365.25` does: a linear fit, so its 95 % intervals of the level, the amplitude and the phase must
// each hold the truth in 95 % of noise draws. Over 400 draws a right interval's count is 380 with
// a binomial standard deviation of 4.4; below 366 (91.5 %) or above 394 the intervals are wrong
// (a chance of about 0.1 % each way for right ones).
void ExpectSeasonalCoverage(int rows) {
  constexpr int kDraws = 400;
  constexpr double kLevel = 15, kAmplitude = 4, kPhase = 2.5, kPeriod = 365.25;
  const ParsedOptions parsed =
      ParseFitOptions({"--table", "--constant", "--period", "365.25", "table.csv"});
  ASSERT_TRUE(parsed.Error.empty()) << parsed.Error;
  std::mt19937_64 random(20261209);
  std::normal_distribution<double> noise(0, 3);
  DataFolder folder;
  int covered[3] = {0, 0, 0};  // level, amplitude, phase
  for (int draw = 0; draw < kDraws; ++draw) {
    std::string text = "day,temperature\n";
    char number[32];
    for (int day = 0; day < rows; ++day) {
      const double cycle = kAmplitude * std::sin(2 * std::numbers::pi / kPeriod * day + kPhase);
      text += std::to_string(day) + ',';
      text.append(
          number,
          std::to_chars(number, number + sizeof number, kLevel + cycle + noise(random)).ptr);
      text += '\n';
    }
    int fits = 0;
    FitTableFile(
        folder.Write("table.csv", text), parsed.Options, [&](std::unique_ptr<FileFit> fitted) {
          ++fits;
          const FileFit& result = *fitted;
          ASSERT_TRUE(result.Refined) << result.Error;
          ASSERT_EQ(result.Fit.Count, rows);
          const ModelFit& fit = result.Refinement.Refined[0];
          ASSERT_EQ(fit.Ended, Termination::Solved);
          covered[0] += Covers(fit.Constant, kLevel);
          covered[1] += Covers(fit.A[0], kAmplitude);
          covered[2] += CoversPhase(fit.C[0], kPhase);
        });
    ASSERT_EQ(fits, 1);
  }
  std::printf("%d rows: level %d, amplitude %d, phase %d of %d\n",
              rows,
              covered[0],
              covered[1],
              covered[2],
              kDraws);
  for (int count : covered) {
    EXPECT_GE(count, 366);
    EXPECT_LE(count, 394);
  }
}

// Some 16 months of days: what the suite can afford in every build and locale.
TEST(HarmoraFitTable, SeasonalIntervalsCoverTheTruthInNinetyFivePercentOfDraws) {
  ExpectSeasonalCoverage(500);
}

// 10,000 days, about 0.4 s of CPU a draw (the trust check's periodograms of both models), so
// run by hand: cli_tests --gtest_also_run_disabled_tests --gtest_filter='*TenThousand*'.
TEST(HarmoraFitTable, DISABLED_SeasonalIntervalsCoverTheTruthOverTenThousandRows) {
  ExpectSeasonalCoverage(10000);
}

// Where x was read from dates, its axis says from which day it counts.
TEST(HarmoraFitTable, APlotOfDatesNamesTheDayItsAxisCountsFrom) {
  DataFolder folder;
  std::string table = "quarter,gdp\n";
  for (int q = 0; q < 12; ++q) {
    table += std::to_string(2000 + q / 4) + "Q" + std::to_string(q % 4 + 1) + "," +
             std::to_string(100 + q % 4 * 3 + q) + "\n";
  }
  const std::string path = folder.Path + "/plot.svg";
  const ToolRun run =
      RunTool({"--seed", "3", "--table", "--plot", path, folder.Write("gdp.csv", table)});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  std::ifstream svg(path);
  const std::string bytes{std::istreambuf_iterator<char>(svg), std::istreambuf_iterator<char>()};
  EXPECT_NE(bytes.find(">quarter, days since 2000-01-01<"), std::string::npos);
}

// Up to 100 observations the default is the window's random search, bit for bit; above, the
// periodogram's. The JSON names the search that ran, the report says it only outside the
// window's data.
TEST(HarmoraFitSearch, TheDefaultIsTheRandomSearchUpToAHundredObservations) {
  const struct {
    int Count;
    const char* Search;
    const char* Same;  // the explicit search the default must repeat
  } cases[] = {{100, "random", "random"}, {101, "periodogram", "periodogram"}};
  DataFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Count);
    const std::string path = folder.Write("tones.txt", TwoToneData(c.Count));
    const std::vector<std::string> args = {
        "--table", "-n", "2", "--seed", "3", "--format=json", path};
    const ToolRun byDefault = RunTool(args);
    ASSERT_EQ(byDefault.Status, kFitAllDone) << byDefault.Err;
    std::vector<std::string> named = args;
    named.insert(named.begin(), std::string("--search=") + c.Same);
    EXPECT_EQ(RunTool(named).Out, byDefault.Out);
    EXPECT_NE(byDefault.Out.find(std::string("\"search\":\"") + c.Search + "\""),
              std::string::npos);
    const ToolRun report = RunTool({"--table", "-n", "2", "--seed", "3", path});
    EXPECT_EQ(report.Out.find("# search: periodogram") != std::string::npos, c.Count > 100);
  }
  EXPECT_EQ(RunTool({"--search=auto", "x.txt"}).Status, kFitUsageError);
}

}  // namespace
