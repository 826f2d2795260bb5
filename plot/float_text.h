#pragma once

#include <string>

// x as fixed-point text with `decimals` digits after the point (9 for 9 or more), halves rounded
// away from zero as judged on x written to 18 significant digits (17 decimals at most), a minus
// sign for every negative value including negative zero, no blanks. Magnitudes of 2^120 and more
// are written as d.dE+dddd.
std::string FloatText(unsigned decimals, double x);
