#pragma once

#include <algorithm>
#include <cmath>

// The sums of the 2x2 normal system of one sinusoid's sine and cosine columns against a series
// r (weighted or not): sum s^2, s c, c^2, s r, c r, and the columns' own sums.
struct SinusoidSums {
  double Ss = 0, Sc = 0, Cc = 0, Sr = 0, Cr = 0, SumS = 0, SumC = 0;
};

// Below this share of the sum of squares the 2x2 normal system is treated as singular (a
// frequency whose sine vanishes at every x).
inline constexpr double kSingularShare = 1e-12;

// The sum of squares of r the sinusoid explains, from its normal system; with floatingMean the
// columns are first centred (a constant fitted alongside, r already less its mean), total being
// the sum of the weights (the count when unweighted).
inline double ExplainedPower(SinusoidSums m, double total, bool floatingMean) {
  if (floatingMean) {
    m.Ss -= m.SumS * m.SumS / total;
    m.Cc -= m.SumC * m.SumC / total;
    m.Sc -= m.SumS * m.SumC / total;
  }
  const double det = m.Ss * m.Cc - m.Sc * m.Sc;
  double power = 0;
  if (det > kSingularShare * (m.Ss + m.Cc) * (m.Ss + m.Cc)) {
    power = (m.Cc * m.Sr * m.Sr - 2 * m.Sc * m.Sr * m.Cr + m.Ss * m.Cr * m.Cr) / det;
  } else if (m.Ss + m.Cc > 0) {
    // One usable column: the larger of the two alone.
    power = std::max(m.Ss > 0 ? m.Sr * m.Sr / m.Ss : 0.0, m.Cc > 0 ? m.Cr * m.Cr / m.Cc : 0.0);
  }
  return std::isfinite(power) ? power : 0;
}
