#include "export/data_csv.h"

#include "analysis/model_terms.h"
#include "model/model_values.h"
#include "report/number_text.h"
#include "state/app_state.h"

std::string CsvNumber(double v) { return NumberText(v, kCsvDigits); }

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
                         double deviation,
                         const ModelTerms* terms,
                         const HarmonicModel* model) {
  const std::string name = "model" + std::to_string(number);
  if (terms && (terms->Constant || terms->Trend)) {
    const std::string sum = std::string(terms->Constant ? "c0+" : "") +
                            (terms->Trend ? "c1*x+" : "") + "sum of A*sin(B*x+C)";
    out += "# " + name + (number == 1 ? " = " + sum + "\n" : " = (" + sum + ")^2\n");
    if (terms->Constant) out += "# " + name + " c0 = " + CsvNumber(model->Constant) + '\n';
    if (terms->Trend) out += "# " + name + " c1 = " + CsvNumber(model->Trend) + '\n';
  } else {
    out +=
        "# " + name + (number == 1 ? " = sum of A*sin(B*x+C)\n" : " = (sum of A*sin(B*x+C))^2\n");
  }
  if (terms && terms->FixedCount > 0) {
    out += "# " + name + " known periods: harmonics 1 to " + std::to_string(terms->FixedCount) +
           " (B fixed)\n";
  }
  out += "# " + name + " relative deviation % = " + CsvNumber(deviation) + '\n';
  out += "# " + name + " harmonic,A,B,C\n";
  for (int k = 0; k < count; ++k) {
    out += "# " + name + ' ' + std::to_string(k + 1) + ',' + CsvNumber(a[k]) + ',' +
           CsvNumber(b[k]) + ',' + CsvNumber(c[k]) + '\n';
  }
}

std::string WriteCsv(const AppState& state, const ModelTerms* terms, const HarmonicModel* models) {
  const ObservationSet& obs = state.Observations;
  const CoefficientTable& t = state.Coefficients;
  std::string out;
  if (state.FitStage < 2) {
    out += "x,y\n";
    for (int i = 0; i <= obs.LastIndex; ++i) AppendRow(out, {obs.PlotX[i], obs.OrigY[i]});
    return out;
  }
  // What the fit searched with and its two seeds: enough to repeat it bit for bit, in the window
  // or with harmora-fit --seed.
  const FitSettings& fit = state.LastFit;
  out += "# Harmora fit with " + std::to_string(t.HarmonicCount) + " harmonics, depth " +
         std::to_string(fit.Depth) + ", minimum period " + CsvNumber(fit.MinPeriod) + ", seeds " +
         std::to_string(state.StageSeeds[0]) + "," + std::to_string(state.StageSeeds[1]) + "\n";
  const HarmonicModel* model2 = models ? models + 1 : nullptr;
  AppendModelComments(out, 1, t.A, t.B, t.C, t.HarmonicCount, state.RelDeviation, terms, models);
  AppendModelComments(
      out, 2, t.A2, t.B2, t.C2, t.HarmonicCount, state.SavedDeviation, terms, model2);
  out += "x,y,model1,model2,residual1,residual2\n";
  // The C library's sine, as a user's own code evaluating the written coefficients would take.
  const int n = obs.LastIndex + 1;
  RowArray m1(n), m2(n);
  ModelValues(models ? models[0] : ModelOf(t, ModelKind::Sum), obs.PlotX, n, m1, LibrarySines);
  ModelValues(
      models ? models[1] : ModelOf(t, ModelKind::SquaredSum), obs.PlotX, n, m2, LibrarySines);
  for (int i = 0; i < n; ++i) {
    const double x = obs.PlotX[i];
    const double y = obs.OrigY[i];
    AppendRow(out, {x, y, m1[i], m2[i], y - m1[i], y - m2[i]});
  }
  return out;
}

}  // namespace

std::string WriteDataCsv(const AppState& state) { return WriteCsv(state, nullptr, nullptr); }

std::string WriteDataCsv(const AppState& state,
                         const ModelTerms& terms,
                         const HarmonicModel models[2]) {
  return WriteCsv(state, &terms, models);
}
