// The points are spread onto an oversampled uniform grid with a Gaussian, the grid transformed
// by an FFT, and each mode divided by the Gaussian's own transform (Dutt and Rokhlin; the
// Gaussian's values from three exponentials a point, after Greengard and Lee). The FFT is
// Eigen's (kissfft): already a dependency, and MIT-compatible, where FFTW is GPL.
#include "analysis/spectral/nufft.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unsupported/Eigen/FFT>

namespace {

// Grid points per mode of the band (the band being modes -N/2 .. N/2).
constexpr double kOversampling = 2;
// Grid points the Gaussian reaches on each side of a point: with twice oversampling, its
// truncation and the grid's aliasing both stay near 1e-13 of the strengths' sum.
constexpr int kReach = 14;

// The least 4 * 2^a 3^b 5^c at or above n: a size the FFT's radices take fast, and a multiple of
// four, which its real transform needs to run as a complex one of half the size.
long SmoothSize(long n) {
  long best = 4 * n + 16;
  for (long p2 = 4; p2 < best; p2 *= 2) {
    for (long p3 = p2; p3 < best; p3 *= 3) {
      long p5 = p3;
      while (p5 < n) p5 *= 5;
      best = std::min(best, p5);
    }
  }
  return best;
}

struct Gaussian {
  long Size = 0;       // grid points over one period of theta
  double Spacing = 0;  // h = 2 pi / Size
  double Tau = 0;      // exp(-theta^2 / (4 tau))
  double Alpha = 0;    // h^2 / (4 tau): the exponent per grid step squared
};

Gaussian GaussianFor(int modes) {
  Gaussian g;
  const double band = 2.0 * (modes + 1);
  g.Size = SmoothSize(static_cast<long>(std::ceil(kOversampling * band)));
  const double r = static_cast<double>(g.Size) / band;
  g.Spacing = 2 * std::numbers::pi / static_cast<double>(g.Size);
  g.Tau = std::numbers::pi * kReach / (band * band * r * (r - 0.5));
  g.Alpha = g.Spacing * g.Spacing / (4 * g.Tau);
  return g;
}

// Adds a_j, times the Gaussian centred at theta_j, to the grid's 2 kReach nearest points.
void Spread(const Gaussian& g,
            const std::vector<double>& theta,
            const std::vector<double>& a,
            std::vector<double>& grid) {
  double square[2 * kReach];
  for (int k = -kReach + 1; k <= kReach; ++k) square[k + kReach - 1] = std::exp(-g.Alpha * k * k);
  const double size = static_cast<double>(g.Size);
  for (std::size_t j = 0; j < theta.size(); ++j) {
    const double u = theta[j] / g.Spacing;
    const double whole = std::floor(u), delta = u - whole;
    long base = static_cast<long>(whole - size * std::floor(whole / size));
    base = base < 0 ? base + g.Size : (base >= g.Size ? base - g.Size : base);
    // exp(-alpha (delta - k)^2) = exp(-alpha delta^2) exp(2 alpha delta)^k exp(-alpha k^2)
    const double first = std::exp(-g.Alpha * delta * delta), rise = std::exp(2 * g.Alpha * delta);
    double kernel[2 * kReach];
    double up = first, down = first;
    for (int k = 0; k < kReach; ++k) {
      kernel[kReach - 1 + k] = up * square[kReach - 1 + k];
      kernel[kReach - 1 - k] = down * square[kReach - 1 - k];
      up *= rise;
      down /= rise;
    }
    kernel[2 * kReach - 1] = up * square[2 * kReach - 1];
    const double strength = a[j];
    const long from = base - kReach + 1;
    if (from >= 0 && from + 2 * kReach <= g.Size) {
      double* at = grid.data() + from;
      for (int k = 0; k < 2 * kReach; ++k) at[k] += kernel[k] * strength;
    } else {
      for (int k = 0; k < 2 * kReach; ++k) {
        grid[static_cast<std::size_t>(((from + k) % g.Size + g.Size) % g.Size)] +=
            kernel[k] * strength;
      }
    }
  }
}

}  // namespace

std::vector<std::complex<double>> NonUniformFourierSum(const std::vector<double>& theta,
                                                       const std::vector<double>& a,
                                                       int modes) {
  const Gaussian g = GaussianFor(modes);
  std::vector<std::complex<double>> spectrum;  // the half spectrum, modes 0 .. Size / 2
  {
    std::vector<double> grid(static_cast<std::size_t>(g.Size));
    Spread(g, theta, a, grid);
    Eigen::FFT<double> fft;
    fft.SetFlag(Eigen::FFT<double>::HalfSpectrum);
    fft.fwd(spectrum, grid);
  }
  // The sign of i m theta makes the sums the conjugates of the FFT's.
  std::vector<std::complex<double>> sums(static_cast<std::size_t>(modes) + 1);
  const double scale = static_cast<double>(g.Size) * std::sqrt(g.Tau / std::numbers::pi);
  for (int m = 0; m <= modes; ++m) {
    const double deconvolve = 1 / (scale * std::exp(-g.Tau * m * m));
    sums[static_cast<std::size_t>(m)] =
        std::conj(spectrum[static_cast<std::size_t>(m)]) * deconvolve;
  }
  return sums;
}
