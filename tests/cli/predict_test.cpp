// harmora-fit --predict: the models evaluated at new x with their bands, the range's grammar and
// its refusals, and dates (of a file or a range) taken to the fit's origin.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "cli/table_fit.h"
#include "tests/cli/cli_test_support.h"

namespace {

// The numbers of the JSON array after "key": in text, NaN for null.
std::vector<double> NumbersAfter(const std::string& text, const std::string& key) {
  std::vector<double> values;
  std::size_t at = text.find("\"" + key + "\":[");
  if (at == std::string::npos) return values;
  at = text.find('[', at) + 1;
  while (at < text.size() && text[at] != ']') {
    values.push_back(text.compare(at, 4, "null") == 0 ? std::nan("")
                                                      : LeadingNumber(text.substr(at)));
    at = text.find_first_of(",]", at);
    if (text[at] == ',') ++at;
  }
  return values;
}

// The CSV's rows after its header, split at commas (no field here is quoted).
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  const std::vector<std::string> lines = Lines(text);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::vector<std::string> fields(1);
    for (const char ch : lines[i]) {
      if (ch == ',') {
        fields.emplace_back();
      } else {
        fields.back() += ch;
      }
    }
    rows.push_back(fields);
  }
  return rows;
}

constexpr int kXField = 2;  // file, series, x, model1, ...

TEST(HarmoraFitPredict, ValuesAreTheModelOfTheJsonAndBandsNeedTheRefinement) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(60));
  const struct {
    const char* Model;
    const char* Refinement;  // the option that sets it
    bool Refined;
  } cases[] = {{"1", "--trend", true}, {"2", "--constant", true}, {"1", "--no-constant", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Model) + " " + c.Refinement);
    const ToolRun run = RunTool({"--format",
                                 "json",
                                 "--seed",
                                 "3,4",
                                 "--model",
                                 c.Model,
                                 c.Refinement,
                                 "--predict",
                                 "-5:40:0.25",
                                 path});
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    const std::string name = std::string("model") + c.Model;
    const std::string model =
        ObjectAfter(c.Refined ? ObjectAfter(run.Out, "refined") : run.Out, name);
    const std::vector<double> a = NumbersAfter(model, "A"), b = NumbersAfter(model, "B"),
                              cs = NumbersAfter(model, "C");
    const auto term = [&](const char* key) {
      const std::size_t at = model.find(std::string("\"") + key + "\":");
      if (at == std::string::npos) return 0.0;
      const std::string rest = model.substr(model.find(':', at) + 1);
      return LeadingNumber(rest[0] == '{' ? rest.substr(rest.find(':') + 1) : rest);
    };
    const std::string predicted = ObjectAfter(ObjectAfter(run.Out, "predict"), name);
    const std::vector<double> x = NumbersAfter(ObjectAfter(run.Out, "predict"), "x");
    const std::vector<double> value = NumbersAfter(predicted, "value");
    ASSERT_EQ(x.size(), 181u);
    ASSERT_EQ(value.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      double s = term("constant") + term("trend") * x[i];
      for (std::size_t k = 0; k < a.size(); ++k) s += a[k] * std::sin(b[k] * x[i] + cs[k]);
      const double expected = c.Model[0] == '2' ? s * s : s;
      EXPECT_NEAR(value[i], expected, 1e-12 * (1 + std::abs(expected))) << x[i];
    }
    const double lower = NumbersAfter(predicted, "mean_ci_lower")[0];
    EXPECT_EQ(std::isnan(lower), !c.Refined);
    EXPECT_EQ(run.Err.find("no bands") != std::string::npos, !c.Refined) << run.Err;
  }
}

