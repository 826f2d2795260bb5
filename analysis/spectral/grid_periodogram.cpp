#include "analysis/spectral/grid_periodogram.h"

#include <algorithm>
#include <cmath>

#include "analysis/spectral/explained_power.h"
#include "analysis/spectral/nufft.h"
#include "analysis/spectral/spectral_prepared.h"

namespace {

// sin and cos advance by one rotation per grid step, restarted from the library this often so
// that the rotation's rounding stays near the library's.
constexpr int kRestart = 64;
// The transform pays from about this many row-frequencies (bench/periodogram_speed: 4 times
// faster at 1,000 rows and 10,000 frequencies); short series keep the direct sums.
constexpr double kFastWork = 2e6;
constexpr int kFastRows = 100;

// Below this ratio of the centred normal system's determinant to its trace squared the
// transform's absolute error (about 1e-13 of the weights' sum in each entry) could reach the
// power, so those few frequencies take the direct sums.
constexpr double kWellConditioned = 1e-3;

double DirectPowerAt(const PreparedSeries& p, double omega, bool floatingMean) {
  SinusoidSums m;
  for (std::size_t i = 0; i < p.T.size(); ++i) {
    const double s = std::sin(omega * p.T[i]), c = std::cos(omega * p.T[i]), w = p.W[i];
    m.Ss += w * s * s;
    m.Sc += w * s * c;
    m.Cc += w * c * c;
    m.Sr += s * p.WY[i];
    m.Cr += c * p.WY[i];
    m.SumS += w * s;
    m.SumC += w * c;
  }
  return ExplainedPower(m, p.TotalWeight, floatingMean);
}

bool WellConditioned(SinusoidSums m, double total, bool floatingMean) {
  if (floatingMean) {
    m.Ss -= m.SumS * m.SumS / total;
    m.Cc -= m.SumC * m.SumC / total;
    m.Sc -= m.SumS * m.SumC / total;
  }
  const double trace = m.Ss + m.Cc;
  return m.Ss * m.Cc - m.Sc * m.Sc > kWellConditioned * trace * trace;
}

}  // namespace

std::vector<double> FastGridPeriodogram(const SpectralSeries& series,
                                        FrequencyGrid grid,
                                        bool floatingMean) {
  std::vector<double> power(std::max(grid.Size, 0), 0.0);
  const PreparedSeries p = PrepareSpectralSeries(series, floatingMean);
  if (p.T.empty() || power.empty() || !(grid.Step > 0) || !std::isfinite(grid.Step)) {
    return power;
  }
  std::vector<double> theta(p.T.size());
  for (std::size_t i = 0; i < theta.size(); ++i) theta[i] = grid.Step * p.T[i];
  // Mode m is omega = m Step; the weights' sums at 2 omega give the squares' sums (sin^2 =
  // (1 - cos 2) / 2), those at omega the columns' own sums.
  const FourierSumPair f = NonUniformFourierSums(theta, p.WY, p.W, 2 * grid.Size);
  for (int k = 0; k < grid.Size; ++k) {
    const std::complex<double> y = f.A[k + 1], w = f.B[k + 1], w2 = f.B[2 * (k + 1)];
    SinusoidSums m;
    m.Ss = (p.TotalWeight - w2.real()) / 2;
    m.Cc = (p.TotalWeight + w2.real()) / 2;
    m.Sc = w2.imag() / 2;
    m.Sr = y.imag();
    m.Cr = y.real();
    m.SumS = w.imag();
    m.SumC = w.real();
    power[k] = WellConditioned(m, p.TotalWeight, floatingMean)
                   ? ExplainedPower(m, p.TotalWeight, floatingMean)
                   : DirectPowerAt(p, (k + 1) * grid.Step, floatingMean);
  }
  return power;
}

std::vector<double> DirectGridPeriodogram(const SpectralSeries& series,
                                          FrequencyGrid grid,
                                          bool floatingMean) {
  std::vector<double> power(std::max(grid.Size, 0), 0.0);
  const PreparedSeries p = PrepareSpectralSeries(series, floatingMean);
  if (p.T.empty() || power.empty() || !(grid.Step > 0) || !std::isfinite(grid.Step)) {
    return power;
  }
  const std::size_t n = p.T.size();
  std::vector<double> s(n), c(n), rs(n), rc(n);
  for (std::size_t i = 0; i < n; ++i) {
    rs[i] = std::sin(grid.Step * p.T[i]);
    rc[i] = std::cos(grid.Step * p.T[i]);
  }
  for (int k = 0; k < grid.Size; ++k) {
    const double omega = (k + 1) * grid.Step;
    for (std::size_t i = 0; i < n && k % kRestart == 0; ++i) {
      s[i] = std::sin(omega * p.T[i]);
      c[i] = std::cos(omega * p.T[i]);
    }
    for (std::size_t i = 0; i < n && k % kRestart != 0; ++i) {
      const double sn = s[i] * rc[i] + c[i] * rs[i];
      c[i] = c[i] * rc[i] - s[i] * rs[i];
      s[i] = sn;
    }
    SinusoidSums m;
    for (std::size_t i = 0; i < n; ++i) {
      const double w = p.W[i];
      m.Ss += w * s[i] * s[i];
      m.Sc += w * s[i] * c[i];
      m.Cc += w * c[i] * c[i];
      m.Sr += s[i] * p.WY[i];
      m.Cr += c[i] * p.WY[i];
      m.SumS += w * s[i];
      m.SumC += w * c[i];
    }
    power[k] = ExplainedPower(m, p.TotalWeight, floatingMean);
  }
  return power;
}

std::vector<double> GridPeriodogram(const SpectralSeries& series,
                                    FrequencyGrid grid,
                                    bool floatingMean) {
  const double work = static_cast<double>(series.Count) * grid.Size;
  return series.Count > kFastRows && work >= kFastWork
             ? FastGridPeriodogram(series, grid, floatingMean)
             : DirectGridPeriodogram(series, grid, floatingMean);
}
