#include "report/least_squares_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/refinement_notes.h"
#include "model/model_values.h"
#include "plot/float_text.h"
#include "report/number_text.h"

namespace {

constexpr size_t kLabelWidth = 20;    // "Degrees of freedom" and two blanks
constexpr size_t kColumnWidth = 32;   // a 95 % interval of two 9-decimal values below 1000
constexpr size_t kColumnGap = 2;      // kept after a cell that overflows its column
constexpr size_t kCaptionWidth = 15;  // "With constant: " before each relative deviation
const std::string kUndetermined = "—";

// Characters on screen: UTF-8 continuation bytes add none ("—", "²").
size_t Shown(const std::string& text) {
  size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// One line of a block: a label and one cell per column, or a line written as it is.
struct TextRow {
  std::string Label;
  std::vector<std::string> Cells;
  bool Plain = false;
};

// The rows as aligned text: every column is as wide as its widest cell and a gap (at least
// kColumnWidth), so a wide interval moves the whole column, never one line of it.
void AppendRows(std::vector<std::string>& lines, const std::vector<TextRow>& rows) {
  std::vector<size_t> widths;
  size_t labelWidth = kLabelWidth;
  for (const TextRow& row : rows) {
    if (row.Plain) continue;
    labelWidth = std::max(labelWidth, Shown(row.Label) + kColumnGap);
    if (widths.size() < row.Cells.size()) widths.resize(row.Cells.size(), kColumnWidth);
    for (size_t c = 0; c < row.Cells.size(); ++c) {
      widths[c] = std::max(widths[c], Shown(row.Cells[c]) + kColumnGap);
    }
  }
  for (const TextRow& row : rows) {
    std::string line = row.Label;
    if (!row.Plain) {
      line.append(labelWidth - Shown(row.Label), ' ');
      for (size_t c = 0; c < row.Cells.size(); ++c) {
        line += row.Cells[c];
        line.append(widths[c] - Shown(row.Cells[c]), ' ');
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
    }
    lines.push_back(line);
  }
}

TextRow Plain(std::string text) { return TextRow{std::move(text), {}, true}; }

// A sentence as lines of at most about 90 columns, so that the window needs no horizontal
// scrolling to read it; later lines are indented under its first word.
void AppendWrapped(std::vector<TextRow>& rows, const std::string& text, std::size_t indent) {
  constexpr std::size_t kWidth = 90;
  std::string line;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
      rows.push_back(Plain(line));
      line = std::string(indent, ' ');
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
    line += word;
    start = end + 1;
  }
  if (!line.empty()) rows.push_back(Plain(line));
}

// Bounds past a billion (a parameter the data do not pin down) in six digits, so that their
// 9-decimal form does not push the next column out of the window.
std::string IntervalText(const Estimate& e) {
  const bool huge = std::max(std::abs(e.Lower), std::abs(e.Upper)) >= 1e9;
  const auto bound = huge ? CompactText : CoefficientText;
  std::string text = "[";
  text += bound(e.Lower);
  text += ", ";
  text += bound(e.Upper);
  text += "]";
  return text;
}

struct Column {
  const ModelFit* Fit;
  std::string Title;
};

std::string CountText(int v) { return std::to_string(v); }

void EstimateRows(std::vector<TextRow>& rows,
                  const std::string& name,
                  const std::vector<Column>& columns,
                  const std::function<bool(const ModelFit&)>& has,
                  const std::function<double(const ModelFit&)>& value,
                  const std::function<const Estimate&(const ModelFit&)>& estimate) {
  std::vector<std::string> values, errors, intervals;
  for (const Column& column : columns) {
    const ModelFit& fit = *column.Fit;
    if (!has(fit)) {
      values.emplace_back();
      errors.emplace_back();
      intervals.emplace_back();
      continue;
    }
    const Estimate& e = estimate(fit);
    values.push_back(CoefficientText(value(fit)));
    const bool shown = e.Determined && std::isfinite(e.StdError) && std::isfinite(e.Lower) &&
                       std::isfinite(e.Upper);
    errors.push_back(shown ? CompactText(e.StdError) : kUndetermined);
    intervals.push_back(shown ? IntervalText(e) : kUndetermined);
  }
  rows.push_back({name, values});
  rows.push_back({"  std. error", errors});
  rows.push_back({"  95% CI", intervals});
}

void StatisticRow(std::vector<TextRow>& rows,
                  const std::string& name,
                  const std::vector<Column>& columns,
                  const std::function<std::string(const ModelFit&)>& text) {
  std::vector<std::string> cells;
  for (const Column& column : columns) cells.push_back(text(*column.Fit));
  rows.push_back({name, cells});
}

// With no degrees of freedom left the model runs through every point: R^2 and the information
// criteria say nothing about it.
std::string FitMeasure(const ModelStatistics& s, double v) {
  return s.DegreesOfFreedom > 0 ? CompactText(v) : kUndetermined;
}

// SSE, RMSE, R^2, adjusted R^2, AIC and BIC of `which` statistics of each column, the labels
// followed by `suffix`.
void StatisticRows(std::vector<TextRow>& rows,
                   const std::vector<Column>& columns,
                   const std::string& suffix,
                   const ModelStatistics ModelFit::*which,
                   bool criteria) {
  const auto stat = [which](const std::function<std::string(const ModelStatistics&)>& text) {
    return [which, text](const ModelFit& f) { return text(f.*which); };
  };
  StatisticRow(rows, "SSE" + suffix, columns, stat([](const ModelStatistics& s) {
                 return CompactText(s.Sse);
               }));
  StatisticRow(rows, "RMSE" + suffix, columns, stat([](const ModelStatistics& s) {
                 return CompactText(s.Rmse);
               }));
  StatisticRow(rows, "R²" + suffix, columns, stat([](const ModelStatistics& s) {
                 return FitMeasure(s, s.R2);
               }));
  // A weighted fit's SSE is chi^2; its reduced form says how the sigma agree with the scatter.
  bool weighted = false;
  for (const Column& column : columns) weighted = weighted || (column.Fit->*which).Weighted;
  if (weighted && criteria) {
    StatisticRow(rows, "Reduced chi²" + suffix, columns, stat([](const ModelStatistics& s) {
                   return s.Weighted ? CompactText(s.ReducedChi2) : std::string();
                 }));
  }
  if (!criteria) return;
  StatisticRow(rows, "Adjusted R²" + suffix, columns, stat([](const ModelStatistics& s) {
                 return FitMeasure(s, s.AdjustedR2);
               }));
  StatisticRow(rows, "AIC" + suffix, columns, stat([](const ModelStatistics& s) {
                 return FitMeasure(s, s.Aic);
               }));
  StatisticRow(rows, "BIC" + suffix, columns, stat([](const ModelStatistics& s) {
                 return FitMeasure(s, s.Bic);
               }));
}

// A harmonic whose amplitude runs away (ModelFit::Unbounded) has no value to show, as its
// intervals have none.
double ShownValue(const ModelFit& f, int k, double v) {
  return f.Unbounded[k] ? kNotDetermined : v;
}

void HarmonicRows(std::vector<TextRow>& rows, const std::vector<Column>& columns, int k) {
  const std::string j = CountText(k + 1);
  const auto has = [k](const ModelFit& f) { return k < f.Coefficients.Count; };
  EstimateRows(
      rows,
      "A" + j,
      columns,
      has,
      [k](const ModelFit& f) { return ShownValue(f, k, f.Coefficients.A[k]); },
      [k](const ModelFit& f) -> const Estimate& { return f.A[k]; });
  EstimateRows(
      rows,
      "B" + j,
      columns,
      has,
      [k](const ModelFit& f) { return ShownValue(f, k, f.Coefficients.B[k]); },
      [k](const ModelFit& f) -> const Estimate& { return f.B[k]; });
  EstimateRows(
      rows,
      "C" + j,
      columns,
      has,
      [k](const ModelFit& f) { return ShownValue(f, k, f.Coefficients.C[k]); },
      [k](const ModelFit& f) -> const Estimate& { return f.C[k]; });
  // A zero frequency has no period: the quotient is infinite and shows as undetermined.
  EstimateRows(
      rows,
      "Period " + j,
      columns,
      has,
      [k](const ModelFit& f) {
        return ShownValue(f, k, 2 * std::numbers::pi / f.Coefficients.B[k]);
      },
      [k](const ModelFit& f) -> const Estimate& { return f.Period[k]; });
}

void ModelBlock(std::vector<std::string>& lines,
                ModelKind kind,
                const std::vector<Column>& columns,
                const std::vector<std::string>& notes) {
  const ModelFit& search = *columns.front().Fit;
  const int observations = search.Statistics.Parameters + search.Statistics.DegreesOfFreedom;
  int count = 0;
  bool constant = false, trend = false, noFreedom = false;
  for (const Column& column : columns) {
    count = std::max(count, std::min(column.Fit->Coefficients.Count, kMaxHarmonics));
    constant = constant || column.Fit->HasConstant;
    trend = trend || column.Fit->HasTrend;
    noFreedom = noFreedom || column.Fit->Statistics.DegreesOfFreedom <= 0;
  }
  std::vector<TextRow> rows;
  rows.push_back(Plain(kind == ModelKind::Sum ? "Model 1: F(x) = sum of A*sin(B*x+C)"
                                              : "Model 2: F(x) = (sum of A*sin(B*x+C))^2"));
  rows.push_back(Plain("N = " + CountText(count) + ", n = " + CountText(observations)));
  if (search.Statistics.Weighted) {
    AppendWrapped(rows,
                  "Weighted least squares with the data's sigma (relative, as scipy's curve_fit "
                  "by default): SSE is chi², and R², AIC and BIC are weighted.",
                  0);
  }
  // Above the table: a reader must see them before the intervals.
  for (const std::string& note : notes) AppendWrapped(rows, "Note: " + note, 6);
  if (noFreedom) {
    AppendWrapped(rows,
                  "No degrees of freedom left: the model has as many parameters as there "
                  "are observations, or more; it runs through the points, and its "
                  "errors, R², AIC and BIC are not determined.",
                  0);
  }
  rows.push_back(Plain(""));
  std::vector<std::string> titles;
  for (const Column& column : columns) titles.push_back(column.Title);
  rows.push_back({"", titles});

  for (int k = 0; k < count; ++k) HarmonicRows(rows, columns, k);
  if (constant) {
    EstimateRows(
        rows,
        "c0",
        columns,
        [](const ModelFit& f) { return f.HasConstant; },
        [](const ModelFit& f) { return f.Constant.Value; },
        [](const ModelFit& f) -> const Estimate& { return f.Constant; });
  }
  if (trend) {
    EstimateRows(
        rows,
        "c1",
        columns,
        [](const ModelFit& f) { return f.HasTrend; },
        [](const ModelFit& f) { return f.Trend.Value; },
        [](const ModelFit& f) -> const Estimate& { return f.Trend; });
  }
  rows.push_back(Plain(""));

  if (kind == ModelKind::Sum) {
    StatisticRows(rows, columns, "", &ModelFit::Statistics, true);
  } else {
    // Model 2 is fitted as S to sqrt(y+): that objective is the one the refinement lowers. The
    // square's figures against y follow it, but need not fall with it.
    rows.push_back(Plain("Minimised objective, S against sqrt(max(y, 0)):"));
    StatisticRows(rows, columns, "", &ModelFit::StageStatistics, true);
    rows.push_back(Plain("The model S^2 against y:"));
    StatisticRows(rows, columns, " in y", &ModelFit::Statistics, false);
  }
  StatisticRow(rows, "Parameters", columns, [](const ModelFit& f) {
    return CountText(f.Statistics.Parameters);
  });
  StatisticRow(rows, "Degrees of freedom", columns, [](const ModelFit& f) {
    return CountText(f.Statistics.DegreesOfFreedom);
  });
  // The search's own result was not found by starts of the refinement.
  StatisticRow(rows, "Starts tried", columns, [](const ModelFit& f) {
    return f.Starts > 0 ? CountText(f.Starts) : kUndetermined;
  });
  StatisticRow(rows, "Hits", columns, [](const ModelFit& f) {
    return f.Starts > 0 ? CountText(f.Hits) : kUndetermined;
  });
  StatisticRow(rows, "Ended", columns, [](const ModelFit& f) {
    return f.Ended == Termination::NotRun ? kUndetermined : TerminationText(f.Ended, f.Failure);
  });
  rows.push_back(Plain(""));
  for (const Column& column : columns) {
    std::string caption = column.Title + ":";
    caption.append(caption.size() < kCaptionWidth ? kCaptionWidth - caption.size() : 1, ' ');
    rows.push_back(Plain(caption + "Relative deviation = " +
                         CoefficientText(column.Fit->Statistics.RelDeviation) + " %"));
  }
  AppendRows(lines, rows);
}

}  // namespace

std::string CoefficientText(double v) { return std::isfinite(v) ? FloatText(9, v) : kUndetermined; }

std::string CompactText(double v) {
  if (!std::isfinite(v)) return kUndetermined;
  return NumberText(v, 6);
}

namespace {

// "c0 + c1*x, known periods 12 and 24 (harmonics 1-2, B fixed)" for the terms of a fit.
std::string TermsText(const ModelFit& fit) {
  std::vector<std::string> parts;
  if (fit.HasConstant) parts.emplace_back("c0");
  if (fit.HasTrend) parts.emplace_back("c1*x");
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : " + ") + part;
  if (fit.FixedCount > 0) {
    std::string periods;
    for (int k = 0; k < fit.FixedCount; ++k) {
      periods += (k == 0                    ? ""
                  : k + 1 == fit.FixedCount ? " and "
                                            : ", ") +
                 CompactText(2 * std::numbers::pi / fit.Coefficients.B[k]);
    }
    text += (text.empty() ? "" : ", ") + std::string("known period") +
            (fit.FixedCount > 1 ? "s " : " ") + periods + " (harmonic" +
            (fit.FixedCount > 1 ? "s 1-" + CountText(fit.FixedCount) : " 1") + ", B fixed)";
  }
  return text;
}

void WriteLines(std::vector<std::string>& lines,
                const RefinementResult& result,
                const std::uint32_t stageSeeds[2],
                const ModelFit* third,
                const std::string& thirdTitle) {
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    std::vector<Column> columns = {{&result.Search[m], "Search"}, {&result.Refined[m], "Refined"}};
    if (third) columns.push_back({&third[m], thirdTitle});
    ModelBlock(lines, kind, columns, RefinementNotes(result, kind));
    lines.emplace_back();
    lines.emplace_back();
  }
  lines.push_back("Stage seeds of the search: " + std::to_string(stageSeeds[0]) +
                  " (stage 1, model 2), " + std::to_string(stageSeeds[1]) + " (stage 2, model 1)");
}

}  // namespace

