#include "engine/fit_many.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "fit/fit_worker.h"

namespace {

// One series through one engine: its finite pairs, the fit and, when asked, the refinement.
SeriesFit FitSeries(Engine& engine,
                    const std::vector<double>& x,
                    const double* y,
                    const double* sigma,
                    const ManyRequest& request,
                    std::size_t index,
                    bool secondThread,
                    const CancelCheck& cancelled) {
  SeriesFit out;
  std::vector<double> xs, ys, ss;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (std::isfinite(x[i]) && std::isfinite(y[i]) && (!sigma || std::isfinite(sigma[i]))) {
      xs.push_back(x[i]);
      ys.push_back(y[i]);
      if (sigma) ss.push_back(sigma[i]);
    }
  }
  const DataOutcome data = engine.SetData(xs, ys, ss);
  if (!data.Accepted) {
    out.Error = data.Error;
    return out;
  }
  try {
    FitRequest fit = SeriesRequest(request, index);
    fit.Engine.SecondThread = secondThread;
    fit.Cancelled = cancelled;
    out.Fit = engine.Fit(fit);
    if (request.Refine) {
      RefineOptions refine;
      refine.Progress = [&cancelled](double) { return !cancelled(); };
      refine.WithConstant = request.WithConstant;
      refine.StartBudget = request.RefineBudget;
      out.Refinement = engine.Refine(refine);
      if (out.Refinement.Cancelled) throw FitCancelled();  // half a refinement is no result
      out.Refined = true;
    }
    out.Fitted = true;
  } catch (const std::exception& fault) {
    out.Error = fault.what();
  }
  return out;
}

}  // namespace

void SeriesSeeds(const ManyRequest& request, std::size_t index, std::uint32_t seeds[2]) {
  const auto step = static_cast<std::uint32_t>(2 * index);  // wraps modulo 2^32
  seeds[0] = request.Seeds[0] + step;
  seeds[1] = request.Seeds[1] + step;
}

FitRequest SeriesRequest(const ManyRequest& request, std::size_t index) {
  FitRequest fit;
  fit.Harmonics = request.Harmonics;
  fit.Depth = request.Depth;
  fit.Search = request.Search;
  fit.MinPeriod = request.MinPeriod;
  fit.FixedSeeds = true;
  SeriesSeeds(request, index, fit.Seeds);
  fit.Constant = request.Constant;
  fit.Trend = request.Trend;
  fit.Periods = request.Periods;
  fit.Sigma = request.Sigma;
  fit.AbsoluteSigma = request.AbsoluteSigma;
  fit.Models[0] = request.Models[0];
  fit.Models[1] = request.Models[1];
  return fit;
}

std::vector<SeriesFit> FitMany(const std::vector<double>& x,
                               const double* y,
                               std::size_t series,
                               const ManyRequest& request,
                               int threads,
                               const ManyProgress& progress) {
  if (x.size() > static_cast<std::size_t>(kMaxEngineObservations)) {
    throw std::invalid_argument("too many observations per series");
  }
  if (request.Harmonics < 1 || request.Harmonics > kMaxHarmonics) {
    throw std::invalid_argument("the number of harmonics must be 1 to 5");
  }
  if (request.Depth < 1) throw std::invalid_argument("the search depth must be positive");

  std::vector<SeriesFit> results(series);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::size_t done = 0;
  std::mutex progressMutex;
  const std::size_t count = std::min<std::size_t>(
      threads > 0 ? static_cast<std::size_t>(threads) : static_cast<std::size_t>(UsableCpus()),
      series);
  // Side by side, each series has a thread of its own: the search's second thread would only be
  // passed from series to series. The bits are the same either way.
  const bool secondThread = count <= 1;
  // A stop, or the caller's cancel, ends the series being fitted where they stand.
  const CancelCheck cancelled = [&stop, &request] {
    return stop.load() || (request.Cancelled && request.Cancelled());
  };
  const auto work = [&] {
    // Engines are large (the state holds every array of the window); one per worker, on the heap.
    auto engine = std::make_unique<Engine>();
    while (!cancelled()) {
      const std::size_t i = next.fetch_add(1);
      if (i >= series) break;
      const double* sigma = request.SigmaValues ? request.SigmaValues + i * x.size() : nullptr;
      results[i] =
          FitSeries(*engine, x, y + i * x.size(), sigma, request, i, secondThread, cancelled);
      std::lock_guard lock(progressMutex);
      ++done;
      if ((progress && !progress(done)) || cancelled()) stop.store(true);
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t t = 1; t < count; ++t) workers.emplace_back(work);
  work();  // the calling thread is a worker too
  for (std::thread& worker : workers) worker.join();
  if (cancelled()) {
    for (SeriesFit& result : results) {
      if (!result.Fitted && result.Error.empty()) result.Error = "cancelled";
    }
  }
  return results;
}
