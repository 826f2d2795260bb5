#include "report/report_text.h"

#include <numbers>

#include "analysis/model_terms.h"
#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "state/app_state.h"

namespace {

constexpr size_t kPeriodColumn = 25;  // the period starts in column 26, under its heading

std::string T(double v) { return FloatText(9, v); }

// "c0+c1*x+" for the terms a fit has, or nothing without them.
std::string TermsText(const ModelTerms* terms, const HarmonicModel* model) {
  if (!terms || !model || !(terms->Constant || terms->Trend)) return {};
  std::string text;
  if (terms->Constant) text = T(model->Constant);
  if (terms->Trend) {
    const std::string slope = T(model->Trend);
    text += (text.empty() || slope.front() == '-' ? "" : "+") + slope + "*x";
  }
  return text + "+";
}

void WriteModel(int number,
                const double* a,
                const double* b,
                const double* c,
                int count,
                double deviation,
                const std::string& terms,
                const std::function<void(const std::string&)>& appendLine) {
  appendLine(std::to_string(number) + ") F(x)=");
  if (!terms.empty()) appendLine(number == 2 ? "(" + terms : terms);
  for (int k = 0; k < count; ++k) {
    std::string line = ReportTerm(a[k], b[k], c[k]);
    if (k < count - 1) line += "+";
    if (number == 2 && k == 0 && terms.empty()) line = "(" + line;
    if (number == 2 && k == count - 1) line += ")^2";
    appendLine(line);
  }
  appendLine("");
  appendLine("Relative deviation = " + T(deviation) + " %");
  appendLine("");
  appendLine("Frequency                Period");
  for (int k = 0; k < count; ++k) {
    std::string line = T(b[k]);
    if (line.size() < kPeriodColumn) line.append(kPeriodColumn - line.size(), ' ');
    appendLine(line + T(CheckedDivide(2 * std::numbers::pi, b[k])));
  }
}

}  // namespace

std::string ReportTerm(double a, double b, double c) {
  return T(a) + "*sin(" + T(b) + "*x+" + T(c) + ")";
}

namespace {

void WriteBoth(const AppState& state,
               const ModelTerms* terms,
               const HarmonicModel* models,
               const std::function<void(const std::string&)>& appendLine) {
  const CoefficientTable& t = state.Coefficients;
  const int n = t.HarmonicCount;
  const HarmonicModel* model2 = models ? models + 1 : nullptr;
  WriteModel(1, t.A, t.B, t.C, n, state.RelDeviation, TermsText(terms, models), appendLine);
  appendLine("");
  appendLine("");
  WriteModel(2, t.A2, t.B2, t.C2, n, state.SavedDeviation, TermsText(terms, model2), appendLine);
}

}  // namespace

void WriteReport(const AppState& state, const std::function<void(const std::string&)>& appendLine) {
  WriteBoth(state, nullptr, nullptr, appendLine);
}

void WriteReport(const AppState& state,
                 const ModelTerms& terms,
                 const HarmonicModel models[2],
                 const std::function<void(const std::string&)>& appendLine) {
  WriteBoth(state, &terms, models, appendLine);
}
