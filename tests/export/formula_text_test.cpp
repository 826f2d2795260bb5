#include "export/formula_text.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "model/model_values.h"
#include "plot/float_text.h"
#include "report/report_text.h"
#include "state/app_state.h"
#include "tests/export/expression_evaluator.h"

namespace {

struct Harmonic {
  double A, B, C;
};

CoefficientTable Table(const std::vector<Harmonic>& set1, const std::vector<Harmonic>& set2) {
  CoefficientTable t;
  t.HarmonicCount = static_cast<std::uint8_t>(set1.size());
  for (size_t k = 0; k < set1.size(); ++k) {
    t.A[k] = set1[k].A, t.B[k] = set1[k].B, t.C[k] = set1[k].C;
    t.A2[k] = set2[k].A, t.B2[k] = set2[k].B, t.C2[k] = set2[k].C;
  }
  return t;
}

// The value as the formula's text holds it: written with 9 decimals and read back.
double AsWritten(double v) {
  const std::string text = FloatText(9, v);
  double out = 0;
  std::from_chars(text.data(), text.data() + text.size(), out);
  return text[0] == '-' && out > 0 ? -out : out;
}

CoefficientTable Rounded(const CoefficientTable& t) {
  CoefficientTable r = t;
  for (int k = 0; k < kMaxHarmonics; ++k) {
    for (double* v : {&r.A[k], &r.B[k], &r.C[k], &r.A2[k], &r.B2[k], &r.C2[k]}) *v = AsWritten(*v);
  }
  return r;
}

// The formula text with the part before the expression taken off.
std::string Expression(const std::string& formula, FormulaFormat format) {
  if (format == FormulaFormat::Plain) return formula.substr(std::string("F(x)=").size());
  if (format == FormulaFormat::Latex) return formula.substr(std::string("F(x) = ").size());
  return formula;
}

const char* VariableOf(FormulaFormat format) {
  return format == FormulaFormat::Spreadsheet ? "A2" : "x";
}

constexpr FormulaFormat kFormats[] = {
    FormulaFormat::Plain, FormulaFormat::Python, FormulaFormat::Spreadsheet, FormulaFormat::Latex};

// A fit's constant and trend come first, inside model 2's bracket, with their signs.
TEST(FormulaText, TermsComeBeforeTheHarmonicsInEachLanguage) {
  const CoefficientTable t = Table({{-2, 0.5, 1}}, {{1.5, 2, 0.25}});
  const FormulaTerms terms{true, true, 10.25, -0.5};
  const struct {
    FormulaModel Model;
    FormulaFormat Format;
    const char* Text;
  } cases[] = {
      {FormulaModel::One,
       FormulaFormat::Plain,
       "F(x)=10.250000000-0.500000000*x+-2.000000000*sin(0.500000000*x+1.000000000)"},
      {FormulaModel::One,
       FormulaFormat::Python,
       "10.250000000-0.500000000*x-2.000000000*np.sin(0.500000000*x+1.000000000)"},
      {FormulaModel::Two,
       FormulaFormat::SpreadsheetComma,
       "=(10,250000000-0,500000000*A2+1,500000000*SIN(2,000000000*A2+0,250000000))^2"},
      {FormulaModel::Two,
       FormulaFormat::Latex,
       "F(x) = \\left(10.250000000 - 0.500000000 x + 1.500000000 \\sin(2.000000000 x + "
       "0.250000000)\\right)^2"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormulaText(t, c.Model, c.Format, terms), c.Text);
}

TEST(FormulaText, TheIssuesExampleHarmonicInEachLanguage) {
  const CoefficientTable t = Table({{3.276986428, 0.225361511, 2.065039050}}, {{1.5, 2, 0.25}});
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Plain),
            "F(x)=3.276986428*sin(0.225361511*x+2.065039050)");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Python),
            "3.276986428*np.sin(0.225361511*x+2.065039050)");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Spreadsheet),
            "=3.276986428*SIN(0.225361511*A2+2.065039050)");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::SpreadsheetComma),
            "=3,276986428*SIN(0,225361511*A2+2,065039050)");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Latex),
            "F(x) = 3.276986428 \\sin(0.225361511 x + 2.065039050)");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::Plain),
            "F(x)=(1.500000000*sin(2.000000000*x+0.250000000))^2");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::Python),
            "(1.500000000*np.sin(2.000000000*x+0.250000000))**2");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::Spreadsheet),
            "=(1.500000000*SIN(2.000000000*A2+0.250000000))^2");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::SpreadsheetComma),
            "=(1,500000000*SIN(2,000000000*A2+0,250000000))^2");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::Latex),
            "F(x) = \\left(1.500000000 \\sin(2.000000000 x + 0.250000000)\\right)^2");
}