TEST(HarmoraFitPredict, BandsHoldTheCurveAndWidenAwayFromTheData) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(60));  // x from 0 to 29.5
  double width[2][2] = {};                                              // [level][centre, far]
  for (int level = 0; level < 2; ++level) {
    const ToolRun run = RunTool({"--seed",
                                 "3,4",
                                 "--model",
                                 "1",
                                 "--band",
                                 level == 0 ? "0.9" : "0.99",
                                 "--predict",
                                 "14.75:214.75:200",
                                 path});
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    const auto rows = CsvRows(run.Out);
    ASSERT_EQ(rows.size(), 2u);
    for (int r = 0; r < 2; ++r) {
      double f[5];  // value, mean lower and upper, new lower and upper
      for (int k = 0; k < 5; ++k) f[k] = LeadingNumber(rows[r][kXField + 1 + k]);
      EXPECT_TRUE(f[3] < f[1] && f[1] < f[0] && f[0] < f[2] && f[2] < f[4]) << r;
      width[level][r] = f[2] - f[1];
    }
  }
  EXPECT_GT(width[0][1], 3 * width[0][0]);
  EXPECT_GT(width[1][0], width[0][0]);
}

TEST(HarmoraFitPredict, RangesGiveTheirGridAndAreRefusedNamingTheOption) {
  DataFolder folder;
  const std::string path = folder.Write("tones.txt", TwoToneData(40));
  const struct {
    const char* Range;
    std::size_t Points;  // 0: refused
    const char* Last;    // the last x as written, or a word of the refusal
  } cases[] = {{"0:1:0.25", 5, "1"},
               {"0:0.3:0.1", 4, "0.3"},
               {"0:1:0.3", 4, "0.9"},
               {"2:1:-0.5", 3, "1"},
               {"1e-1:3e-1:1e-1", 3, "0.3"},
               {"5:5:1", 1, "5"},
               {"0:1:0", 0, "0"},
               {"0:1:-1", 0, "sign"},
               {"0:1000000:1", 0, "1000000"},
               {"0:1", 0, "start:stop:step"},
               {"0:1:x", 0, "start:stop:step"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Range);
    const ToolRun run = RunTool({"--seed", "3,4", "--predict", c.Range, path});
    if (c.Points == 0) {
      EXPECT_EQ(run.Status, kFitUsageError);
      EXPECT_EQ(run.Err.find("harmora-fit: --predict: "), 0u) << run.Err;
      EXPECT_NE(run.Err.find(c.Last), std::string::npos) << run.Err;
      continue;
    }
    ASSERT_EQ(run.Status, kFitAllDone) << run.Err;
    const auto rows = CsvRows(run.Out);
    ASSERT_EQ(rows.size(), c.Points);
    EXPECT_EQ(rows.back()[kXField], c.Last);
  }
}

TEST(HarmoraFitPredict, DatesOfAFileOrARangeAreTakenToTheFitsOriginAndRefusedWhereXAreNumbers) {
  if (!TableReaderBuilt()) GTEST_SKIP() << "no table reader in this build";
  DataFolder folder;
  std::string days = "day,v\n";  // January 2020, day by day
  for (int d = 1; d <= 28; ++d) {
    days += "2020-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d) + ',' +
            std::to_string(std::sin(0.5 * d) + 0.01 * (d % 3)) + '\n';
  }
  const std::string dated = folder.Write("days.csv", days);
  const std::string plain = folder.Write("tones.txt", TwoToneData(40));
  const std::string at = folder.Write("at.txt", "when\n2020-01-03\n2020-02-01\n2020-01-03T18:00\n");
  const struct {
    std::string Data, Predict;
    int Status;
    std::vector<std::string> X;
  } cases[] = {{dated, at, kFitAllDone, {"2", "31", "2.75"}},
               {dated, "2020-01-03:2020-01-08:2.5", kFitAllDone, {"2", "4.5", "7"}},
               {plain, at, kFitFileFailed, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Data + " " + c.Predict);
    const ToolRun run = RunTool({"--seed", "3,4", "--predict", c.Predict, c.Data});
    ASSERT_EQ(run.Status, c.Status) << run.Err;
    const auto rows = CsvRows(run.Out);
    ASSERT_EQ(rows.size(), c.X.size());
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][kXField], c.X[i]);
    EXPECT_EQ(run.Err.find("are not dates") == std::string::npos, !c.X.empty()) << run.Err;
  }
}

}  // namespace
