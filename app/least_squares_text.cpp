#include "app/least_squares_text.h"

#include <charconv>
#include <cmath>
#include <numbers>

#include "analysis/refinement_notes.h"
#include "plot/float_text.h"

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

// Columns longer than their width keep a gap, so neighbouring numbers never run together.
std::string Row(const std::string& label, const std::vector<std::string>& cells) {
  std::string line = label;
  const size_t labelShown = Shown(label);
  line.append(labelShown < kLabelWidth ? kLabelWidth - labelShown : kColumnGap, ' ');
  for (const std::string& cell : cells) {
    const size_t shown = Shown(cell);
    line += cell;
    line.append(shown < kColumnWidth ? kColumnWidth - shown : kColumnGap, ' ');
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string IntervalText(const Estimate& e) {
  std::string text = "[";
  text += CoefficientText(e.Lower);
  text += ", ";
  text += CoefficientText(e.Upper);
  text += "]";
  return text;
}

struct Column {
  const ModelFit* Fit;
  std::string Title;
};

std::string CountText(int v) { return std::to_string(v); }

void EstimateRows(std::vector<std::string>& lines,
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
  lines.push_back(Row(name, values));
  lines.push_back(Row("  std. error", errors));
  lines.push_back(Row("  95% CI", intervals));
}

void StatisticRow(std::vector<std::string>& lines,
                  const std::string& name,
                  const std::vector<Column>& columns,
                  const std::function<std::string(const ModelFit&)>& text) {
  std::vector<std::string> cells;
  for (const Column& column : columns) cells.push_back(text(*column.Fit));
  lines.push_back(Row(name, cells));
}

void ModelBlock(std::vector<std::string>& lines,
                ModelKind kind,
                const std::vector<Column>& columns,
                const std::vector<std::string>& notes) {
  const ModelFit& search = *columns.front().Fit;
  const int observations = search.Statistics.Parameters + search.Statistics.DegreesOfFreedom;
  int count = 0;
  bool constant = false;
  for (const Column& column : columns) {
    count = std::max(count, std::min(column.Fit->Coefficients.Count, kMaxHarmonics));
    constant = constant || column.Fit->HasConstant;
  }
  lines.push_back(kind == ModelKind::Sum ? "Model 1: F(x) = sum of A*sin(B*x+C)"
                                         : "Model 2: F(x) = (sum of A*sin(B*x+C))^2");
  lines.push_back("N = " + CountText(count) + ", n = " + CountText(observations));
  // Above the table: a reader must see them before the intervals.
  for (const std::string& note : notes) lines.push_back("Note: " + note);
  lines.emplace_back();
  std::vector<std::string> titles;
  for (const Column& column : columns) titles.push_back(column.Title);
  lines.push_back(Row("", titles));

  for (int k = 0; k < count; ++k) {
    const std::string j = CountText(k + 1);
    const auto has = [k](const ModelFit& f) { return k < f.Coefficients.Count; };
    EstimateRows(
        lines,
        "A" + j,
        columns,
        has,
        [k](const ModelFit& f) { return f.Coefficients.A[k]; },
        [k](const ModelFit& f) -> const Estimate& { return f.A[k]; });
    EstimateRows(
        lines,
        "B" + j,
        columns,
        has,
        [k](const ModelFit& f) { return f.Coefficients.B[k]; },
        [k](const ModelFit& f) -> const Estimate& { return f.B[k]; });
    EstimateRows(
        lines,
        "C" + j,
        columns,
        has,
        [k](const ModelFit& f) { return f.Coefficients.C[k]; },
        [k](const ModelFit& f) -> const Estimate& { return f.C[k]; });
    // A zero frequency has no period: the quotient is infinite and shows as undetermined.
    EstimateRows(
        lines,
        "Period " + j,
        columns,
        has,
        [k](const ModelFit& f) { return 2 * std::numbers::pi / f.Coefficients.B[k]; },
        [k](const ModelFit& f) -> const Estimate& { return f.Period[k]; });
  }
  if (constant) {
    EstimateRows(
        lines,
        "c0",
        columns,
        [](const ModelFit& f) { return f.HasConstant; },
        [](const ModelFit& f) { return f.Constant.Value; },
        [](const ModelFit& f) -> const Estimate& { return f.Constant; });
  }
  lines.emplace_back();

  StatisticRow(
      lines, "SSE", columns, [](const ModelFit& f) { return CompactText(f.Statistics.Sse); });
  StatisticRow(
      lines, "RMSE", columns, [](const ModelFit& f) { return CompactText(f.Statistics.Rmse); });
  StatisticRow(
      lines, "R²", columns, [](const ModelFit& f) { return CompactText(f.Statistics.R2); });
  StatisticRow(lines, "Adjusted R²", columns, [](const ModelFit& f) {
    return f.Statistics.DegreesOfFreedom > 0 ? CompactText(f.Statistics.AdjustedR2) : kUndetermined;
  });
  StatisticRow(
      lines, "AIC", columns, [](const ModelFit& f) { return CompactText(f.Statistics.Aic); });
  StatisticRow(
      lines, "BIC", columns, [](const ModelFit& f) { return CompactText(f.Statistics.Bic); });
  StatisticRow(lines, "Parameters", columns, [](const ModelFit& f) {
    return CountText(f.Statistics.Parameters);
  });
  StatisticRow(lines, "Degrees of freedom", columns, [](const ModelFit& f) {
    return CountText(f.Statistics.DegreesOfFreedom);
  });
  // The search's own result was not found by starts of the refinement.
  StatisticRow(lines, "Starts tried", columns, [](const ModelFit& f) {
    return f.Starts > 0 ? CountText(f.Starts) : kUndetermined;
  });
  StatisticRow(lines, "Hits", columns, [](const ModelFit& f) {
    return f.Starts > 0 ? CountText(f.Hits) : kUndetermined;
  });
  lines.emplace_back();
  for (const Column& column : columns) {
    std::string caption = column.Title + ":";
    caption.append(caption.size() < kCaptionWidth ? kCaptionWidth - caption.size() : 1, ' ');
    lines.push_back(caption + "Relative deviation = " +
                    CoefficientText(column.Fit->Statistics.RelDeviation) + " %");
  }
}

}  // namespace

std::string CoefficientText(double v) { return std::isfinite(v) ? FloatText(9, v) : kUndetermined; }

std::string CompactText(double v) {
  if (!std::isfinite(v)) return kUndetermined;
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6);
  return std::string(text, end.ptr);
}