std::vector<std::string> LeastSquaresLines(const RefinementResult& result,
                                           const std::uint32_t stageSeeds[2],
                                           bool withConstant) {
  std::vector<std::string> lines;
  const bool third = withConstant && result.WithConstant[0].HasConstant;
  WriteLines(lines, result, stageSeeds, third ? result.WithConstant : nullptr, "With constant");
  return lines;
}

std::vector<std::string> LeastSquaresLines(const RefinementResult& result,
                                           const std::uint32_t stageSeeds[2],
                                           const RefinementResult& withTerms) {
  std::vector<std::string> lines;
  std::vector<TextRow> rows;
  AppendWrapped(rows,
                "With terms: " + TermsText(withTerms.Refined[0]) +
                    ". Searched on the data less the terms' least-squares estimate with the "
                    "search's seeds and depth, then refined jointly.",
                12);
  rows.push_back(Plain(""));
  AppendRows(lines, rows);
  WriteLines(lines, result, stageSeeds, withTerms.Refined, "With terms");
  return lines;
}

std::vector<double> ModelResiduals(const ObservationSet& obs, const ModelFit& fit, ModelKind kind) {
  HarmonicModel m = fit.Coefficients;
  m.Kind = kind;
  m.Constant = fit.HasConstant ? fit.Constant.Value : 0.0;
  m.Trend = fit.HasTrend ? fit.Trend.Value : 0.0;
  const int n = obs.LastIndex + 1;
  std::vector<double> residuals(static_cast<std::size_t>(std::max(n, 0)));
  ModelValues(m, obs.PlotX, n, residuals.data(), LibrarySines);
  for (int i = 0; i < n; ++i) residuals[i] = obs.OrigY[i] - residuals[i];
  return residuals;
}

