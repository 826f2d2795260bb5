#include "cli/fit_output.h"

#include "app/report_text.h"
#include "cli/json_text.h"
#include "export/data_csv.h"

std::string ReportHeading(const FileFit& fit, const FitOptions& options) {
  const AppState& s = fit.State;
  return "# " + fit.Path + " (" + std::to_string(s.Observations.LastIndex + 1) + "): harmonics " +
         std::to_string(options.Harmonics) + ", depth " + std::to_string(options.Depth) +
         ", minimum period " + JsonNumber(s.Observations.MinPeriod) + ", seeds " +
         std::to_string(s.StageSeeds[0]) + "," + std::to_string(s.StageSeeds[1]);
}

void WriteReportFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  out << ReportHeading(fit, options) << '\n';
  WriteReport(fit.State, [&out](const std::string& line) { out << line << '\n'; });
}

void WriteCsvFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  out << ReportHeading(fit, options) << '\n' << WriteDataCsv(fit.State);
}

namespace {

std::string ModelJson(const ObservationSet& obs,
                      const double* a,
                      const double* b,
                      const double* c,
                      int count,
                      double deviation,
                      bool squaredModel) {
  JsonObject model;
  Add(model, "A", JsonNumbers(a, count));
  Add(model, "B", JsonNumbers(b, count));
  Add(model, "C", JsonNumbers(c, count));
  Add(model, "relative_deviation", JsonNumber(deviation));
  Add(model, "residual", JsonNumber(StageObjective(obs, a, b, c, count, squaredModel)));
  return Close(model);
}

}  // namespace

std::string JsonLine(const FileFit& fit, const FitOptions& options) {
  const AppState& s = fit.State;
  const CoefficientTable& t = s.Coefficients;
  const int n = t.HarmonicCount;
  JsonObject line;
  Add(line, "file", JsonString(fit.Path));
  Add(line, "count", std::to_string(s.Observations.LastIndex + 1));
  Add(line, "harmonics", std::to_string(n));
  Add(line, "depth", std::to_string(options.Depth));
  Add(line, "min_period", JsonNumber(s.Observations.MinPeriod));
  std::string seeds = "[";  // appended, not concatenated: GCC 12 warns wrongly on the sum
  seeds += std::to_string(s.StageSeeds[0]);
  seeds += ',';
  seeds += std::to_string(s.StageSeeds[1]);
  seeds += ']';
  Add(line, "seeds", seeds);
  Add(line, "model1", ModelJson(s.Observations, t.A, t.B, t.C, n, s.RelDeviation, false));
  Add(line, "model2", ModelJson(s.Observations, t.A2, t.B2, t.C2, n, s.SavedDeviation, true));
  return Close(line);
}
