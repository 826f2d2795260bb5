#include "analysis/refinement_notes.h"

#include <charconv>

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
  } fits[] = {{result.Refined[m], "Refined"}, {result.WithConstant[m], "With constant"}};
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
