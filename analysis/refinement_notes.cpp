#include "analysis/refinement_notes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <string_view>
#include <utility>

#include "analysis/residual_lines.h"
#include "analysis/unbounded_harmonics.h"

namespace {

// The pieces as one string, allocated once.
std::string Join(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string joined;
  joined.reserve(size);
  for (const std::string_view piece : pieces) joined += piece;
  return joined;
}

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
// by "or". // A harmonic sharing its line with another is not noise (SharedLineText says what it
// is).
std::string NoiseText(const ModelFit& fit, double span) {
  std::string list;
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    const double alarm = fit.HarmonicFalseAlarm[k];
    if (!(IsDetermined(alarm) && alarm > kTrustFalseAlarm) || SharesLine(fit, k, span)) continue;
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

// "harmonic 1 (period 3.2e+04)" for each searched harmonic of the model that completes less than
// half a cycle over the data's span: such a harmonic stands in for a level or a trend.
std::string SlowText(const HarmonicModel& model, int fixedCount, double span) {
  std::string list;
  for (int k = fixedCount; k < model.Count; ++k) {
    const double b = model.B[k];
    if (!(span > 0) || !(b * span < std::numbers::pi)) continue;
    if (!(model.A[k] != 0)) continue;
    if (!list.empty()) list += ", ";
    list += "harmonic ";
    list += std::to_string(k + 1);
    list += b > 0 ? " (period " + Number(2 * std::numbers::pi / b) + ")" : " (B = 0)";
  }
  return list;
}

// A fit with fewer than two observations per parameter whose starts ran out before the best was
// confirmed (Termination::StartCap), or "". There the lowest optimum is noise fitted by nearly as
// many parameters as points, one of many about as deep, and a longer search may find a lower one
// (over the quality benchmark's such fits, every one that missed the best known optimum). Better
// determined fits reach the cap too, mostly where the best is a limit (a frequency going to 0
// beside a level) that few starts come to, and nearly always at the optimum: no note there.
// A fit with an unbounded harmonic has no optimum to confirm, only a limit that starts approach
// along different rays: with at least two observations per parameter every miss of the quality
// benchmark's (2 of 390 fits, replicates 3) was such a fit, ended by agreeing hits, so those get
// the note however they ended (about a quarter of that benchmark's well-determined fits, all
// degenerate).
std::string UnconfirmedText(const char* which, const ModelFit& fit) {
  const int parameters = fit.StageStatistics.Parameters;
  const int observations = parameters + fit.StageStatistics.DegreesOfFreedom;
  const bool crowded = observations < 2 * parameters;
  if (fit.Ended == Termination::StartCap && crowded) {
    return Join({"Not certain to be the least-squares optimum (",
                 which,
                 "): with ",
                 std::to_string(observations),
                 " observations for ",
                 std::to_string(parameters),
                 " parameters, optima of about the same depth crowd, and its ",
                 std::to_string(fit.Starts),
                 " starts ran out before five drawn independently agreed on the best; a longer "
                 "search may find a lower one."});
  }
  const bool unbounded = std::find(fit.Unbounded, fit.Unbounded + kMaxHarmonics, true) !=
                         fit.Unbounded + kMaxHarmonics;
  if (crowded || !unbounded || fit.Starts == 0) return "";
  return Join({"Not certain to be the least-squares optimum (",
               which,
               "): its sum of squares has no finite minimum, only a limit that starts approach as "
               "amplitudes grow, and a longer search may come closer to it."});
}

}  // namespace

std::string LevelNote(const HarmonicModel& model, int number, int fixedCount, double span) {
  const std::string slow = SlowText(model, fixedCount, span);
  if (slow.empty()) return slow;
  return Join({"Model ",
               std::to_string(number),
               ": ",
               slow,
               " completes less than half a cycle over the data (x spans ",
               Number(span),
               "): it carries the data's level, which a model without a constant cannot; fit with "
               "a constant (leave out --no-constant; constant=True in Python) to see the cycles."});
}

namespace {

// A fit of the result with the names its notes give it.
struct NamedFit {
  const ModelFit& Fit;
  const char* Name;
  const char* Lower;
};

// The note on the data's strongest periodogram peak, where noise could have made it.
void AddPeakNote(double alarm, std::vector<std::string>& notes) {
  if (!IsDetermined(alarm)) {
    notes.push_back("Not to be trusted: too few observations to tell a sinusoid from noise.");
  } else if (alarm > kTrustFalseAlarm) {
    notes.push_back(Join(
        {"Not to be trusted: the data's strongest periodogram peak has a false-alarm probability "
         "of ",
         Number(100 * alarm),
         " % (above 1 %); noise alone fits them about as well, and the intervals do not hold."}));
  }
}

// The fit's notes on harmonics noise could explain and on rival optima outside its intervals.
void AddTrustNotes(const NamedFit& f, double span, std::vector<std::string>& notes) {
  const std::string noise = NoiseText(f.Fit, span);
  if (!noise.empty()) {
    notes.push_back(Join({"Not to be trusted (",
                          f.Lower,
                          "): noise alone could explain as much as ",
                          noise,
                          ", the false-alarm probability against the fit without it (above 1 "
                          "%); the intervals do not hold."}));
  }
  if (std::isfinite(f.Fit.RivalRatio)) {
    // A rival refined further than the best may even end below it.
    const double change = 100 * (f.Fit.RivalRatio - 1);
    notes.push_back(Join({"Not to be trusted (",
                          f.Lower,
                          "): other frequencies, B = ",
                          RivalText(f.Fit),
                          ", fit almost as well (objective ",
                          Number(std::fabs(change)),
                          change >= 0 ? " % higher" : " % lower",
                          ", inside the 95 % profile-likelihood interval) and lie outside the "
                          "intervals, which hold only near the best fit."}));
  }
}

// The note on a searched harmonic too slow to be a cycle over the data.
void AddSlowNote(const NamedFit& f, double span, std::vector<std::string>& notes) {
  const std::string slow = f.Fit.Starts > 0 && !f.Fit.HasTrend
                               ? SlowText(f.Fit.Coefficients, f.Fit.FixedCount, span)
                               : "";
  if (slow.empty()) return;
  notes.push_back(
      Join({f.Name,
            ": ",
            slow,
            " completes less than half a cycle over the data (x spans ",
            Number(span),
            f.Fit.HasConstant ? "): it stands in for a trend rather than a cycle; fit a trend"
                              : "): it stands in for a level or a trend rather than a cycle; fit "
                                "a constant (and a trend)",
            " to see the cycles."}));
}

// The note on harmonics the refinement took above the search's band.
void AddBeyondNote(const NamedFit& f,
                   const RefinementResult& result,
                   std::vector<std::string>& notes) {
  if (f.Fit.Starts == 0 || !BeyondSearchBand(result, f.Fit)) return;
  notes.push_back(Join({f.Name,
                        ": ",
                        BeyondText(result, f.Fit),
                        " above the search's band (B up to ",
                        Number(result.SearchBand),
                        "), where the search could not look."}));
}

// Adds the text when there is one.
void AddNonEmpty(std::string text, std::vector<std::string>& notes) {
  if (!text.empty()) notes.push_back(std::move(text));
}

}  // namespace

std::vector<std::string> RefinementNotes(const RefinementResult& result, ModelKind kind) {
  std::vector<std::string> notes;
  const int m = static_cast<int>(kind);
  AddPeakNote(result.PeakFalseAlarm[m], notes);
  const NamedFit fits[] = {{result.Refined[m], "Refined", "refined"},
                           {result.WithConstant[m], "With constant", "with constant"}};
  for (const NamedFit& f : fits) AddTrustNotes(f, result.Span, notes);
  for (const NamedFit& f : fits) {
    AddNonEmpty(SharedLineText(f.Fit, f.Lower, result.Span), notes);
    AddNonEmpty(ResidualLineText(f.Fit, f.Lower), notes);
  }
  for (const NamedFit& f : fits) {
    AddNonEmpty(UnboundedNote(f.Name, f.Fit, result.Span, result.RefinementBand), notes);
  }
  for (const NamedFit& f : fits) AddNonEmpty(UnconfirmedText(f.Lower, f.Fit), notes);
  for (const NamedFit& f : fits) AddSlowNote(f, result.Span, notes);
  for (const NamedFit& f : fits) AddBeyondNote(f, result, notes);
  return notes;
}
