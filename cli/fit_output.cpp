#include "cli/fit_output.h"

#include "analysis/refinement_notes.h"
#include "cli/json_text.h"
#include "plot/float_text.h"

std::string ReportHeading(const FileFit& fit, const FitOptions& options) {
  const FitResult& f = fit.Fit;
  return "# " + fit.Path + " (" + std::to_string(f.Count) + "): harmonics " +
         std::to_string(options.Harmonics) + ", depth " + std::to_string(options.Depth) +
         ", minimum period " + JsonNumber(f.MinPeriod) + ", seeds " +
         std::to_string(f.StageSeeds[0]) + "," + std::to_string(f.StageSeeds[1]);
}

namespace {

std::string T(double v) { return FloatText(9, v); }

// A value with its standard error, or with "undetermined" where none can be given.
std::string WithError(const char* name, int k, const Estimate& e) {
  return std::string(name) + std::to_string(k + 1) + " = " + T(e.Value) + " +- " +
         (e.Determined ? T(e.StdError) : std::string("undetermined"));
}

// A statistic, or "undetermined" where the data cannot give it.
std::string Figure(double v) { return IsDetermined(v) ? T(v) : std::string("undetermined"); }

// The refined model's figures and one line per harmonic with the standard errors.
void WriteRefinedModel(int number, const ModelFit& fit, std::ostream& out) {
  const ModelStatistics& s = fit.Statistics;
  out << "Least squares " << number << "): R2 = " << Figure(s.R2) << ", RMSE = " << Figure(s.Rmse)
      << ", AIC = " << Figure(s.Aic) << ", BIC = " << Figure(s.Bic)
      << ", df = " << s.DegreesOfFreedom << ", starts " << fit.Starts << ", hits " << fit.Hits
      << '\n';
  out << "Relative deviation = " << Figure(s.RelDeviation) << " %\n";
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    out << WithError("A", k, fit.A[k]) << "   " << WithError("B", k, fit.B[k]) << "   "
        << WithError("C", k, fit.C[k]) << '\n';
  }
}

void WriteNotes(const RefinementResult& result, ModelKind kind, std::ostream& out) {
  for (const std::string& note : RefinementNotes(result, kind)) out << "Note: " << note << '\n';
}

}  // namespace

void WriteReportFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  out << ReportHeading(fit, options) << '\n';
  fit.Core.WriteReportLines([&out](const std::string& line) { out << line << '\n'; });
  if (!fit.Refined) return;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    out << '\n';
    WriteRefinedModel(
        kind == ModelKind::Sum ? 1 : 2, fit.Refinement.Refined[static_cast<int>(kind)], out);
    WriteNotes(fit.Refinement, kind, out);
  }
}

void WriteCsvFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  out << ReportHeading(fit, options) << '\n' << fit.Core.CsvText();
}

namespace {

std::string ModelJson(const FitResult& fit, ModelKind kind) {
  const int k = static_cast<int>(kind);
  const HarmonicModel& m = fit.Models[k];
  JsonObject model;
  Add(model, "A", JsonNumbers(m.A, m.Count));
  Add(model, "B", JsonNumbers(m.B, m.Count));
  Add(model, "C", JsonNumbers(m.C, m.Count));
  Add(model, "relative_deviation", JsonNumber(fit.RelDeviation[k]));
  Add(model, "residual", JsonNumber(fit.Objective[k]));
  return Close(model);
}

// The refined model: the search's fields, then the standard errors (null where undetermined)
// and the statistics.
std::string RefinedJson(const RefinementResult& result, ModelKind kind) {
  const ModelFit& fit = result.Refined[static_cast<int>(kind)];
  const HarmonicModel& h = fit.Coefficients;
  JsonObject model;
  Add(model, "A", JsonNumbers(h.A, h.Count));
  Add(model, "B", JsonNumbers(h.B, h.Count));
  Add(model, "C", JsonNumbers(h.C, h.Count));
  Add(model, "relative_deviation", JsonNumber(fit.Statistics.RelDeviation));
  Add(model, "residual", JsonNumber(fit.Objective));
  JsonObject se;
  const struct {
    const char* Key;
    const Estimate* Values;
  } columns[] = {{"A", fit.A}, {"B", fit.B}, {"C", fit.C}};
  for (const auto& column : columns) {
    std::string list = "[";
    for (int k = 0; k < h.Count; ++k) {
      if (k > 0) list += ',';
      list += column.Values[k].Determined ? JsonNumber(column.Values[k].StdError) : "null";
    }
    Add(se, column.Key, list + "]");
  }
  Add(model, "se", Close(se));
  const ModelStatistics& s = fit.Statistics;
  Add(model, "r2", JsonNumber(s.R2));
  Add(model, "rmse", JsonNumber(s.Rmse));
  Add(model, "aic", JsonNumber(s.Aic));
  Add(model, "bic", JsonNumber(s.Bic));
  Add(model, "df", std::to_string(s.DegreesOfFreedom));
  Add(model, "starts", std::to_string(fit.Starts));
  Add(model, "hits", std::to_string(fit.Hits));
  Add(model, "termination", JsonString(TerminationText(fit.Ended, fit.Failure)));
  Add(model, "false_alarm", JsonNumber(result.PeakFalseAlarm[static_cast<int>(kind)]));
  std::string notes = "[";
  for (const std::string& note : RefinementNotes(result, kind)) {
    if (notes.size() > 1) notes += ',';
    notes += JsonString(note);
  }
  Add(model, "notes", notes + "]");
  return Close(model);
}

}  // namespace

std::string JsonLine(const FileFit& fit, const FitOptions& options) {
  const FitResult& f = fit.Fit;
  JsonObject line;
  Add(line, "file", JsonString(fit.Path));
  Add(line, "count", std::to_string(f.Count));
  Add(line, "harmonics", std::to_string(f.Models[0].Count));
  Add(line, "depth", std::to_string(options.Depth));
  Add(line, "min_period", JsonNumber(f.MinPeriod));
  std::string seeds = "[";  // appended, not concatenated: GCC 12 warns wrongly on the sum
  seeds += std::to_string(f.StageSeeds[0]);
  seeds += ',';
  seeds += std::to_string(f.StageSeeds[1]);
  seeds += ']';
  Add(line, "seeds", seeds);
  Add(line, "model1", ModelJson(f, ModelKind::Sum));
  Add(line, "model2", ModelJson(f, ModelKind::SquaredSum));
  if (fit.Refined) {
    JsonObject refined;
    Add(refined, "model1", RefinedJson(fit.Refinement, ModelKind::Sum));
    Add(refined, "model2", RefinedJson(fit.Refinement, ModelKind::SquaredSum));
    Add(line, "refined", Close(refined));
  }
  Add(line, "notices", NoticesJson(fit.Notices));
  return Close(line);
}

std::string RefusedJsonLine(const FileFit& fit) {
  JsonObject line;
  Add(line, "file", JsonString(fit.Path));
  Add(line, "error", JsonString(fit.Error));
  Add(line, "notices", NoticesJson(fit.Notices));
  return Close(line);
}
