#include "plot/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned kMaxDecimals = 9;
constexpr double kExponentFormFrom = 0x1p120;  // about 1.33e36: too wide for fixed point
constexpr int kJudgedDecimals = 17;            // the half is judged on x written to 17 decimals
constexpr int kJudgedDigits = 18;              // ... and at most 18 significant digits

// The magnitude of a number as a decimal digit string with the point after `pointPos` digits.
struct DecimalDigits {
  std::string Digits;
  int PointPos = 0;
};

// |x| written to 17 decimals when below 10, else to 18 significant digits. std::to_chars prints
// the exact binary value correctly rounded, in the same bytes under every locale, so only this one
// rounding precedes ours.
DecimalDigits JudgedDigits(double magnitude) {
  char buffer[400];
  DecimalDigits result;
  if (magnitude < 10) {
    char* end =
        std::to_chars(
            buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, kJudgedDecimals)
            .ptr;
    char* point = std::find(buffer, end, '.');
    result.PointPos = static_cast<int>(point - buffer);
    result.Digits.assign(buffer, point);
    result.Digits.append(point + 1, end);
  } else {
    char* end = std::to_chars(buffer,
                              buffer + sizeof buffer,
                              magnitude,
                              std::chars_format::scientific,
                              kJudgedDigits - 1)
                    .ptr;
    char* e = std::find(buffer, end, 'e');
    result.Digits.push_back(buffer[0]);
    result.Digits.append(buffer + 2, e);
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    result.PointPos = exponent + 1;
  }
  return result;
}

// Keeps `keep` leading digits, rounding the rest half away from zero; a carry out of the first
// digit prepends a 1 and moves the point.
void RoundDigits(DecimalDigits& number, int keep) {
  if (static_cast<int>(number.Digits.size()) < keep) {
    number.Digits.append(keep - number.Digits.size(), '0');
    return;
  }
  const bool roundUp = number.Digits[keep] >= '5';
  number.Digits.resize(keep);
  if (!roundUp) return;
  int i = keep - 1;
  for (; i >= 0 && number.Digits[i] == '9'; --i) number.Digits[i] = '0';
  if (i >= 0) {
    ++number.Digits[i];
  } else {
    number.Digits.insert(number.Digits.begin(), '1');
    ++number.PointPos;
  }
}

std::string ExponentText(bool negative, double magnitude) {
  DecimalDigits number = JudgedDigits(magnitude);
  RoundDigits(number, 2);
  const int exponent = number.PointPos - 1;
  char buffer[32];
  std::snprintf(buffer,
                sizeof buffer,
                "%s%c.%cE%c%04d",
                negative ? "-" : "",
                number.Digits[0],
                number.Digits[1],
                exponent < 0 ? '-' : '+',
                std::abs(exponent));
  return buffer;
}

}  // namespace

std::string FloatText(unsigned decimals, double x) {
  const int d = static_cast<int>(decimals < kMaxDecimals ? decimals : kMaxDecimals);
  const bool negative = std::signbit(x);
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return negative ? "-INF" : "INF";
  const double magnitude = std::fabs(x);
  if (magnitude >= kExponentFormFrom) return ExponentText(negative, magnitude);

  DecimalDigits number = JudgedDigits(magnitude);
  RoundDigits(number, number.PointPos + d);

  std::string text = negative ? "-" : "";
  const std::string integerPart = number.Digits.substr(0, number.PointPos);
  const size_t firstNonZero = integerPart.find_first_not_of('0');
  text += firstNonZero == std::string::npos ? "0" : integerPart.substr(firstNonZero);
  if (d > 0) {
    text += '.';
    text += number.Digits.substr(number.PointPos, d);
  }
  return text;
}
