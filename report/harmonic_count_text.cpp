#include "report/harmonic_count_text.h"

#include "report/least_squares_text.h"

namespace {

std::string Cell(std::string text, std::size_t width) {
  // "—" is three bytes but one column wide.
  const std::size_t shown = text.size() - (text.find("—") != std::string::npos ? 2 : 0);
  if (shown < width) text.append(width - shown, ' ');
  return text;
}

}  // namespace

std::vector<std::string> HarmonicCountLines(const HarmonicCountTable& table, ModelKind kind) {
  std::vector<std::string> lines;
  lines.push_back(std::string(kind == ModelKind::Sum ? "Model 1" : "Model 2") +
                  ": how many harmonics (each against the fit without it)");
  lines.push_back(Cell("N", 4) + Cell("SSE", 14) + Cell("BIC", 14) + Cell("p (F test)", 14) +
                  "false alarm");
  for (const HarmonicCountRow& row : table.Rows) {
    lines.push_back(Cell(std::to_string(row.Harmonics), 4) + Cell(CompactText(row.Sse), 14) +
                    Cell(CompactText(row.Bic), 14) + Cell(CompactText(row.FTest), 14) +
                    CompactText(row.FalseAlarm));
  }
  lines.push_back(
      table.Recommended > 0
          ? "Recommended: N = " + std::to_string(table.Recommended) +
                " (least BIC among the N whose last harmonic has a false-alarm probability of "
                "at most 1 %)"
          : std::string("Recommended: none (no harmonic has a false-alarm probability of at most "
                        "1 %)"));
  return lines;
}