std::vector<std::string> LeastSquaresLines(const RefinementResult& result,
                                           const std::uint32_t stageSeeds[2],
                                           bool withConstant) {
  std::vector<std::string> lines;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    std::vector<Column> columns = {{&result.Search[m], "Search"}, {&result.Refined[m], "Refined"}};
    if (withConstant && result.WithConstant[m].HasConstant) {
      columns.push_back({&result.WithConstant[m], "With constant"});
    }
    ModelBlock(lines, kind, columns, RefinementNotes(result, kind));
    lines.emplace_back();
    lines.emplace_back();
  }
  lines.push_back("Stage seeds of the search: " + std::to_string(stageSeeds[0]) +
                  " (stage 1, model 2), " + std::to_string(stageSeeds[1]) + " (stage 2, model 1)");
  return lines;
}

std::vector<double> ModelResiduals(const ObservationSet& obs, const ModelFit& fit, ModelKind kind) {
  std::vector<double> residuals;
  const HarmonicSet& h = fit.Coefficients;
  const int count = std::min(h.Count, kMaxHarmonics);
  for (int i = 0; i <= obs.LastIndex; ++i) {
    double v = fit.HasConstant ? fit.Constant.Value : 0.0;
    for (int k = 0; k < count; ++k) v += h.A[k] * std::sin(h.B[k] * obs.PlotX[i] + h.C[k]);
    if (kind == ModelKind::SquaredSum) v = v * v;
    residuals.push_back(obs.OrigY[i] - v);
  }
  return residuals;
}
