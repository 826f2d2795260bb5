#include "cli/harmora_fit.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string_view>

#include "base/run_time_fault.h"
#include "cli/cairo_plot.h"
#include "data/data_file_messages.h"
#include "data/data_file_reader.h"
#include "data/import_check.h"
#include "export/data_csv.h"
#include "fit/fit_harmonics.h"
#include "report/report_text.h"
#include "state/app_state.h"
#include "tests/cli/cli_test_support.h"

namespace {

// The tool as the window reads and fits: --pairs --no-constant before the arguments, unless
// they ask for a table or a constant themselves. The notes that a harmonic carries the level,
// which the window's model without a constant often leaves to one, are left out of Err (they
// are tested beside the defaults).
ToolRun RunPairs(std::vector<std::string> args, Language language = Language::English) {
  const auto has = [&args](std::string_view prefix) {
    return std::any_of(args.begin(), args.end(), [prefix](const std::string& arg) {
      return std::string_view(arg).starts_with(prefix);
    });
  };
  const bool table = has("--table") || has("--x-column") || has("--y-column") ||
                     has("--sigma-column") || has("--decimal-comma") || has("--all-columns");
  if (!has("--constant") && !has("--no-constant")) args.insert(args.begin(), "--no-constant");
  if (!table && !has("--pairs")) args.insert(args.begin(), "--pairs");
  ToolRun run = RunTool(args, language);
  std::string err;
  for (const std::string& line : Lines(run.Err)) {
    if (line.find("completes less than half a cycle") == std::string::npos) err += line + '\n';
  }
  run.Err = err;
  return run;
}

// The window's fit of the file at path: read, prepared, fitted with the given seeds.
AppState WindowFit(
    const std::string& path, int harmonics, int depth, std::uint32_t s1, std::uint32_t s2) {
  AppState state;
  bool failed = false;
  LoadDataFile(path, state.Observations, failed);
  EXPECT_FALSE(failed);
  PrepareData(state.Observations);
  state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(harmonics);
  state.Controls.ComboBox1 = depth;
  state.Random.Clock = SeedSequence(s1, s2);
  FitBothModels(state, state.Controls.ComboBox1);
  return state;
}

// The numbers of the JSON array that follows "key": in text, parsed back exactly.
std::vector<double> NumbersAfter(const std::string& text,
                                 const std::string& key,
                                 std::size_t from = 0) {
  std::vector<double> values;
  std::size_t at = text.find("\"" + key + "\":[", from);
  if (at == std::string::npos) return values;
  at = text.find('[', at) + 1;
  const char* p = text.data() + at;
  const char* end = text.data() + text.find(']', at);
  while (p < end) {
    double v = 0;
    const auto r = std::from_chars(p, end, v);
    if (r.ec != std::errc()) break;
    values.push_back(v);
    p = r.ptr + (r.ptr < end && *r.ptr == ',' ? 1 : 0);
  }
  return values;
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(HarmoraFitReport, HoldsExactlyTheWindowsReportLinesForTheSameSeeds) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(30));
  const ToolRun run = RunPairs({"-n", "2", "--depth=50000", "--seed", "5,9", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;

  const AppState window = WindowFit(path, 2, 50000, 5, 9);
  std::vector<std::string> expected;
  WriteReport(window, [&expected](const std::string& line) { expected.push_back(line); });
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 1 + expected.size());
  EXPECT_EQ(lines[0], "# " + path + " (30): harmonics 2, depth 50000, minimum period 1, seeds 5,9");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i + 1], expected[i]);
  }
  EXPECT_EQ(expected.size(), 4u * 2 + 12);
}

TEST(HarmoraFitReport, SeparatesTheFilesOfABatchByAnEmptyLine) {
  DataFolder folder;
  const std::string a = folder.Write("a.txt", TwoToneData(12));
  const std::string b = folder.Write("b.txt", TwoToneData(20));
  const ToolRun run = RunPairs({"--seed", "1", a, b});
  ASSERT_EQ(run.Status, kFitAllDone);
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 2u * (1 + 16) + 1);
  EXPECT_EQ(lines[0].rfind("# " + a + " (12)", 0), 0u);
  EXPECT_EQ(lines[17], "");
  EXPECT_EQ(lines[18].rfind("# " + b + " (20)", 0), 0u);
}

