#include "export/data_csv.h"

#include <algorithm>
#include <charconv>

#include "analysis/model_terms.h"
#include "model/model_values.h"
#include "report/number_text.h"
#include "state/app_state.h"

std::string CsvNumber(double v) { return NumberText(v, kCsvDigits); }

std::string CsvNumber(double v, const CsvStyle& style) {
  std::string text;
  if (style.Shortest) {
    char buffer[40];
    text.assign(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
  } else {
    text = CsvNumber(v);
  }
  if (style.Decimal != '.') std::replace(text.begin(), text.end(), '.', style.Decimal);
  return text;
}

namespace {

void AppendRow(std::string& out, const CsvStyle& style, std::initializer_list<double> values) {
  bool first = true;
  for (double v : values) {
    if (!first) out += style.Separator;
    out += CsvNumber(v, style);
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
                         const HarmonicModel* model,
                         const CsvStyle& style) {
  const auto text = [&style](double v) { return CsvNumber(v, style); };
  const char sep = style.Separator;
  const std::string name = "model" + std::to_string(number);
  if (terms && (terms->Constant || terms->Trend)) {
    const std::string sum = std::string(terms->Constant ? "c0+" : "") +
                            (terms->Trend ? "c1*x+" : "") + "sum of A*sin(B*x+C)";
    out += "# " + name + (number == 1 ? " = " + sum + "\n" : " = (" + sum + ")^2\n");
    if (terms->Constant) out += "# " + name + " c0 = " + text(model->Constant) + '\n';
    if (terms->Trend) out += "# " + name + " c1 = " + text(model->Trend) + '\n';
  } else {
    out +=
        "# " + name + (number == 1 ? " = sum of A*sin(B*x+C)\n" : " = (sum of A*sin(B*x+C))^2\n");
  }
  if (terms && terms->FixedCount > 0) {
    out += "# " + name + " known periods: harmonics 1 to " + std::to_string(terms->FixedCount) +
           " (B fixed)\n";
  }
  out += "# " + name + " relative deviation % = " + text(deviation) + '\n';
  out += "# " + name + " harmonic" + sep + 'A' + sep + 'B' + sep + "C\n";
  for (int k = 0; k < count; ++k) {
    out += "# " + name + ' ' + std::to_string(k + 1) + sep + text(a[k]) + sep + text(b[k]) + sep +
           text(c[k]) + '\n';
  }
}

// The header's names with the style's separator.
std::string Header(const CsvStyle& style, std::initializer_list<const char*> names) {
  std::string out;
  for (const char* name : names) {
    if (!out.empty()) out += style.Separator;
    out += name;
  }
  return out + '\n';
}

std::string WriteCsv(const AppState& state,
                     const ModelTerms* terms,
                     const HarmonicModel* models,
                     const CsvStyle& style) {
  const ObservationSet& obs = state.Observations;
  const CoefficientTable& t = state.Coefficients;
  std::string out;
  if (state.FitStage < 2) {
    out += Header(style, {"x", "y"});
    for (int i = 0; i <= obs.LastIndex; ++i) AppendRow(out, style, {obs.PlotX[i], obs.OrigY[i]});
    return out;
  }
  if (style.Comments) {
    // What the fit searched with and its two seeds: enough to repeat it bit for bit, in the
    // window or with harmora-fit --seed.
    const FitSettings& fit = state.LastFit;
    out += "# Harmora fit with " + std::to_string(t.HarmonicCount) + " harmonics, depth " +
           std::to_string(fit.Depth) + ", minimum period " + CsvNumber(fit.MinPeriod, style) +
           ", seeds " + std::to_string(state.StageSeeds[0]) + "," +
           std::to_string(state.StageSeeds[1]) + "\n";
    const HarmonicModel* model2 = models ? models + 1 : nullptr;
    AppendModelComments(
        out, 1, t.A, t.B, t.C, t.HarmonicCount, state.RelDeviation, terms, models, style);
    AppendModelComments(
        out, 2, t.A2, t.B2, t.C2, t.HarmonicCount, state.SavedDeviation, terms, model2, style);
  }
  out += Header(style, {"x", "y", "model1", "model2", "residual1", "residual2"});
  // The C library's sine, as a user's own code evaluating the written coefficients would take.
  const int n = obs.LastIndex + 1;
  RowArray m1(n), m2(n);
  ModelValues(models ? models[0] : ModelOf(t, ModelKind::Sum), obs.PlotX, n, m1, LibrarySines);
  ModelValues(
      models ? models[1] : ModelOf(t, ModelKind::SquaredSum), obs.PlotX, n, m2, LibrarySines);
  for (int i = 0; i < n; ++i) {
    const double x = obs.PlotX[i];
    const double y = obs.OrigY[i];
    AppendRow(out, style, {x, y, m1[i], m2[i], y - m1[i], y - m2[i]});
  }
  return out;
}

}  // namespace

std::string WriteDataCsv(const AppState& state) { return WriteCsv(state, nullptr, nullptr, {}); }

std::string WriteDataCsv(const AppState& state, const CsvStyle& style) {
  return WriteCsv(state, nullptr, nullptr, style);
}

std::string WriteDataCsv(const AppState& state,
                         const ModelTerms& terms,
                         const HarmonicModel models[2],
                         const CsvStyle& style) {
  return WriteCsv(state, &terms, models, style);
}
