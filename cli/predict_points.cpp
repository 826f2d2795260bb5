#include "cli/predict_points.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

namespace {

// The part's value, and its digits after the decimal point where it is a plain decimal (no
// exponent); -1 digits otherwise.
struct RangePart {
  double Value = 0;
  int Decimals = -1;
};

// A number, or with `date` an ISO date in days (whole days: counted exactly).
std::optional<RangePart> ReadPart(std::string_view text, bool date) {
  RangePart part;
  if (date) {
    if (!ReadRangeDate(text, part.Value)) return std::nullopt;
    part.Decimals = part.Value == std::floor(part.Value) ? 0 : -1;
    return part;
  }
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, part.Value);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(part.Value)) {
    return std::nullopt;
  }
  if (text.find_first_of("eE") != std::string_view::npos) return part;
  const std::size_t point = text.find('.');
  part.Decimals = point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
  return part;
}

// Decimals beyond which the parts are not counted as integers of 10^-d: 10^15 keeps a range's
// integers exact in a double for values up to about 9.
constexpr int kMostExactDecimals = 15;
constexpr double kExactIntegers = 9007199254740992.0;  // 2^53

// The grid as integers of 10^-d: exact counts and each point start + i step rounded once.
bool ExactGrid(const RangePart (&parts)[3], std::int64_t& count, double& scale, double (&n)[3]) {
  int decimals = 0;
  for (const RangePart& part : parts) {
    if (part.Decimals < 0) return false;
    decimals = std::max(decimals, part.Decimals);
  }
  if (decimals > kMostExactDecimals) return false;
  scale = std::pow(10.0, decimals);
  for (int i = 0; i < 3; ++i) {
    n[i] = std::round(parts[i].Value * scale);
    if (std::abs(n[i]) >= kExactIntegers) return false;
  }
  // In integers: a quotient in doubles may round up onto the next whole step.
  const std::int64_t steps =
      static_cast<std::int64_t>(n[1] - n[0]) / static_cast<std::int64_t>(n[2]);
  count = std::min(steps, kMaxPredictPoints) + 1;
  return true;
}

// The grid in doubles: stop counts as on it within a billionth of a step.
std::int64_t FloatCount(double start, double stop, double step) {
  const double steps = std::floor((stop - start) / step + 1e-9);
  return steps >= kMaxPredictPoints ? kMaxPredictPoints + 1 : static_cast<std::int64_t>(steps) + 1;
}

std::string Quoted(Language language, std::string_view text) {
  std::string out = Say(language, "'", "«");
  out += text;
  out += Say(language, "'", "»");
  return out;
}

}  // namespace

bool IsPredictRange(const std::string& text) {
  std::error_code error;
  return text.find(':') != std::string::npos && !std::filesystem::exists(text, error);
}

PredictRange ParsePredictRange(std::string_view text, Language l) {
  PredictRange range;
  RangePart parts[3];
  std::size_t from = 0;
  double days = 0;
  range.Dates = ReadRangeDate(text.substr(0, text.find(':')), days);  // then stop is a date too
  for (int i = 0; i < 3; ++i) {
    const std::size_t colon = i < 2 ? text.find(':', from) : text.size();
    const std::optional<RangePart> part =
        colon == std::string_view::npos
            ? std::nullopt
            : ReadPart(text.substr(from, colon - from), range.Dates && i < 2);
    if (!part || (i == 2 && text.find(':', from) != std::string_view::npos)) {
      range.Error = Say(l,
                        "--predict: a range is start:stop:step in numbers (0:10:0.5) or dates "
                        "and days (2024-01-01:2024-12-29:7), not ",
                        "--predict: диапазон — это начало:конец:шаг в числах (0:10:0.5) или в "
                        "датах и сутках (2024-01-01:2024-12-29:7), а не ") +
                    Quoted(l, text);
      return range;
    }
    parts[i] = *part;
    from = colon + 1;
  }
  const double start = parts[0].Value, stop = parts[1].Value, step = parts[2].Value;
  if (step == 0 || (stop - start) * step < 0) {
    range.Error = step == 0 ? Say(l,
                                  "--predict: the range's step must not be 0",
                                  "--predict: шаг диапазона не может быть 0")
                            : Say(l,
                                  "--predict: the step leads away from stop: its sign must be "
                                  "stop's side of start (10:0:-0.5 counts down)",
                                  "--predict: шаг уводит от конца: его знак должен вести от "
                                  "начала к концу (10:0:-0.5 идёт вниз)");
    return range;
  }
  std::int64_t count = 0;
  double scale = 1, n[3];
  const bool exact = ExactGrid(parts, count, scale, n);
  if (!exact) count = FloatCount(start, stop, step);
  if (count > kMaxPredictPoints) {
    range.Error = Say(l,
                      "--predict: the range gives more than 1000000 points: take a larger step",
                      "--predict: диапазон даёт больше 1000000 точек: возьмите шаг крупнее");
    return range;
  }
  range.X.resize(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    range.X[i] = exact ? (n[0] + static_cast<double>(i) * n[2]) / scale
                       : start + static_cast<double>(i) * step;
  }
  // Off the decimal grid, a stop reached within rounding is written as given.
  if (!exact && std::abs(range.X.back() - stop) <= 1e-9 * std::abs(step)) range.X.back() = stop;
  return range;
}
