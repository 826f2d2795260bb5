#pragma once

#include <string>

// Every double survives a decimal round trip at this many significant digits.
inline constexpr int kRoundTripDigits = 17;

// v in the shortest of fixed and scientific notation with at most `digits` significant digits
// (trailing zeros dropped), a full stop for the decimal point whatever the locale, no blanks:
// "0.10000000000000001", "-0", "1e+300"; "inf", "-inf" and "nan" for values that are not finite.
std::string NumberText(double v, int digits);