TEST(FormulaText, PlainTextIsTheReportsTermLinesJoined) {
  AppState state;
  state.Coefficients =
      Table({{1.5, 2, 0.25}, {0.125, 7.5, 3}, {2, 0.01, 6.1}}, {{4, 1, 1}, {3, 2, 2}, {2, 3, 3}});
  std::vector<std::string> lines;
  WriteReport(state, [&lines](const std::string& line) { lines.push_back(line); });
  // Lines 2..N+1 are model 1's terms; model 2's follow its heading, line 2N + 8.
  const int n = 3;
  std::string model1 = "F(x)=", model2 = "F(x)=";
  for (int k = 0; k < n; ++k) {
    model1 += lines[1 + k];
    model2 += lines[2 * n + 8 + k];
  }
  EXPECT_EQ(FormulaText(state.Coefficients, FormulaModel::One, FormulaFormat::Plain), model1);
  EXPECT_EQ(FormulaText(state.Coefficients, FormulaModel::Two, FormulaFormat::Plain), model2);
}

TEST(FormulaText, NegativeNumbersTakeTheirSignAsTheOperatorInCode) {
  const CoefficientTable t = Table({{-1.5, 2, -0.25}, {-0.5, -3, 1}}, {{1, 1, 1}, {1, 1, 1}});
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Python),
            "-1.500000000*np.sin(2.000000000*x-0.250000000)"
            "-0.500000000*np.sin(-3.000000000*x+1.000000000)");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Latex),
            "F(x) = -1.500000000 \\sin(2.000000000 x - 0.250000000)"
            " - 0.500000000 \\sin(-3.000000000 x + 1.000000000)");
}

TEST(FormulaText, NoHarmonicsIsAZeroSum) {
  const CoefficientTable t;
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Python), "0");
  EXPECT_EQ(FormulaText(t, FormulaModel::Two, FormulaFormat::Spreadsheet), "=(0)^2");
  EXPECT_EQ(FormulaText(t, FormulaModel::One, FormulaFormat::Plain), "F(x)=");
}

// Every language, for one to five harmonics, some of them negative, evaluated by a reader of the
// text at several x: it gives the model at the coefficients as written (9 decimals), and so the
// fitted model itself to within the rounding of those decimals.
TEST(FormulaText, EveryFormulaEvaluatesToTheModelAtSeveralX) {
  const std::vector<Harmonic> pool1 = {{3.276986428, 0.225361511, 2.065039050},
                                       {0.4, 1.7, 5.9},
                                       {1.25e-3, 12.5, 0.001},
                                       {-2.5, 0.05, 3.3},
                                       {7.75, 3.125, -1}};
  const std::vector<Harmonic> pool2 = {
      {1.1, 0.9, 0.3}, {0.6, 2.2, 4.4}, {-0.3, 5.5, 1.5}, {0.02, 0.1, 6}, {2.5, 0.75, 2.25}};
  const double xs[] = {-7.5, 0, 0.3, 2.75, 41};
  for (int n = 1; n <= kMaxHarmonics; ++n) {
    const CoefficientTable t =
        Table({pool1.begin(), pool1.begin() + n}, {pool2.begin(), pool2.begin() + n});
    const CoefficientTable shown = Rounded(t);
    for (FormulaModel model : {FormulaModel::One, FormulaModel::Two}) {
      for (FormulaFormat format : kFormats) {
        const std::string formula = FormulaText(t, model, format);
        SCOPED_TRACE(formula);
        for (double x : xs) {
          SCOPED_TRACE(x);
          const std::optional<double> v =
              EvaluateExpression(Expression(formula, format), {{VariableOf(format), x}});
          ASSERT_TRUE(v.has_value());
          const ModelKind kind =
              model == FormulaModel::One ? ModelKind::Sum : ModelKind::SquaredSum;
          double expected = 0, fitted = 0;
          ModelValues(ModelOf(shown, kind), &x, 1, &expected, LibrarySines);
          ModelValues(ModelOf(t, kind), &x, 1, &fitted, LibrarySines);
          EXPECT_NEAR(*v, expected, 1e-12 * (1 + std::fabs(expected)));
          EXPECT_NEAR(*v, fitted, 1e-6 * (1 + std::fabs(fitted)));
        }
      }
    }
  }
}

TEST(ExpressionEvaluator, RejectsWhatAReaderWouldReject) {
  EXPECT_FALSE(EvaluateExpression("1+", {}).has_value());
  EXPECT_FALSE(EvaluateExpression("2*y", {{"x", 1}}).has_value());
  EXPECT_FALSE(EvaluateExpression("(1+2", {}).has_value());
  EXPECT_EQ(EvaluateExpression("=2^3^2-4/2", {}), 510.0);
  EXPECT_EQ(EvaluateExpression("-2**2", {}), -4.0);
  EXPECT_EQ(EvaluateExpression("3 x", {{"x", 2}}), 6.0);
}

}  // namespace
