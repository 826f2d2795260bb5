#include "analysis/peak_search/peak_search.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

#include "analysis/least_squares.h"
#include "analysis/model_estimates.h"
#include "analysis/scaled_fit.h"
#include "analysis/spectral/grid_periodogram.h"
#include "analysis/spectral/periodogram_basis.h"
#include "fit/fit_harmonics.h"

namespace {

// The peaks tried for each new harmonic: the strongest few, those within this share of the top.
// An alias of a line on a gapped grid comes out close to the line's height, a second line far
// below it.
constexpr int kCandidates = 4;
constexpr double kCandidateShare = 0.5;
// Each step's joint iteration stops loosely; the last one runs to full precision.
constexpr double kStepStall = 1e-9;
constexpr int kStepIterations = 40;
// The grid never holds more points than this per observation (a minimum period far below the
// spacing) nor in all.
constexpr double kMaxGridPerRow = 64;
constexpr double kMaxGrid = 1 << 28;
// From this many observations the two stages run on two threads.
constexpr int kTwoThreadRows = 5000;

struct Peak {
  double Omega = 0;
  double Power = 0;
};

// The strongest local maxima of powers (grid point k at (k + 1) * step), strongest first.
int TopPeaks(const std::vector<double>& powers, double step, Peak* peaks, int maxPeaks) {
  int found = 0;
  const std::size_t size = powers.size();
  for (std::size_t k = 0; k < size; ++k) {
    const double p = powers[k];
    if (!(p > 0) || (k > 0 && powers[k - 1] > p) || (k + 1 < size && powers[k + 1] >= p)) continue;
    if (found == maxPeaks && !(p > peaks[found - 1].Power)) continue;
    int at = std::min(found, maxPeaks - 1);
    while (at > 0 && peaks[at - 1].Power < p) {
      peaks[at] = peaks[at - 1];
      --at;
    }
    peaks[at] = {static_cast<double>(k + 1) * step, p};
    found = std::min(found + 1, maxPeaks);
  }
  return found;
}

class StageSearch {
 public:
  StageSearch(const ObservationSet& obs,
              ModelKind kind,
              const ModelTerms& terms,
              const FitWeights& weights,
              double minPeriod,
              const CancelCheck& cancelled)
      : kind_(kind), terms_(terms), cancelled_(cancelled) {
    scaling_ = FillScaledProblem(obs, kind, terms, weights, problem_);
    problem_.Cancelled = cancelled;
    const double omegaMax = 2 * std::numbers::pi / minPeriod * scaling_.Scale;
    // u spans [-1, 1]: a resolution is pi.
    grid_.Step = std::numbers::pi / kPeakGridPerResolution;
    const double size = std::min(
        {std::ceil(omegaMax / grid_.Step), kMaxGridPerRow * problem_.Count + 1024, kMaxGrid});
    grid_.Size = std::isfinite(size) ? std::max(static_cast<int>(size), 1) : 1;
    if (problem_.Weighted) {
      weights_.resize(static_cast<std::size_t>(problem_.Count));
      for (int i = 0; i < problem_.Count; ++i) weights_[i] = problem_.W[i] * problem_.W[i];
    }
  }

  HarmonicModel Run(int searched) {
    ScaledModel model;
    SolveLinear(problem_, model);
    for (int k = 0; k < searched; ++k) AddHarmonic(model);
    StopIfCancelled(cancelled_);
    RefineFrequencies(problem_, model);
    return ToOriginal(model);
  }

 private:
  // One more harmonic at the best of the residual's strongest peaks.
  void AddHarmonic(ScaledModel& model) {
    Peak peaks[kCandidates];
    const int found = ResidualPeaks(model, peaks);
    const int k = model.Count;
    ScaledModel best;
    for (int c = 0; c < std::max(found, 1); ++c) {
      if (c > 0 && !(peaks[c].Power >= kCandidateShare * peaks[0].Power)) break;
      StopIfCancelled(cancelled_);
      ScaledModel trial = model;
      trial.Count = k + 1;
      // Nothing left to explain (an exact fit, a target of zeros): spread over the band.
      trial.Omega[k] = found > 0 ? peaks[c].Omega : grid_.Step * grid_.Size * (k + 1) / 6;
      RefineFrequencies(problem_, trial, kStepStall, kStepIterations);
      if (c == 0 || trial.Objective < best.Objective) best = trial;
    }
    model = best;
  }

