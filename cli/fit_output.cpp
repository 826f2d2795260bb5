#include "cli/fit_output.h"

#include <algorithm>
#include <numbers>
#include <string_view>
#include <vector>

#include "analysis/refinement_notes.h"
#include "cli/json_text.h"
#include "model/model_values.h"
#include "plot/float_text.h"
#include "report/harmonic_count_text.h"

std::string ReportHeading(const FileFit& fit, const FitOptions& options) {
  const FitResult& f = fit.Fit;
  const std::string series = fit.Series.empty() ? std::string() : " [" + fit.Series + "]";
  return "# " + fit.Path + series + " (" + std::to_string(f.Count) + "): harmonics " +
         std::to_string(options.Harmonics) + ", depth " + std::to_string(options.Depth) +
         ", minimum period " + JsonNumber(f.MinPeriod) + ", seeds " +
         std::to_string(f.StageSeeds[0]) + "," + std::to_string(f.StageSeeds[1]);
}

namespace {

std::string T(double v) { return FloatText(9, v); }

bool Wanted(ModelChoice models, ModelKind kind) {
  return models == ModelChoice::Both || (models == ModelChoice::Sum) == (kind == ModelKind::Sum);
}

// A value with its standard error, or with "undetermined" where none can be given.
std::string WithError(const char* name, int k, const Estimate& e) {
  return std::string(name) + std::to_string(k + 1) + " = " + T(e.Value) + " +- " +
         (e.Determined ? T(e.StdError) : std::string("undetermined"));
}

// A statistic, or "undetermined" where the data cannot give it.
std::string Figure(double v) { return IsDetermined(v) ? T(v) : std::string("undetermined"); }

// A term's line: its value, standard error and 95 % interval.
std::string TermLine(const char* name, const Estimate& e) {
  std::string line = std::string(name) + " = " + T(e.Value) + " +- ";
  if (!e.Determined) return line + "undetermined";
  return line + T(e.StdError) + " (95 %: " + T(e.Lower) + " to " + T(e.Upper) + ")";
}

// The terms of a fit that has them, and how it was weighted.
void WriteTerms(const ModelFit& fit, std::ostream& out) {
  if (fit.FixedCount > 0) {
    out << "Known periods: harmonics 1 to " << fit.FixedCount << " (B fixed)\n";
  }
  if (fit.HasConstant) out << TermLine("Constant", fit.Constant) << '\n';
  if (fit.HasTrend) out << TermLine("Trend", fit.Trend) << '\n';
  const ModelStatistics& s = fit.Statistics;
  if (s.Weighted) {
    out << "Weighted: chi2 = " << Figure(s.Chi2) << ", reduced chi2 = " << Figure(s.ReducedChi2)
        << '\n';
  }
}

// The refined model's figures and one line per harmonic with the standard errors.
void WriteRefinedModel(int number, const ModelFit& fit, std::ostream& out) {
  const ModelStatistics& s = fit.Statistics;
  out << "Least squares " << number << "): R2 = " << Figure(s.R2) << ", RMSE = " << Figure(s.Rmse)
      << ", AIC = " << Figure(s.Aic) << ", BIC = " << Figure(s.Bic)
      << ", df = " << s.DegreesOfFreedom << ", starts " << fit.Starts << ", hits " << fit.Hits
      << '\n';
  out << "Relative deviation = " << Figure(s.RelDeviation) << " %\n";
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    if (fit.Unbounded[k]) {  // its values only run away: none is a fit (the notes say why)
      const std::string n = std::to_string(k + 1);
      out << "A" << n << ", B" << n << ", C" << n << " = not determined (unbounded)\n";
      continue;
    }
    out << WithError("A", k, fit.A[k]) << "   " << WithError("B", k, fit.B[k]) << "   "
        << WithError("C", k, fit.C[k]) << '\n';
  }
  WriteTerms(fit, out);
}

void WriteNotes(const RefinementResult& result, ModelKind kind, std::ostream& out) {
  for (const std::string& note : RefinementNotes(result, kind)) out << "Note: " << note << '\n';
}

}  // namespace

void WriteReportBody(const Engine& core,
                     const RefinementResult* refinement,
                     std::ostream& out,
                     ModelChoice models) {
  const std::vector<std::string> lines = core.ReportLines();
  // Model 2's lines start at "2) F(x)=", after two empty lines.
  const auto second = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.starts_with("2) F(x)=");
  });
  const auto from = models == ModelChoice::SquaredSum ? second : lines.begin();
  const auto to =
      models == ModelChoice::Sum && second - lines.begin() >= 2 ? second - 2 : lines.end();
  for (auto line = from; line < to; ++line) out << *line << '\n';
  if (!refinement) return;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    if (!Wanted(models, kind)) continue;
    out << '\n';
    WriteRefinedModel(
        kind == ModelKind::Sum ? 1 : 2, refinement->Refined[static_cast<int>(kind)], out);
    WriteNotes(*refinement, kind, out);
  }
}

void WriteReportFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  out << ReportHeading(fit, options) << '\n';
  // Said where it is not the window's own search of the window's data.
  if (fit.Fit.Search == SearchKind::Periodogram || fit.Fit.Count > kRandomSearchMax) {
    out << "# search: " << SearchName(fit.Fit.Search) << '\n';
  }
  WriteReportBody(fit.Core, fit.Refined ? &fit.Refinement : nullptr, out, options.Models);
  if (!fit.Refined || !fit.Compared) return;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    if (!Wanted(options.Models, kind)) continue;
    out << '\n';
    for (const std::string& line :
         HarmonicCountLines(fit.Counts.Models[static_cast<int>(kind)], kind)) {
      out << line << '\n';
    }
  }
}

std::string CsvHeader(const FitOptions& options) {
  return options.Table ? "file,series,x,y,model1,model2,residual1,residual2\n"
                       : "file,x,y,model1,model2,residual1,residual2\n";
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

void WriteCsvComments(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  if (options.Comments) {
    out << ReportHeading(fit, options) << '\n';
    const std::string exported = fit.Core.CsvText();  // the window's export: '#' lines, then rows
    for (std::size_t at = 0; at < exported.size() && exported[at] == '#';) {
      const std::size_t end = exported.find('\n', at);
      out << exported.substr(at, end - at) << '\n';
      at = end + 1;
    }
  }
}

void WriteCsvFormat(const FileFit& fit, const FitOptions& options, std::ostream& out) {
  WriteCsvComments(fit, options, out);
  const ObservationSet& obs = fit.Core.State().Observations;
  const int n = obs.LastIndex + 1;
  // The fit's models with their terms, through the C library's sine, as the window's export and
  // a user's own code take them.
  std::vector<double> m1(n), m2(n);
  ModelValues(fit.Fit.Models[0], &obs.PlotX[0], n, m1.data(), LibrarySines);
  ModelValues(fit.Fit.Models[1], &obs.PlotX[0], n, m2.data(), LibrarySines);
  const std::string file =
      options.Table ? CsvField(fit.Path) + ',' + CsvField(fit.Series) : CsvField(fit.Path);
  const bool one = ModelWanted(options, 0), two = ModelWanted(options, 1);
  const auto field = [&out](bool wanted, double v) {
    out << ',';
    if (wanted) out << ShortestNumber(v);
  };
  for (int i = 0; i < n; ++i) {
    const double y = obs.OrigY[i];
    out << file << ',' << ShortestNumber(obs.PlotX[i]) << ',' << ShortestNumber(y);
    field(one, m1[i]);
    field(two, m2[i]);
    field(one, y - m1[i]);
    field(two, y - m2[i]);
    out << '\n';
  }
}

namespace {

// 2*pi/|B| for each harmonic; null for B = 0.
std::string PeriodsJson(const HarmonicModel& m) {
  double periods[kMaxHarmonics];
  for (int k = 0; k < m.Count; ++k) {
    periods[k] = m.B[k] != 0 ? 2 * std::numbers::pi / std::abs(m.B[k]) : kNotDetermined;
  }
  return JsonNumbers(periods, m.Count);
}

// One field of each estimate as a JSON array, null where the estimate is undetermined.
template <typename Field>
std::string EstimatesJson(const Estimate* values, int count, Field field) {
  std::string list = "[";
  for (int k = 0; k < count; ++k) {
    if (k > 0) list += ',';
    list += values[k].Determined ? JsonNumber(field(values[k])) : "null";
  }
  return list + "]";
}

std::string ModelJson(const FitResult& fit, ModelKind kind) {
  const int k = static_cast<int>(kind);
  const HarmonicModel& m = fit.Models[k];
  JsonObject model;
  Add(model, "A", JsonNumbers(m.A, m.Count));
  Add(model, "B", JsonNumbers(m.B, m.Count));
  Add(model, "C", JsonNumbers(m.C, m.Count));
  Add(model, "period", PeriodsJson(m));
  Add(model, "relative_deviation", JsonNumber(fit.RelDeviation[k]));
  Add(model, "residual", JsonNumber(fit.Objective[k]));
  if (fit.FixedCount > 0 || m.Constant != 0 || m.Trend != 0) {  // the terms' estimates
    Add(model, "constant", JsonNumber(m.Constant));
    Add(model, "trend", JsonNumber(m.Trend));
  }
  return Close(model);
}

// An estimate as {"value", "se", "lower", "upper"}, the last three null where undetermined.
std::string EstimateJson(const Estimate& e) {
  JsonObject object;
  Add(object, "value", JsonNumber(e.Value));
  Add(object, "se", e.Determined ? JsonNumber(e.StdError) : "null");
  Add(object, "lower", e.Determined ? JsonNumber(e.Lower) : "null");
  Add(object, "upper", e.Determined ? JsonNumber(e.Upper) : "null");
  return Close(object);
}

// The terms and weighting of a refined fit, only where it has them.
void AddTerms(JsonObject& model, const ModelFit& fit) {
  if (fit.HasConstant) Add(model, "constant", EstimateJson(fit.Constant));
  if (fit.HasTrend) Add(model, "trend", EstimateJson(fit.Trend));
  if (fit.FixedCount > 0) Add(model, "fixed_harmonics", std::to_string(fit.FixedCount));
  const ModelStatistics& s = fit.Statistics;
  if (!s.Weighted) return;
  Add(model, "chi2", JsonNumber(s.Chi2));
  Add(model, "reduced_chi2", JsonNumber(s.ReducedChi2));
}

// The refined model: the search's fields, then the standard errors (null where undetermined)
// and the statistics.
std::string RefinedJson(const RefinementResult& result, ModelKind kind) {
  const ModelFit& fit = result.Refined[static_cast<int>(kind)];
  HarmonicModel h = fit.Coefficients;
  // A harmonic whose amplitude grows without bound has no value to give: null, not 1e7.
  for (int k = 0; k < h.Count; ++k) {
    if (fit.Unbounded[k]) h.A[k] = h.B[k] = h.C[k] = kNotDetermined;
  }
  JsonObject model;
  Add(model, "A", JsonNumbers(h.A, h.Count));
  Add(model, "B", JsonNumbers(h.B, h.Count));
  Add(model, "C", JsonNumbers(h.C, h.Count));
  Add(model, "period", PeriodsJson(h));
  Add(model, "relative_deviation", JsonNumber(fit.Statistics.RelDeviation));
  Add(model, "residual", JsonNumber(fit.Objective));
  // Standard errors and the 95 % intervals (Student t), null where undetermined.
  JsonObject se, lower, upper;
  const struct {
    const char* Key;
    const Estimate* Values;
  } columns[] = {{"A", fit.A}, {"B", fit.B}, {"C", fit.C}, {"period", fit.Period}};
  for (const auto& column : columns) {
    Add(se, column.Key, EstimatesJson(column.Values, h.Count, [](const Estimate& e) {
          return e.StdError;
        }));
    Add(lower, column.Key, EstimatesJson(column.Values, h.Count, [](const Estimate& e) {
          return e.Lower;
        }));
    Add(upper, column.Key, EstimatesJson(column.Values, h.Count, [](const Estimate& e) {
          return e.Upper;
        }));
  }
  Add(model, "se", Close(se));
  Add(model, "lower", Close(lower));
  Add(model, "upper", Close(upper));
  const ModelStatistics& s = fit.Statistics;
  Add(model, "r2", JsonNumber(s.R2));
  Add(model, "rmse", JsonNumber(s.Rmse));
  Add(model, "aic", JsonNumber(s.Aic));
  Add(model, "bic", JsonNumber(s.Bic));
  Add(model, "df", std::to_string(s.DegreesOfFreedom));
  AddTerms(model, fit);
  Add(model, "starts", std::to_string(fit.Starts));
  Add(model, "hits", std::to_string(fit.Hits));
  Add(model, "termination", JsonString(TerminationText(fit.Ended, fit.Failure)));
  Add(model, "false_alarm", JsonNumber(result.PeakFalseAlarm[static_cast<int>(kind)]));
  // Each harmonic against the fit without it (null for known frequencies).
  Add(model, "harmonic_false_alarm", JsonNumbers(fit.HarmonicFalseAlarm, h.Count));
  std::string notes = "[";
  for (const std::string& note : RefinementNotes(result, kind)) {
    if (notes.size() > 1) notes += ',';
    notes += JsonString(note);
  }
  Add(model, "notes", notes + "]");
  return Close(model);
}

// The comparison of harmonic counts: a row per N and the recommended N (null when none).
std::string CountsJson(const HarmonicCountTable& table) {
  std::string rows = "[";
  for (const HarmonicCountRow& row : table.Rows) {
    if (rows.size() > 1) rows += ',';
    JsonObject r;
    Add(r, "harmonics", std::to_string(row.Harmonics));
    Add(r, "sse", JsonNumber(row.Sse));
    Add(r, "bic", JsonNumber(row.Bic));
    Add(r, "df", std::to_string(row.DegreesOfFreedom));
    Add(r, "f_test_p", JsonNumber(row.FTest));
    Add(r, "false_alarm", JsonNumber(row.FalseAlarm));
    rows += Close(r);
  }
  JsonObject object;
  Add(object, "rows", rows + "]");
  Add(object, "recommended", table.Recommended > 0 ? std::to_string(table.Recommended) : "null");
  return Close(object);
}

}  // namespace

void AddTableFields(JsonObject& line, const FileFit& fit, const FitOptions& options) {
  if (!options.Table || std::string_view(fit.Reader) != "table") return;
  Add(line, "x_columns", JsonString(fit.XColumns));
  Add(line, "series", JsonString(fit.Series));
  Add(line, "rows_left_out", std::to_string(fit.RowsLeftOut));
  // Times of day alone have no date to count from.
  if (fit.XIsDate && !fit.XTimesOfDay) Add(line, "x_origin_days", JsonNumber(fit.XOrigin));
}

std::string JsonLine(const FileFit& fit, const FitOptions& options, const std::string& predicted) {
  const FitResult& f = fit.Fit;
  JsonObject line;
  Add(line, "file", JsonString(fit.Path));
  AddTableFields(line, fit, options);
  Add(line, "count", std::to_string(f.Count));
  Add(line, "harmonics", std::to_string(f.Models[0].Count));
  Add(line, "depth", std::to_string(options.Depth));
  Add(line, "search", JsonString(SearchName(f.Search)));
  Add(line, "min_period", JsonNumber(f.MinPeriod));
  std::string seeds = "[";  // appended, not concatenated: GCC 12 warns wrongly on the sum
  seeds += std::to_string(f.StageSeeds[0]);
  seeds += ',';
  seeds += std::to_string(f.StageSeeds[1]);
  seeds += ']';
  Add(line, "seeds", seeds);
  const char* names[2] = {"model1", "model2"};
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    if (Wanted(options.Models, kind)) Add(line, names[static_cast<int>(kind)], ModelJson(f, kind));
  }
  if (fit.Refined) {
    JsonObject refined;
    for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
      if (!Wanted(options.Models, kind)) continue;
      Add(refined, names[static_cast<int>(kind)], RefinedJson(fit.Refinement, kind));
    }
    Add(line, "refined", Close(refined));
  }
  if (fit.Compared) {
    JsonObject counts;
    for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
      if (!Wanted(options.Models, kind)) continue;
      const int m = static_cast<int>(kind);
      Add(counts, names[m], CountsJson(fit.Counts.Models[m]));
    }
    Add(line, "harmonic_counts", Close(counts));
  }
  if (!predicted.empty()) Add(line, "predict", predicted);
  Add(line, "reader", JsonString(fit.Reader));
  Add(line, "notices", NoticesJson(fit.Notices));
  const std::vector<std::string> notes = LevelNotes(fit, options);
  if (!notes.empty()) {
    std::string list = "[";
    for (const std::string& note : notes) {
      if (list.size() > 1) list += ',';
      list += JsonString(note);
    }
    Add(line, "notes", list + "]");
  }
  return Close(line);
}

std::vector<std::string> LevelNotes(const FileFit& fit, const FitOptions& options) {
  std::vector<std::string> notes;
  if (options.Constant || options.Trend || !fit.Fitted) return notes;
  const ObservationSet& obs = fit.Core.State().Observations;
  const double span = obs.PlotX[obs.LastIndex] - obs.PlotX[0];
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    if (!Wanted(options.Models, kind)) continue;
    const HarmonicModel& model =
        fit.Refined ? fit.Refinement.Refined[m].Coefficients : fit.Fit.Models[m];
    std::string note = LevelNote(model, m + 1, fit.Fit.FixedCount, span);
    if (!note.empty()) notes.push_back(std::move(note));
  }
  return notes;
}

std::string RefusedJsonLine(const FileFit& fit, const FitOptions& options) {
  JsonObject line;
  Add(line, "file", JsonString(fit.Path));
  AddTableFields(line, fit, options);
  Add(line, "error", JsonString(fit.Error));
  Add(line, "reader", JsonString(fit.Reader));
  Add(line, "notices", NoticesJson(fit.Notices));
  return Close(line);
}
