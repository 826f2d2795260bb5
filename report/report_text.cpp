#include "report/report_text.h"

#include <numbers>

#include "base/run_time_fault.h"
#include "plot/float_text.h"
#include "state/app_state.h"

namespace {

constexpr size_t kPeriodColumn = 25;  // the period starts in column 26, under its heading

std::string T(double v) { return FloatText(9, v); }

void WriteModel(int number,
                const double* a,
                const double* b,
                const double* c,
                int count,
                double deviation,
                const std::function<void(const std::string&)>& appendLine) {
  appendLine(std::to_string(number) + ") F(x)=");
  for (int k = 0; k < count; ++k) {
    std::string line = ReportTerm(a[k], b[k], c[k]);
    if (k < count - 1) line += "+";
    if (number == 2 && k == 0) line = "(" + line;
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

void WriteReport(const AppState& state, const std::function<void(const std::string&)>& appendLine) {
  const CoefficientTable& t = state.Coefficients;
  const int n = t.HarmonicCount;
  WriteModel(1, t.A, t.B, t.C, n, state.RelDeviation, appendLine);
  appendLine("");
  appendLine("");
  WriteModel(2, t.A2, t.B2, t.C2, n, state.SavedDeviation, appendLine);
}
