#pragma once

#include <complex>
#include <vector>

// Fourier sums at non-uniform points (a type-1 non-uniform FFT) of one real strength sequence:
// A(m) = sum_j a_j exp(i m theta_j), m = 0 .. modes, in O(n + modes log modes). Each sum's error
// stays below about 1e-13 times sum_j |a_j|.
std::vector<std::complex<double>> NonUniformFourierSum(const std::vector<double>& theta,
                                                       const std::vector<double>& a,
                                                       int modes);