TEST(HarmoraFitJson, HoldsTheFitsCoefficientsBitForBitAndItsSeeds) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(40));
  const ToolRun run = RunPairs({"--format", "json", "-n3", "--seed", "77,78", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 1u);
  const std::string& line = lines[0];

  const AppState window = WindowFit(path, 3, 10000, 77, 78);
  const CoefficientTable& t = window.Coefficients;
  const std::size_t model2 = line.find("\"model2\"");
  ASSERT_NE(model2, std::string::npos);
  const struct {
    const char* Key;
    std::size_t From;
    const double* Expected;
  } arrays[] = {{"A", 0, t.A},
                {"B", 0, t.B},
                {"C", 0, t.C},
                {"A", model2, t.A2},
                {"B", model2, t.B2},
                {"C", model2, t.C2}};
  for (const auto& a : arrays) {
    SCOPED_TRACE(std::string(a.Key) + (a.From == 0 ? " of model 1" : " of model 2"));
    const std::vector<double> values = NumbersAfter(line, a.Key, a.From);
    ASSERT_EQ(values.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(SameBits(values[k], a.Expected[k])) << k;
  }
  EXPECT_EQ(NumbersAfter(line, "seeds"), (std::vector<double>{77, 78}));
  EXPECT_NE(line.find("\"file\":\"" + path +
                      "\",\"count\":40,\"harmonics\":3,\"depth\":10000,"
                      "\"search\":\"random\",\"min_period\":1,"),
            std::string::npos)
      << line;
  EXPECT_EQ(line.front(), '{');
  EXPECT_EQ(line.back(), '}');
}

TEST(HarmoraFitJson, ResidualIsEachStagesObjectiveFromTheFinalCoefficients) {
  DataFolder folder;
  // Exactly one sinusoid, y = 3 sin(x): negative y count as 0 in model 2's objective.
  std::string text;
  for (int i = 0; i < 16; ++i) {
    text += std::to_string(0.4 * i) + " " + std::to_string(3 * std::sin(0.4 * i)) + "\n";
  }
  const std::string path = folder.Write("one.txt", text);
  const ToolRun run = RunPairs({"--format=json", "--seed", "3", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const AppState window = WindowFit(path, 1, 10000, 3, 4);
  const ObservationSet& obs = window.Observations;
  const CoefficientTable& t = window.Coefficients;
  double sum1 = 0, sum2 = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double s1 = t.A[0] * std::sin(t.B[0] * obs.PlotX[i] + t.C[0]);
    const double s2 = t.A2[0] * std::sin(t.B2[0] * obs.PlotX[i] + t.C2[0]);
    sum1 += (s1 - obs.OrigY[i]) * (s1 - obs.OrigY[i]);
    const double root = obs.OrigY[i] > 0 ? std::sqrt(obs.OrigY[i]) : 0;
    sum2 += (s2 - root) * (s2 - root);
  }
  const std::size_t model2 = run.Out.find("\"model2\"");
  const std::size_t residual1 = run.Out.find("\"residual\":") + 11;
  const std::size_t residual2 = run.Out.find("\"residual\":", model2) + 11;
  // Library sines against the fit's own: equal to a few units in the last place of the sines.
  EXPECT_NEAR(LeadingNumber(run.Out.substr(residual1)), sum1, 1e-9 * (1 + sum1));
  EXPECT_NEAR(LeadingNumber(run.Out.substr(residual2)), sum2, 1e-9 * (1 + sum2));
  EXPECT_GT(sum2, 1);  // the squared model cannot follow the negative half waves
}

// One table across the files: one header, a file column, the window's export's values in
// their shortest exact text; its '#' lines only with --comments.
TEST(HarmoraFitCsv, IsOneTidyTableOfTheWindowsExportValues) {
  DataFolder folder;
  const std::string a = folder.Write("a.txt", TwoToneData(18));
  std::string tenths;
  for (int i = 1; i <= 9; ++i)
    tenths += "0." + std::to_string(i) + " " + std::to_string(i % 4) + "\n";
  const std::string b = folder.Write("b,c.txt", tenths);
  const ToolRun run = RunPairs({"--format", "csv", "-n", "2", "--seed", "8,6", a, b});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 1u + 18 + 9);
  EXPECT_EQ(lines[0], "file,x,y,model1,model2,residual1,residual2");
  const std::vector<std::string> exported = Lines(WriteDataCsv(WindowFit(a, 2, 10000, 8, 6)));
  const auto header =
      std::find(exported.begin(), exported.end(), "x,y,model1,model2,residual1,residual2");
  ASSERT_EQ(exported.end() - header, 1 + 18);
  for (int i = 0; i < 18; ++i) {
    SCOPED_TRACE(i);
    const std::string& row = lines[1 + i];
    ASSERT_EQ(row.rfind(a + ",", 0), 0u);
    std::vector<double> ours = NumbersAfter("\"r\":[" + row.substr(a.size() + 1) + "]", "r");
    std::vector<double> theirs = NumbersAfter("\"r\":[" + header[1 + i] + "]", "r");
    ASSERT_EQ(ours.size(), 6u);
    ASSERT_EQ(ours.size(), theirs.size());
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(SameBits(ours[k], theirs[k])) << k;
  }
  // The second file's x as its text gives them, not "0.10000000000000001".
  for (int i = 0; i < 9; ++i) {
    const std::string x = "0." + std::to_string(i + 1);
    EXPECT_EQ(lines[19 + i].rfind("\"" + folder.Path + "/b,c.txt\"," + x + ",", 0), 0u)
        << lines[19 + i];
  }

  const ToolRun comments =
      RunPairs({"--format", "csv", "--comments", "-n", "2", "--seed", "8,6", a});
  const std::vector<std::string> commented = Lines(comments.Out);
  ASSERT_EQ(commented.size(), 1u + (header - exported.begin()) + 1 + 18);
  EXPECT_EQ(commented[0], lines[0]);
  EXPECT_EQ(commented[1],
            "# " + a + " (18): harmonics 2, depth 10000, minimum period 1, seeds 8,6");
  EXPECT_TRUE(std::equal(exported.begin(), header, commented.begin() + 2));
}

double NumberAfter(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("\"" + key + "\":");
  return at == std::string::npos ? std::nan("") : LeadingNumber(text.substr(at + key.size() + 3));
}

TEST(HarmoraFitRefine, AddsBothRefinedModelsWithTheirStatisticsAndNoWorseObjective) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(30));
  // With a constant: without one, model 2's first harmonic runs to B = 0 carrying the level,
  // its values not determined (null).
  const std::vector<std::string> args = {
      "--constant", "--format", "json", "-n", "2", "--seed", "1", "--refine", path};
  const ToolRun run = RunPairs(args);
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::string refined = ObjectAfter(run.Out, "refined");
  ASSERT_FALSE(refined.empty()) << run.Out;
  const std::string search[2] = {ObjectAfter(run.Out, "model1"), ObjectAfter(run.Out, "model2")};
  const std::string models[2] = {ObjectAfter(refined, "model1"), ObjectAfter(refined, "model2")};
  for (int m = 0; m < 2; ++m) {
    SCOPED_TRACE(m + 1);
    for (const char* key : {"A", "B", "C", "period"}) {
      EXPECT_EQ(NumbersAfter(models[m], key).size(), 2u);
      for (const char* part : {"se", "lower", "upper"}) {
        const std::string object = ObjectAfter(models[m], part);
        EXPECT_NE(object.find(std::string("\"") + key + "\":["), std::string::npos) << object;
      }
    }
    for (const char* key : {"r2", "rmse", "aic", "bic", "relative_deviation"}) {
      EXPECT_TRUE(std::isfinite(NumberAfter(models[m], key))) << key;
    }
    EXPECT_GE(NumberAfter(models[m], "starts"), 1);
    EXPECT_GE(NumberAfter(models[m], "hits"), 1);
    EXPECT_NE(models[m].find("\"termination\":\"enough agreeing hits\""), std::string::npos);
    EXPECT_LE(NumberAfter(models[m], "residual"), NumberAfter(search[m], "residual"));
    EXPECT_LT(NumberAfter(models[m], "false_alarm"), 0.01);
    // Nothing against trusting either (model 2 may name the harmonic that holds its level).
    EXPECT_EQ(models[m].find("Not to be trusted"), std::string::npos) << models[m];
  }
  EXPECT_NE(models[0].find("\"notes\":[]"), std::string::npos);
  // Model 1 holds the data's two tones exactly: the refinement finds them.
  const std::vector<double> b = NumbersAfter(models[0], "B");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_NEAR(b[0], 0.9, 1e-9);
  EXPECT_NEAR(b[1], 2.7, 1e-9);
  EXPECT_EQ(RunPairs(args).Out, run.Out);
}

