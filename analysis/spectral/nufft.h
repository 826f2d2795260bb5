#pragma once

#include <complex>
#include <vector>

// Fourier sums at non-uniform points (a type-1 non-uniform FFT): for two real strength
// sequences a and b at the same phases theta_j, A(m) = sum_j a_j exp(i m theta_j) and
// B(m) = sum_j b_j exp(i m theta_j), m = 0 .. modes, in O(n + modes log modes). Each sum's
// error stays below about 1e-13 times sum_j |a_j| (or |b_j|).
struct FourierSumPair {
  std::vector<std::complex<double>> A, B;
};
FourierSumPair NonUniformFourierSums(const std::vector<double>& theta,
                                     const std::vector<double>& a,
                                     const std::vector<double>& b,
                                     int modes);
