#include "analysis/refinement_notes.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace {

std::string Number(double v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 3);
  return std::string(text, end.ptr);
}

// "B2 = 12.6" for each frequency of fit above the search's band.
std::string BeyondText(const RefinementResult& result, const ModelFit& fit) {
  std::string list;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    if (!(fit.Coefficients.B[k] > result.SearchBand * (1 + 1e-9))) continue;
    // Appended piece by piece: GCC 12 warns wrongly on a sum of strings here.
    if (!list.empty()) list += ", ";
    list += 'B';
    list += std::to_string(k + 1);
    list += " = ";
    list += Number(fit.Coefficients.B[k]);
  }
  return list;
}

// "harmonic 3 (12 %)" for each harmonic of fit whose false-alarm probability is too high, joined
// by "or".
std::string NoiseText(const ModelFit& fit) {
  std::string list;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    const double alarm = fit.HarmonicFalseAlarm[k];
    if (!(IsDetermined(alarm) && alarm > kTrustFalseAlarm)) continue;
    if (!list.empty()) list += " or ";
    list += "harmonic ";
    list += std::to_string(k + 1);
    list += " (";
    list += Number(100 * alarm);
    list += " %)";
  }
  return list;
}

std::string RivalText(const ModelFit& fit) {
  std::string list;
  for (int k = fit.FixedCount; k < fit.Coefficients.Count; ++k) {
    if (!list.empty()) list += ", ";
    list += Number(fit.RivalB[k - fit.FixedCount]);
  }
  return list;
}

// "harmonic 1 (period 3.2e+04)" for each searched harmonic of fit that completes less than half
// a cycle over the data's span: such a harmonic stands in for a level or a trend.
std::string SlowText(const RefinementResult& result, const ModelFit& fit) {
  std::string list;
  for (int k = fit.FixedCount; k < fit.Coefficients.Count; ++k) {
    const double b = fit.Coefficients.B[k];
    if (!(result.Span > 0) || !(b * result.Span < std::numbers::pi)) continue;
    if (!(fit.Coefficients.A[k] != 0)) continue;
    if (!list.empty()) list += ", ";
    list += "harmonic ";
    list += std::to_string(k + 1);
    list += b > 0 ? " (period " + Number(2 * std::numbers::pi / b) + ")" : " (B = 0)";
  }
  return list;
}

}  // namespace

std::vector<std::string> RefinementNotes(const RefinementResult& result, ModelKind kind) {
  std::vector<std::string> notes;
  const int m = static_cast<int>(kind);
  const double alarm = result.PeakFalseAlarm[m];
  if (!IsDetermined(alarm)) {
    notes.push_back("Not to be trusted: too few observations to tell a sinusoid from noise.");
  } else if (alarm > kTrustFalseAlarm) {
    std::string note =
        "Not to be trusted: the data's strongest periodogram peak has a false-alarm probability "
        "of ";
    note += Number(100 * alarm);
    note += " % (above 1 %); noise alone fits them about as well, and the intervals do not hold.";
    notes.push_back(note);
  }
  const struct {
    const ModelFit& Fit;
    const char* Name;
    const char* Lower;
  } fits[] = {{result.Refined[m], "Refined", "refined"},
              {result.WithConstant[m], "With constant", "with constant"}};
  for (const auto& f : fits) {
    const std::string noise = NoiseText(f.Fit);
    if (!noise.empty()) {
      std::string note = "Not to be trusted (";
      note += f.Lower;
      note += "): noise alone could explain as much as ";
      note += noise;
      note +=
          ", the false-alarm probability against the fit without it (above 1 %); the intervals "
          "do not hold.";
      notes.push_back(note);
    }
    if (std::isfinite(f.Fit.RivalRatio)) {
      std::string note = "Not to be trusted (";
      note += f.Lower;
      note += "): other frequencies, B = ";
      note += RivalText(f.Fit);
      // A rival refined further than the best may even end below it.
      const double change = 100 * (f.Fit.RivalRatio - 1);
      note += ", fit almost as well (objective ";
      note += Number(std::fabs(change));
      note += change >= 0 ? " % higher" : " % lower";
      note +=
          ", inside the 95 % profile-likelihood interval) and lie outside the intervals, which "
          "hold only near the best fit.";
      notes.push_back(note);
    }
  }
  for (const auto& f : fits) {
    const std::string slow = f.Fit.Starts > 0 && !f.Fit.HasTrend ? SlowText(result, f.Fit) : "";
    if (slow.empty()) continue;
    std::string note = f.Name;
    note += ": ";
    note += slow;
    note += " completes less than half a cycle over the data (x spans ";
    note += Number(result.Span);
    note += f.Fit.HasConstant ? "): it stands in for a trend rather than a cycle; fit a trend"
                              : "): it stands in for a level or a trend rather than a cycle; fit "
                                "a constant (and a trend)";
    note += " to see the cycles.";
    notes.push_back(note);
  }
  for (const auto& f : fits) {
    if (f.Fit.Starts == 0 || !BeyondSearchBand(result, f.Fit)) continue;
    std::string note = f.Name;
    note += ": ";
    note += BeyondText(result, f.Fit);
    note += " above the search's band (B up to ";
    note += Number(result.SearchBand);
    note += "), where the search could not look.";
    notes.push_back(note);
  }
  return notes;
}