// --refine-budget implies the refinement and scales its cap on starts.
TEST(HarmoraFitRefine, TheBudgetScalesTheStartsItImplies) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(30));
  double starts[2] = {};
  for (int b = 0; b < 2; ++b) {
    const ToolRun run = RunPairs({"--format",
                                  "json",
                                  "-n",
                                  "3",
                                  "--seed",
                                  "1",
                                  "--refine-budget",
                                  b ? "0.01" : "0.004",
                                  path});
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    const std::string model = ObjectAfter(ObjectAfter(run.Out, "refined"), "model1");
    EXPECT_NE(model.find("\"termination\":\"start cap reached\""), std::string::npos) << model;
    starts[b] = NumberAfter(model, "starts");
  }
  EXPECT_GT(starts[1], 2 * starts[0]);
}

// Two tones under a little deterministic noise: the comparison has a row per N up to -n and
// recommends two harmonics for model 1, in JSON and in the text.
TEST(HarmoraFitRefine, CompareCountsRecommendsTheNumberOfTones) {
  std::ostringstream data;
  data.precision(17);
  for (int i = 0; i < 60; ++i) {
    const double x = 0.5 * i;
    data << x << ' '
         << 2 * std::sin(0.9 * x + 0.3) + 0.7 * std::sin(2.7 * x + 1.0) +
                0.1 * std::sin(i * i * 7.3)
         << '\n';
  }
  DataFolder folder;
  const std::string path = folder.Write("noisy.txt", data.str());
  const ToolRun json =
      RunPairs({"--format", "json", "-n", "3", "--seed", "1", "--compare-counts", path});
  ASSERT_EQ(json.Status, kFitAllDone) << json.Err;
  const std::string model1 = ObjectAfter(ObjectAfter(json.Out, "harmonic_counts"), "model1");
  EXPECT_EQ(NumberAfter(model1, "recommended"), 2) << model1;
  EXPECT_EQ(NumbersAfter(model1, "harmonics").size(), 0u);  // one per row object, not an array
  EXPECT_NE(model1.find("\"harmonics\":3"), std::string::npos) << model1;
  const ToolRun text = RunPairs({"-n", "3", "--seed", "1", "--compare-counts", path});
  EXPECT_NE(text.Out.find("\nRecommended: N = 2 "), std::string::npos) << text.Out;
}

