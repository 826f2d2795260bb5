#include "analysis/spectral/periodogram_basis.h"

#include <algorithm>
#include <cmath>

#include "analysis/spectral/explained_power.h"
#include "analysis/spectral/nufft.h"

namespace {

// Below this ratio of the centred normal system's determinant to its trace squared the
// transform's absolute error (about 1e-13 of the weights' sum in each entry) could reach the
// power, so those few frequencies take the direct sums.
constexpr double kWellConditioned = 1e-3;

double DirectPowerAt(const PreparedSeries& p,
                     const std::vector<double>& wy,
                     double omega,
                     bool floatingMean) {
  SinusoidSums m;
  for (std::size_t i = 0; i < p.T.size(); ++i) {
    const double s = std::sin(omega * p.T[i]), c = std::cos(omega * p.T[i]), w = p.W[i];
    m.Ss += w * s * s;
    m.Sc += w * s * c;
    m.Cc += w * c * c;
    m.Sr += s * wy[i];
    m.Cr += c * wy[i];
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

PeriodogramBasis::PeriodogramBasis(const SpectralSeries& rows, FrequencyGrid grid)
    : rows_(rows), grid_(grid) {
  std::vector<double> ones(static_cast<std::size_t>(std::max(rows.Count, 0)), 1.0);
  if (rows.X) rows_.Y = ones.data();  // any finite y: only x and the weights are kept
  prepared_ = PrepareSpectralSeries(rows_, false);
  rows_.Y = nullptr;
  whole_ = static_cast<int>(prepared_.T.size()) == rows.Count;
  if (prepared_.T.empty() || grid.Size <= 0 || !(grid.Step > 0) || !std::isfinite(grid.Step)) {
    return;
  }
  theta_.resize(prepared_.T.size());
  for (std::size_t i = 0; i < theta_.size(); ++i) theta_[i] = grid.Step * prepared_.T[i];
  // Mode m is omega = m Step; the weights' sums at 2 omega give the squares' sums (sin^2 =
  // (1 - cos 2) / 2), those at omega the columns' own sums.
  window_ = NonUniformFourierSum(theta_, prepared_.W, 2 * grid.Size);
}

std::vector<double> PeriodogramBasis::Power(const double* y, bool floatingMean) const {
  std::vector<double> power(std::max(grid_.Size, 0), 0.0);
  if (window_.empty() || !y) return power;
  const PreparedSeries& p = prepared_;
  double sumWY = 0;
  for (int i = 0; i < rows_.Count; ++i) {
    if (!std::isfinite(y[i]) || !whole_) {  // rows left out: prepared with y, the slow way
      SpectralSeries series = rows_;
      series.Y = y;
      return FastGridPeriodogram(series, grid_, floatingMean);
    }
    sumWY += p.W[static_cast<std::size_t>(i)] * y[i];
  }
  const double mean = floatingMean ? sumWY / p.TotalWeight : 0.0;
  std::vector<double> wy(p.W.size());
  for (std::size_t i = 0; i < wy.size(); ++i) wy[i] = p.W[i] * (y[i] - mean);
  const std::vector<std::complex<double>> sums = NonUniformFourierSum(theta_, wy, grid_.Size);
  for (int k = 0; k < grid_.Size; ++k) {
    const std::complex<double> r = sums[k + 1], w = window_[k + 1], w2 = window_[2 * (k + 1)];
    SinusoidSums m;
    m.Ss = (p.TotalWeight - w2.real()) / 2;
    m.Cc = (p.TotalWeight + w2.real()) / 2;
    m.Sc = w2.imag() / 2;
    m.Sr = r.imag();
    m.Cr = r.real();
    m.SumS = w.imag();
    m.SumC = w.real();
    power[k] = WellConditioned(m, p.TotalWeight, floatingMean)
                   ? ExplainedPower(m, p.TotalWeight, floatingMean)
                   : DirectPowerAt(p, wy, (k + 1) * grid_.Step, floatingMean);
  }
  return power;
}

std::vector<double> FastGridPeriodogram(const SpectralSeries& series,
                                        FrequencyGrid grid,
                                        bool floatingMean) {
  if (!series.X || !series.Y || series.Count <= 0)
    return std::vector<double>(std::max(grid.Size, 0));
  // Rows with a non-finite value or a weight that is not positive are left out.
  std::vector<double> x, y, w;
  for (int i = 0; i < series.Count; ++i) {
    const double weight = series.Weights ? series.Weights[i] : 1.0;
    if (std::isfinite(series.X[i]) && std::isfinite(series.Y[i]) && weight > 0 &&
        std::isfinite(weight)) {
      x.push_back(series.X[i]);
      y.push_back(series.Y[i]);
      w.push_back(weight);
    }
  }
  const SpectralSeries kept{
      x.data(), y.data(), series.Weights ? w.data() : nullptr, static_cast<int>(x.size())};
  return PeriodogramBasis(kept, grid).Power(kept.Y, floatingMean);
}