void PairWithSearch(const HarmonicModel& search, ModelFit& fit) {
  const int n = std::min(fit.Coefficients.Count, kMaxHarmonics);
  if (search.Count != fit.Coefficients.Count || n < 2) return;
  // At most 5! = 120 orders: the one whose frequencies lie nearest the search's, in total.
  int order[kMaxHarmonics], best[kMaxHarmonics];
  for (int k = 0; k < n; ++k) order[k] = best[k] = k;
  double bestDistance = std::numeric_limits<double>::infinity();
  do {
    double distance = 0;
    for (int k = 0; k < n; ++k) distance += std::fabs(fit.Coefficients.B[order[k]] - search.B[k]);
    if (distance < bestDistance) {
      bestDistance = distance;
      std::copy(order, order + n, best);
    }
  } while (std::next_permutation(order, order + n));
  const ModelFit before = fit;
  for (int k = 0; k < n; ++k) {
    const int from = best[k];
    fit.Coefficients.A[k] = before.Coefficients.A[from];
    fit.Coefficients.B[k] = before.Coefficients.B[from];
    fit.Coefficients.C[k] = before.Coefficients.C[from];
    fit.A[k] = before.A[from];
    fit.B[k] = before.B[from];
    fit.C[k] = before.C[from];
    fit.Period[k] = before.Period[from];
  }
}