// Noisy data: the 95 % interval holds the value and is wider than one standard error; the
// periods are 2 pi / |B|, for the search and the refinement alike.
TEST(HarmoraFitRefine, IntervalsHoldTheValueAndPeriodsAreTwoPiOverB) {
  DataFolder folder;
  std::string text;
  for (int i = 0; i < 40; ++i) {
    const double x = 0.5 * i;
    text += std::to_string(x) + " " +
            std::to_string(2 * std::sin(0.9 * x + 0.3) + 0.2 * std::sin(7.77 * i * i)) + "\n";
  }
  const std::string path = folder.Write("noisy.txt", text);
  const ToolRun run = RunPairs({"--format", "json", "--seed", "3", "--refine", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::string model = ObjectAfter(ObjectAfter(run.Out, "refined"), "model1");
  for (const std::string& fit : {ObjectAfter(run.Out, "model1"), model}) {
    const std::vector<double> b = NumbersAfter(fit, "B"), period = NumbersAfter(fit, "period");
    ASSERT_EQ(period.size(), 1u);
    EXPECT_DOUBLE_EQ(period[0], 2 * std::numbers::pi / std::abs(b[0]));
  }
  for (const char* key : {"A", "B", "C", "period"}) {
    SCOPED_TRACE(key);
    const double value = NumbersAfter(model, key).at(0);
    const double se = NumbersAfter(ObjectAfter(model, "se"), key).at(0);
    EXPECT_GT(se, 0);
    EXPECT_LT(NumbersAfter(ObjectAfter(model, "lower"), key).at(0), value - se);
    EXPECT_GT(NumbersAfter(ObjectAfter(model, "upper"), key).at(0), value + se);
  }
}

TEST(HarmoraFitRefine, StandardErrorsAndCriteriaAreNullWhereNoDegreesOfFreedomAreLeft) {
  DataFolder folder;
  const std::string path = folder.Write("six.txt", TwoToneData(6));  // 6 points, 6 parameters
  const ToolRun run = RunPairs({"--format", "json", "-n", "2", "--seed", "4", "--refine", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::string model = ObjectAfter(ObjectAfter(run.Out, "refined"), "model1");
  for (const char* key : {"se", "lower", "upper"}) {
    EXPECT_EQ(ObjectAfter(model, key),
              "{\"A\":[null,null],\"B\":[null,null],\"C\":[null,null],\"period\":[null,null]}");
  }
  for (const char* key : {"\"aic\":null", "\"bic\":null", "\"df\":0"}) {
    EXPECT_NE(model.find(key), std::string::npos) << key << " in " << model;
  }
  const ToolRun text = RunPairs({"-n", "2", "--seed", "4", "--refine", path});
  EXPECT_NE(text.Out.find("AIC = undetermined, BIC = undetermined, df = 0,"), std::string::npos)
      << text.Out;
}

// Data without a line: both the report and the JSON say the fit is not to be trusted.
TEST(HarmoraFitRefine, NotesSayWhenTheFitIsNotToBeTrusted) {
  DataFolder folder;
  std::string noise;
  for (int i = 0; i < 30; ++i) {
    noise += std::to_string(i) + " " + std::to_string(std::sin(7.77 * i * i + 0.3)) + "\n";
  }
  const std::string path = folder.Write("noise.txt", noise);
  const ToolRun text = RunPairs({"-n", "1", "--seed", "2", "--refine", path});
  EXPECT_NE(text.Out.find("\nNote: Not to be trusted: "), std::string::npos) << text.Out;
  const ToolRun json = RunPairs({"--format", "json", "-n", "1", "--seed", "2", "--refine", path});
  const std::string model = ObjectAfter(ObjectAfter(json.Out, "refined"), "model1");
  EXPECT_GT(NumberAfter(model, "false_alarm"), 0.01);
  EXPECT_NE(model.find("\"notes\":[\"Not to be trusted: "), std::string::npos) << model;
}

// A level fitted without a constant: one harmonic slows to a near-zero frequency to stand in
// for it, and the report says so; with the constant it does not.
TEST(HarmoraFitRefine, AHarmonicStandingInForALevelIsNamed) {
  DataFolder folder;
  std::string data;
  for (int i = 0; i < 40; ++i) {
    data += std::to_string(i) + " " + std::to_string(5 + std::sin(0.9 * i + 1)) + "\n";
  }
  const std::string path = folder.Write("level.txt", data);
  const std::string note = "stands in for a level or a trend rather than a cycle";
  EXPECT_NE(RunPairs({"-n", "2", "--seed", "2", "--refine", path}).Out.find(note),
            std::string::npos);
  EXPECT_EQ(RunPairs({"-n", "1", "--seed", "2", "--constant", path}).Out.find("stands in for"),
            std::string::npos);
}

TEST(HarmoraFitRefine, TheReportIsFollowedByEachRefinedModel) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(20));
  const ToolRun plain = RunPairs({"--seed", "5", path});
  const ToolRun run = RunPairs({"--seed", "5", "--refine", path});
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  ASSERT_EQ(run.Out.rfind(plain.Out, 0), 0u);  // the report first, unchanged
  // Notes on trust follow a block where they apply; the blocks' own lines come in this order.
  std::vector<std::string> extra = Lines(run.Out.substr(plain.Out.size()));
  std::erase_if(extra, [](const std::string& line) { return line.rfind("Note: ", 0) == 0; });
  ASSERT_EQ(extra.size(), 2u * 4);
  for (int m = 0; m < 2; ++m) {
    SCOPED_TRACE(m + 1);
    EXPECT_EQ(extra[4 * m], "");
    EXPECT_EQ(extra[4 * m + 1].rfind("Least squares " + std::to_string(m + 1) + "): R2 = ", 0), 0u);
    EXPECT_EQ(extra[4 * m + 2].rfind("Relative deviation = ", 0), 0u);
    // Model 2's harmonic, standing in for the level, has no finite optimum: said so, no values.
    const std::string& line = extra[4 * m + 3];
    EXPECT_TRUE((line.starts_with("A1 = ") && line.find("   B1 = ") != std::string::npos) ||
                line == "A1, B1, C1 = not determined (unbounded)")
        << line;
  }
}

TEST(HarmoraFitSeeds, TheSameSeedsGiveTheSameOutputAndOthersADifferentOne) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(25));
  for (const char* format : {"report", "json", "csv"}) {
    SCOPED_TRACE(format);
    const ToolRun first = RunPairs({"--format", format, "-n", "2", "--seed", "123456", path});
    const ToolRun again = RunPairs({"--format", format, "-n", "2", "--seed", "123456", path});
    const ToolRun other = RunPairs({"--format", format, "-n", "2", "--seed", "123457", path});
    ASSERT_EQ(first.Status, kFitAllDone);
    EXPECT_EQ(first.Out, again.Out);
    EXPECT_NE(first.Out, other.Out);
  }
}

