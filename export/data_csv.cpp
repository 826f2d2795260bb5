#include "export/data_csv.h"

#include <charconv>
#include <system_error>

#include "export/model_value.h"
#include "state/app_state.h"

std::string CsvNumber(double v) {
  // Enough for a sign, 17 digits, the point and a four-character exponent, with room to spare.
  char buffer[40];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, kCsvDigits);
  return std::string(buffer, result.ptr);
}

namespace {

void AppendRow(std::string& out, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out += ',';
    out += CsvNumber(v);
    first = false;
  }
  out += '\n';
}

void AppendModelComments(std::string& out,
                         int number,
                         const double* a,
                         const double* b,
                         const double* c,
                         int count,
                         double deviation) {
  const std::string name = "model" + std::to_string(number);
  out += "# " + name + (number == 1 ? " = sum of A*sin(B*x+C)\n" : " = (sum of A*sin(B*x+C))^2\n");
  out += "# " + name + " relative deviation % = " + CsvNumber(deviation) + '\n';
  out += "# " + name + " harmonic,A,B,C\n";
  for (int k = 0; k < count; ++k) {
    out += "# " + name + ' ' + std::to_string(k + 1) + ',' + CsvNumber(a[k]) + ',' +
           CsvNumber(b[k]) + ',' + CsvNumber(c[k]) + '\n';
  }
}

}  // namespace

std::string WriteDataCsv(const AppState& state) {
  const ObservationSet& obs = state.Observations;
  const CoefficientTable& t = state.Coefficients;
  std::string out;
  if (state.FitStage < 2) {
    out += "x,y\n";
    for (int i = 0; i <= obs.LastIndex; ++i) AppendRow(out, {obs.PlotX[i], obs.OrigY[i]});
    return out;
  }
  out += "# Harmora fit with " + std::to_string(t.HarmonicCount) + " harmonics\n";
  AppendModelComments(out, 1, t.A, t.B, t.C, t.HarmonicCount, state.RelDeviation);
  AppendModelComments(out, 2, t.A2, t.B2, t.C2, t.HarmonicCount, state.SavedDeviation);
  out += "x,y,model1,model2,residual1,residual2\n";
  for (int i = 0; i <= obs.LastIndex; ++i) {
    const double x = obs.PlotX[i];
    const double y = obs.OrigY[i];
    const double m1 = ModelOneValue(t, x);
    const double m2 = ModelTwoValue(t, x);
    AppendRow(out, {x, y, m1, m2, y - m1, y - m2});
  }
  return out;
}