  int ResidualPeaks(ScaledModel model, Peak* peaks) {
    StopIfCancelled(cancelled_);
    std::vector<double> r(static_cast<std::size_t>(problem_.Count));
    SolveLinear(problem_, model);
    if (problem_.Extra == 0 && model.Count == 0) {
      std::copy(problem_.T.data(), problem_.T.data() + problem_.Count, r.begin());
    } else {
      ScaledResiduals(problem_, model, r.data());
    }
    const SpectralSeries series{
        problem_.U, r.data(), weights_.empty() ? nullptr : weights_.data(), problem_.Count};
    // The weights' part of the transform is the same for every residual of the stage.
    if (!basis_ && TransformPays(series.Count, grid_)) {
      basis_ = std::make_unique<PeriodogramBasis>(series, grid_);
    }
    const std::vector<double> powers = basis_ ? basis_->Power(r.data(), terms_.Constant)
                                              : GridPeriodogram(series, grid_, terms_.Constant);
    return TopPeaks(powers, grid_.Step, peaks, kCandidates);
  }

  // The scaled model as normalised harmonics of x, the known ones first, with the terms.
  HarmonicModel ToOriginal(const ScaledModel& model) const {
    ModelFit fit;
    const int fixed = terms_.FixedCount;
    fit.Coefficients.Count = fixed + model.Count;
    for (int k = 0; k < fixed; ++k) fit.Coefficients.B[k] = terms_.FixedB[k];
    for (int k = 0; k < model.Count; ++k) {
      double a = std::hypot(model.Alpha[k], model.Beta[k]);
      double b = model.Omega[k] / scaling_.Scale;
      double c = PhaseAtZero(std::atan2(model.Beta[k], model.Alpha[k]), b, scaling_.Centre);
      if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) a = b = c = 0;
      NormaliseHarmonic(a, b, c);
      fit.Coefficients.A[fixed + k] = a;
      fit.Coefficients.B[fixed + k] = b;
      fit.Coefficients.C[fixed + k] = c;
    }
    TermsToOriginal(model, terms_, scaling_, fit);
    HarmonicModel out = fit.Coefficients;
    out.Kind = kind_;
    out.Constant = terms_.Constant ? fit.Constant.Value : 0.0;
    out.Trend = terms_.Trend ? fit.Trend.Value : 0.0;
    return out;
  }

  ModelKind kind_;
  ModelTerms terms_;
  AbscissaScaling scaling_;
  ScaledProblem problem_;
  FrequencyGrid grid_;
  std::vector<double> weights_;  // 1 / sigma^2 in the stage's space, empty when unweighted
  std::unique_ptr<PeriodogramBasis> basis_;  // made at the first residual's periodogram
  const CancelCheck& cancelled_;
};

}  // namespace

void PeriodogramSearch(const ObservationSet& obs,
                       int harmonics,
                       const ModelTerms& terms,
                       const FitWeights& weights,
                       double minPeriod,
                       const bool wanted[2],
                       HarmonicModel models[2],
                       const CancelCheck& cancelled) {
  const int searched = std::max(harmonics - terms.FixedCount, 0);
  const auto stage = [&](ModelKind kind) {
    const int m = static_cast<int>(kind);
    StageSearch search(obs, kind, terms, weights, minPeriod, cancelled);
    models[m] = search.Run(wanted[m] ? searched : 0);
    if (wanted[m]) return;
    // Left out: no amplitude, at the band's top frequency, where the report can give a period.
    models[m].Count = std::max(harmonics, terms.FixedCount);
    for (int k = terms.FixedCount; k < models[m].Count; ++k) {
      models[m].A[k] = models[m].C[k] = 0;
      models[m].B[k] = 2 * std::numbers::pi / minPeriod;
    }
  };
  if (obs.LastIndex + 1 >= kTwoThreadRows && wanted[0] && wanted[1]) {
    std::exception_ptr fault;
    std::thread other([&] {
      try {
        stage(ModelKind::SquaredSum);
      } catch (...) {
        fault = std::current_exception();
      }
    });
    try {
      stage(ModelKind::Sum);
    } catch (...) {
      other.join();
      throw;
    }
    other.join();
    if (fault) std::rethrow_exception(fault);
  } else {
    stage(ModelKind::SquaredSum);
    stage(ModelKind::Sum);
  }
}