TEST(HarmoraFitSeeds, ClockSeedsArePrintedAndRepeatTheFitWhenGivenBack) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(25));
  const ToolRun clocked = RunPairs({"--format", "json", "-n", "2", path});
  ASSERT_EQ(clocked.Status, kFitAllDone);
  const std::vector<double> seeds = NumbersAfter(clocked.Out, "seeds");
  ASSERT_EQ(seeds.size(), 2u);
  const std::string given = std::to_string(static_cast<std::uint32_t>(seeds[0])) + "," +
                            std::to_string(static_cast<std::uint32_t>(seeds[1]));
  const ToolRun repeated = RunPairs({"--format", "json", "-n", "2", "--seed", given, path});
  EXPECT_EQ(repeated.Out, clocked.Out);
}

// Also where nothing is searched (only known periods): the seeds given are shown, and without
// any the pair is 0, 0, for no seed was drawn.
TEST(HarmoraFitSeeds, TheSeedsGivenAreShownTheSecondDefaultingToTheFirstPlusOneModulo2To32) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(10));
  const std::vector<std::string> knownOnly = {"--period", "7", "--period", "2.3", "-n", "2"};
  const struct {
    const char* Given;
    std::vector<double> Seeds;
    std::vector<std::string> Terms;
  } cases[] = {{"41", {41, 42}, {}},
               {"4294967295", {4294967295.0, 0}, {}},
               {"7,7", {7, 7}, {}},
               {"0,4294967295", {0, 4294967295.0}, {}},
               {"5,9", {5, 9}, knownOnly},
               {"", {0, 0}, knownOnly}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Given);
    std::vector<std::string> args = c.Terms;
    args.insert(args.end(), {"--format", "json", path});
    if (*c.Given != '\0') args.insert(args.end(), {"--seed", c.Given});
    const ToolRun run = RunPairs(args);
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    EXPECT_EQ(NumbersAfter(run.Out, "seeds"), c.Seeds);
  }
}

TEST(HarmoraFitOptions, TheMinimumPeriodReplacesTwiceTheMeanSpacing) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(30));  // spacing 0.5
  const ToolRun standard = RunPairs({"--format", "json", "-n", "2", "--seed", "1", path});
  const ToolRun shorter =
      RunPairs({"--format", "json", "-n", "2", "--seed", "1", "--min-period", "0.25", path});
  EXPECT_NE(standard.Out.find("\"min_period\":1,"), std::string::npos) << standard.Out;
  EXPECT_NE(shorter.Out.find("\"min_period\":0.25,"), std::string::npos) << shorter.Out;
  // Below twice the spacing the search reaches the aliases of the frequencies in the data.
  const std::vector<double> aliased = NumbersAfter(shorter.Out, "B");
  ASSERT_EQ(aliased.size(), 2u);
  EXPECT_NE(NumbersAfter(standard.Out, "B"), aliased);
  EXPECT_GT(aliased[1], 2 * std::numbers::pi / 0.5);
}

// The reader's cases, through the tool: accepted with their count and the import check's
// notice, or refused with the cause.
TEST(HarmoraFitFiles, ReadsEachFileAsTheWindowDoesAndSaysWhatTheCheckFound) {
  std::string pairs150;
  for (int i = 0; i < 150; ++i) pairs150 += std::to_string(i) + " " + std::to_string(i % 7) + "\n";
  const std::string tooShort = "the file must hold at least 4 pairs (8 numbers)";
  const std::string unreadable = "the numbers of the file cannot be read (line ";
  const struct {
    const char* Name;
    std::string Bytes;
    int Count;           // 0 when refused
    std::string Notice;  // ":line: " and the start of the notice, or empty for none
    std::string Error;   // the refusal
  } cases[] = {
      {"eight.txt", "1 2 3 4 5 6 7 8", 4, "", ""},
      {"seven.txt", "1 2 3 4 5 6 7", 0, "", tooShort},
      {"empty.txt", "", 0, "", tooShort},
      {"commas.txt", "1,5 2,5\n2,5 1\n3,5 2\n4 0,5\n", 4, "", ""},
      {"exponent.txt", "1e3 2e1 3e2 4e0", 4, ":1: '1e3' is read as two numbers", ""},
      {"header.txt", "x-y\n1 2\n3 4\n5 6\n7 8\n", 0, "", unreadable + "1: '-' is not a number)"},
      {"double_point.txt",
       "1 2 3 4 5 6 7 8 1.2.3",
       0,
       "",
       unreadable + "1: '1.2.3' is not a number)"},
      {"csv.txt", "0.5,1\n1,2\n", 0, "", unreadable + "1: '0.5,1' is not a number; do commas"},
      {"many.txt", pairs150 + "1.2.3", 100, ":101: '100' and what follows is not read", ""},
      {"crlf.txt", "0;1\r\n1;2\r\n2;1\r\n3;2\r\n", 4, "", ""},
      {"sigma.txt",
       "0 1 0.1\n1 2 0.1\n2 1 0.1\n3 2 0.1\n",
       6,
       ":1: '0 1 0.1': most lines hold 3",
       ""},
      {"utf16.txt",
       std::string("\xFF\xFE"
                   "1\0 \0"
                   "2\0\n\0",
                   10) +
           std::string(60, ' '),
       0,
       ":1: the file is UTF-16 text",
       tooShort},
  };
  DataFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = folder.Write(c.Name, c.Bytes);
    const ToolRun run = RunPairs({"--format", "json", "--seed", "1", path});
    if (!c.Notice.empty()) {
      EXPECT_EQ(run.Err.rfind("harmora-fit: " + path + c.Notice, 0), 0u) << run.Err;
    }
    EXPECT_EQ(run.Out.find("\"notices\":[]"),
              c.Notice.empty() ? run.Out.find("\"notices\":") : std::string::npos);
    if (c.Count > 0) {
      EXPECT_EQ(run.Status, kFitAllDone) << run.Err;
      EXPECT_NE(run.Out.find("\"count\":" + std::to_string(c.Count) + ","), std::string::npos)
          << run.Out;
      EXPECT_EQ(Lines(run.Err).size(), c.Notice.empty() ? 0u : 1u) << run.Err;
    } else {
      EXPECT_EQ(run.Status, kFitFileFailed);
      EXPECT_EQ(run.Out.rfind("{\"file\":\"" + path + "\",\"error\":\"" + c.Error, 0), 0u)
          << run.Out;
      EXPECT_NE(run.Err.find("harmora-fit: " + path + ": " + c.Error), std::string::npos)
          << run.Err;
    }
    // --strict refuses exactly the files with a notice.
    const ToolRun strict = RunPairs({"--strict", "--seed", "1", path});
    EXPECT_EQ(strict.Status, c.Count > 0 && c.Notice.empty() ? kFitAllDone : kFitFileFailed);
  }
}

// Under a Russian locale the notices and refusals are the window's own texts.
TEST(HarmoraFitFiles, SpeaksTheWindowsRussianUnderARussianLocale) {
  DataFolder folder;
  const std::string exponent = folder.Write("exponent.txt", "1e3 2e1 3e2 4e0");
  const std::string unreadable = folder.Write("unreadable.txt", "1 2 3 4 5 6 7 8 1.2.3");
  const ToolRun run = RunPairs({"--seed", "1", exponent, unreadable}, Language::Russian);
  const ImportReport report = CheckImportBytes("1e3 2e1 3e2 4e0");
  ASSERT_EQ(report.Signs.size(), 1u);
  const std::vector<std::string> errors = Lines(run.Err);
  ASSERT_EQ(errors.size(), 2u) << run.Err;
  EXPECT_EQ(errors[0], "harmora-fit: " + exponent + ":1: " + report.Signs[0].Explanation);
  EXPECT_EQ(errors[1],
            "harmora-fit: " + unreadable + ": " + kUnreadableDataText +
                " (строка 1: «1.2.3» — не число)");
  // The system's reason is the C library's Russian as well, not its English.
  EXPECT_EQ(RunPairs({"/no-such-folder/data.txt"}, Language::Russian).Err,
            "harmora-fit: Не удаётся открыть файл \"/no-such-folder/data.txt\": Нет такого файла "
            "или каталога\n");
}

TEST(HarmoraFitMessages, TheLanguageIsTheLocalesForMessages) {
  const struct {
    const char *All, *Messages, *Lang;
    Language Expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, Language::English},
      {nullptr, nullptr, "ru_RU.UTF-8", Language::Russian},
      {"", nullptr, "ru_UA", Language::Russian},
      {"C", nullptr, "ru_RU.UTF-8", Language::English},
      {nullptr, "de_DE.UTF-8", "ru_RU.UTF-8", Language::English},
      {nullptr, "ru", "en_US.UTF-8", Language::Russian},
      {"run", nullptr, nullptr, Language::English},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LanguageOfLocale(c.All, c.Messages, c.Lang), c.Expected)
        << (c.All ? c.All : "-") << " " << (c.Messages ? c.Messages : "-") << " "
        << (c.Lang ? c.Lang : "-");
  }
}

// Streams are read whole (a pipe without a writer as empty, a device that never ends up to a
// limit); a folder or a missing file is refused; the other files are still fitted.
TEST(HarmoraFitFiles, StreamsAreReadAndHostilePathsRefusedWithoutStoppingTheBatch) {
  DataFolder folder;
  const std::string good = folder.Write("good.txt", TwoToneData(12));
  const std::string fifo = folder.Path + "/pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer: an open that waited would hang
  const std::string missing = folder.Path + "/missing.txt";
  // A workbook is a zip archive: digits enough for pairs stand among its bytes.
  const std::string book = folder.Write(
      "book.xlsx", std::string("PK\x03\x04\x14\0\0\0 1 2 3 4 5 6 7 8 9 10 11 12\0", 36));
  const ToolRun run =
      RunPairs({"--format", "json", folder.Path, fifo, "/dev/zero", missing, book, good});
  EXPECT_EQ(run.Status, kFitFileFailed);
  const std::vector<std::string> errors = Lines(run.Err);
  ASSERT_EQ(errors.size(), 7u) << run.Err;
  const std::string tooShort = ": the file must hold at least 4 pairs (8 numbers)";
  EXPECT_EQ(errors[0],
            "harmora-fit: Cannot open file \"" + folder.Path + "\": it is not a regular file");
  EXPECT_EQ(errors[1], "harmora-fit: " + fifo + tooShort);
  EXPECT_EQ(errors[2], "harmora-fit: /dev/zero:1: the file holds NUL bytes: it is not plain text");
  EXPECT_EQ(errors[3],
            "harmora-fit: /dev/zero: not fitted: the numbers read from a file that is not text "
            "are not data");
  EXPECT_EQ(errors[4],
            "harmora-fit: Cannot open file \"" + missing + "\": No such file or directory");
  EXPECT_EQ(errors[6],
            "harmora-fit: " + book +
                ": not fitted: the file is a zip archive (an xlsx or ods workbook?), not text; "
                "save the sheet as CSV and fit it with --table");
  // Each refused file has its JSON line with the error, the fitted one its results.
  const std::vector<std::string> records = Lines(run.Out);
  ASSERT_EQ(records.size(), 6u) << run.Out;
  for (int i = 0; i < 5; ++i) EXPECT_NE(records[i].find("\",\"error\":\""), std::string::npos);
  EXPECT_NE(records[5].find("\"file\":\"" + good + "\",\"count\""), std::string::npos);
}

// The files of a batch are fitted side by side; the text is each file's alone, in the order given.
TEST(HarmoraFitFiles, ABatchWritesEachFilesOwnTextInTheOrderGiven) {
  DataFolder folder;
  std::vector<std::string> batch = {"--format", "json", "--seed", "3"};
  std::string alone;
  for (const int count : {60, 8, 25, 12, 90, 10}) {
    const std::string path = folder.Write(std::to_string(count) + ".txt", TwoToneData(count));
    batch.push_back(path);
    alone += RunPairs({"--format", "json", "--seed", "3", path}).Out;
  }
  const ToolRun run = RunPairs(batch);
  EXPECT_EQ(run.Status, kFitAllDone);
  EXPECT_EQ(run.Out, alone);
}

TEST(HarmoraFitFiles, AFaultOfTheFitNamesTheFileAndTheNextFileIsStillFitted) {
  DataFolder folder;
  const std::string flat = folder.Write("flat.txt", "1 1 1 2 1 3 1 4");  // one x: no spacing
  const std::string good = folder.Write("good.txt", TwoToneData(12));
  const ToolRun run = RunPairs({flat, good});
  EXPECT_EQ(run.Status, kFitFileFailed);
  EXPECT_EQ(run.Err, "harmora-fit: " + flat + ": division by zero in the computation\n");
  EXPECT_EQ(RunPairs({flat}, Language::Russian).Err,
            "harmora-fit: " + flat + ": " + kDivisionByZeroText + "\n");
  EXPECT_EQ(Lines(run.Out).size(), 17u);
}

TEST(HarmoraFitUsage, AWrongCommandLineIsStatusTwoAndFitsNothing) {
  DataFolder folder;
  const std::string good = folder.Write("good.txt", TwoToneData(12));
  struct Case {
    std::vector<std::string> Args;
    const char* Error;
  };
  std::vector<Case> cases = {
      {{}, "no data file given"},
      {{"-n", "0", good}, "the number of harmonics must be 1 to 5, not '0'"},
      {{"--harmonics=6", good}, "the number of harmonics must be 1 to 5, not '6'"},
      {{"-n", "2x", good}, "the number of harmonics must be 1 to 5, not '2x'"},
      {{"-d", "20000", good},
       "the search depth must be one of 10000, 50000, 100000, 500000, 998888, not '20000'"},
      {{"--min-period", "0", good}, "the minimum period must be a positive number, not '0'"},
      {{"--min-period=-1", good}, "the minimum period must be a positive number, not '-1'"},
      {{"--min-period", "inf", good}, "the minimum period must be a positive number, not 'inf'"},
      {{"--seed", "4294967296", good},
       "the seeds must be S1 or S1,S2, each 0 to 4294967295, not '4294967296'"},
      {{"--seed", "1,", good}, "the seeds must be S1 or S1,S2, each 0 to 4294967295, not '1,'"},
      {{"--seed", "-1", good}, "the seeds must be S1 or S1,S2, each 0 to 4294967295, not '-1'"},
      {{"--format", "xml", good}, "the format must be report, json or csv, not 'xml'"},
      {{"--refine-budget", "0", good},
       "the refinement's budget must be a number above 0 and at most 1000, not '0'"},
      {{"--refine-budget=1001", good},
       "the refinement's budget must be a number above 0 and at most 1000, not '1001'"},
      {{"--frobnicate", good}, "unknown option '--frobnicate'"},
      {{"--plot", "p.gif", good},
       "the plot is written as FILE.svg, FILE.png or FILE.pdf, not 'p.gif'"},
      {{"--plot", ".svg", good},
       "the plot is written as FILE.svg, FILE.png or FILE.pdf, not '.svg'"},
      {{"--plot", "p.svg", "--plot-size", "99x400", good},
       "the plot size must be WxH in pixels, each 100 to 4000, not '99x400'"},
      {{"--plot", "p.svg", "--plot-size=800x4001", good},
       "the plot size must be WxH in pixels, each 100 to 4000, not '800x4001'"},
      {{"--plot", "p.svg", "--plot-size", "800", good},
       "the plot size must be WxH in pixels, each 100 to 4000, not '800'"},
      {{"--plot", "p.svg", "--plot-theme", "blue", good},
       "the plot theme must be dark or light, not 'blue'"},
      {{"--x-title", "t", good}, "--plot-size, --plot-theme, --x-title and --y-title need --plot"},
      {{"--plot-size", "800x500", good},
       "--plot-size, --plot-theme, --x-title and --y-title need --plot"},
      {{"--plot", "p.svg", good, good},
       "--plot draws one fit: give one file and at most one --y-column"},
      {{"--pairs", "--y-column", "a", good},
       "--pairs reads the window's pairs, not tables: leave out --pairs for --table, "
       "--x-column, --y-column, --sigma-column, --decimal-comma and --all-columns"},
      {{"-x", good}, "unknown option '-x'"},
      {{good, "--depth"}, "option '--depth' needs a value"},
      {{"--help=yes"}, "option '--help=yes' takes no value"},
  };
  if (!CairoPlotBuilt()) {
    cases.push_back({{"--plot", "p.PNG", good},
                     "this harmora-fit is built without Cairo, which PNG and PDF plots need: "
                     "write FILE.svg"});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Error);
    const ToolRun run = RunPairs(c.Args);
    EXPECT_EQ(run.Status, kFitUsageError);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, std::string("harmora-fit: ") + c.Error + "\nTry 'harmora-fit --help'.\n");
  }
}

TEST(HarmoraFitUsage, HelpPrintsTheOptionsAndFitsNothing) {
  const ToolRun run = RunPairs({"--help", "/nonexistent"});
  EXPECT_EQ(run.Status, kFitAllDone);
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out.rfind("Usage: harmora-fit [OPTION]... FILE...\n", 0), 0u);
  for (const char* option : {"--harmonics",
                             "--depth",
                             "--min-period",
                             "--seed",
                             "--refine",
                             "--strict",
                             "--format",
                             "--comments",
                             "--help",
                             "--version"}) {
    EXPECT_NE(run.Out.find(option), std::string::npos) << option;
  }
  EXPECT_EQ(RunPairs({"-h"}).Out, run.Out);
  const ToolRun version = RunPairs({"--version"});
  EXPECT_EQ(version.Status, kFitAllDone);
  EXPECT_EQ(version.Out, std::string("harmora-fit ") + HARMORA_VERSION + "\n");
}

// The option column of a help text, one entry per option, in order.
std::vector<std::string> HelpOptions(const std::string& help) {
  std::vector<std::string> options;
  for (const std::string& line : Lines(help)) {
    if (line.rfind("  -", 0) == 0 || line.rfind("      --", 0) == 0) {
      options.push_back(line.substr(0, line.find("  ", 6)));
    }
  }
  return options;
}

TEST(HarmoraFitUsage, HelpIsRussianUnderARussianLocaleWithTheSameOptions) {
  const ToolRun english = RunPairs({"--help"});
  const ToolRun russian = RunPairs({"--help"}, Language::Russian);
  EXPECT_EQ(russian.Status, kFitAllDone);
  EXPECT_EQ(russian.Out.rfind("Использование: harmora-fit [ПАРАМЕТР]... ФАЙЛ...\n", 0), 0u);
  EXPECT_GT(HelpOptions(english.Out).size(), 20u);
  EXPECT_EQ(HelpOptions(russian.Out), HelpOptions(english.Out));
  // Every description line is translated: no English line is left in the Russian text.
  for (const std::string& line : Lines(english.Out)) {
    if (line.size() > 24) {
      EXPECT_EQ(russian.Out.find(line.substr(24)), std::string::npos) << line;
    }
  }
}

TEST(HarmoraFitUsage, UsageErrorsAreRussianUnderARussianLocale) {
  const ToolRun run = RunPairs({"-n", "0", "x.txt"}, Language::Russian);
  EXPECT_EQ(run.Status, kFitUsageError);
  EXPECT_EQ(run.Err,
            "harmora-fit: число гармоник должно быть от 1 до 5, а не «0»\n"
            "Справка: harmora-fit --help\n");
  EXPECT_EQ(RunPairs({"--frobnicate"}, Language::Russian).Err,
            "harmora-fit: неизвестный параметр «--frobnicate»\nСправка: harmora-fit --help\n");
}

TEST(HarmoraFitUsage, ADoubleDashTakesWhatFollowsAsFiles) {
  // "-n" in the current folder, which has no such file: a file refused, not an option's value.
  const ToolRun run = RunPairs({"--seed", "2", "--", "-n"});
  EXPECT_EQ(run.Status, kFitFileFailed);
  EXPECT_EQ(run.Err, "harmora-fit: Cannot open file \"-n\": No such file or directory\n");
}

}  // namespace

// A level under two tones, one of known period: the known one is fixed, the other searched, and
// the constant comes back with its interval, in JSON and in the report.
TEST(HarmoraFitTerms, AConstantAndAKnownPeriodAreFittedWithTheSearchedHarmonic) {
  DataFolder folder;
  std::ostringstream text;
  text.precision(17);
  for (int i = 0; i < 40; ++i) {
    const double x = 0.5 * i;
    text << x << ' ' << 10 + 2 * std::sin(0.9 * x + 0.3) + 0.7 * std::sin(2.7 * x + 1.0) << '\n';
  }
  const std::string path = folder.Write("level.txt", text.str());
  // As a user types it: std::to_string would follow the comma locales the suite also runs under.
  char digits[32];
  const std::string period(
      digits, std::to_chars(digits, digits + sizeof digits, 2 * std::numbers::pi / 0.9).ptr);
  const std::vector<std::string> args = {
      "-n", "2", "--seed", "3", "--constant", "--period", period};
  std::vector<std::string> json = args;
  json.insert(json.end(), {"--format", "json", path});
  const ToolRun run = RunPairs(json);
  ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
  const std::string model = ObjectAfter(ObjectAfter(run.Out, "refined"), "model1");
  const std::vector<double> b = NumbersAfter(model, "B");
  ASSERT_EQ(b.size(), 2u);
  EXPECT_NEAR(b[0], 0.9, 1e-6);  // the period as printed
  EXPECT_NEAR(b[1], 2.7, 1e-6);
  const std::string constant = ObjectAfter(model, "constant");
  EXPECT_NEAR(NumberAfter(constant, "value"), 10, 1e-4) << constant;
  EXPECT_LE(NumberAfter(constant, "lower"), NumberAfter(constant, "value"));
  EXPECT_GE(NumberAfter(constant, "upper"), NumberAfter(constant, "value"));
  EXPECT_EQ(NumberAfter(model, "fixed_harmonics"), 1);
  std::vector<std::string> report = args;
  report.push_back(path);
  EXPECT_NE(RunPairs(report).Out.find("\nConstant = "), std::string::npos);
}
