// The native half of the Python package: NumPy arrays in, the engine's results out as dicts of
// NumPy arrays. Everything a user calls is in harmora/__init__.py; this file only converts.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/refinement_notes.h"
#include "cli/fit_output.h"
#include "engine/count_comparison.h"
#include "engine/engine.h"
#include "engine/fit_many.h"
#include "python/curve_binding.h"
#include "python/interruptible.h"
#include "python/progress_callback.h"
#include "python/residual_binding.h"
#include "python/spectral_binding.h"

namespace py = pybind11;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTwoPi = 2 * std::numbers::pi;

using Array = py::array_t<double>;

// A (series, harmonics) array filled by value(series, harmonic); NaN where a series has no fit.
template <typename Value>
Array PerHarmonic(const std::vector<SeriesFit>& fits, int harmonics, Value value) {
  Array out({static_cast<py::ssize_t>(fits.size()), static_cast<py::ssize_t>(harmonics)});
  auto view = out.mutable_unchecked<2>();
  for (std::size_t s = 0; s < fits.size(); ++s) {
    for (int k = 0; k < harmonics; ++k) view(s, k) = fits[s].Fitted ? value(fits[s], k) : kNaN;
  }
  return out;
}

// A (series,) array filled by value(series).
template <typename Value>
Array PerSeries(const std::vector<SeriesFit>& fits, Value value, bool refinedOnly = false) {
  Array out(static_cast<py::ssize_t>(fits.size()));
  auto view = out.mutable_unchecked<1>();
  for (std::size_t s = 0; s < fits.size(); ++s) {
    const bool has = fits[s].Fitted && (!refinedOnly || fits[s].Refined);
    view(s) = has ? value(fits[s]) : kNaN;
  }
  return out;
}

// A count per series (observations, starts, hits), 0 where there is none.
template <typename Value>
py::array_t<std::int64_t> Counts(const std::vector<SeriesFit>& fits,
                                 Value value,
                                 bool refinedOnly = false) {
  py::array_t<std::int64_t> out(static_cast<py::ssize_t>(fits.size()));
  auto view = out.mutable_unchecked<1>();
  for (std::size_t s = 0; s < fits.size(); ++s) {
    const bool has = fits[s].Fitted && (!refinedOnly || fits[s].Refined);
    view(s) = has ? value(fits[s]) : 0;
  }
  return out;
}

double Period(double b) { return b != 0 ? kTwoPi / std::abs(b) : kNaN; }

py::dict SearchModel(const std::vector<SeriesFit>& fits, int harmonics, int m, bool terms) {
  py::dict model;
  const auto coefficient = [&](auto field) {
    return PerHarmonic(
        fits, harmonics, [&](const SeriesFit& f, int k) { return field(f.Fit.Models[m], k); });
  };
  model["A"] = coefficient([](const HarmonicModel& h, int k) { return h.A[k]; });
  model["B"] = coefficient([](const HarmonicModel& h, int k) { return h.B[k]; });
  model["C"] = coefficient([](const HarmonicModel& h, int k) { return h.C[k]; });
  model["period"] = coefficient([](const HarmonicModel& h, int k) { return Period(h.B[k]); });
  model["relative_deviation"] =
      PerSeries(fits, [m](const SeriesFit& f) { return f.Fit.RelDeviation[m]; });
  model["residual"] = PerSeries(fits, [m](const SeriesFit& f) { return f.Fit.Objective[m]; });
  if (terms) {  // the terms' estimates the search ran without
    model["constant"] =
        PerSeries(fits, [m](const SeriesFit& f) { return f.Fit.Models[m].Constant; });
    model["trend"] = PerSeries(fits, [m](const SeriesFit& f) { return f.Fit.Models[m].Trend; });
  }
  return model;
}

// name, name_se, name_lower and name_upper of one estimate per series (NaN where undetermined).
template <typename Take>
void AddEstimate(py::dict& model,
                 const std::string& name,
                 const std::vector<SeriesFit>& fits,
                 Take take) {
  const auto column = [&](auto field) {
    return PerSeries(
        fits, [&](const SeriesFit& f) { return field(take(f)); }, true);
  };
  model[name.c_str()] = column([](const Estimate& e) { return e.Value; });
  model[(name + "_se").c_str()] =
      column([](const Estimate& e) { return e.Determined ? e.StdError : kNaN; });
  model[(name + "_lower").c_str()] =
      column([](const Estimate& e) { return e.Determined ? e.Lower : kNaN; });
  model[(name + "_upper").c_str()] =
      column([](const Estimate& e) { return e.Determined ? e.Upper : kNaN; });
}

// One refined model: values, standard errors and 95 % intervals (NaN where undetermined), and
// the statistics.
py::dict RefinedModel(const std::vector<SeriesFit>& fits,
                      int harmonics,
                      int m,
                      const ManyRequest& r) {
  const auto fitOf = [m](const SeriesFit& f) -> const ModelFit& { return f.Refinement.Refined[m]; };
  const auto refined = [&](const SeriesFit& f) { return f.Fitted && f.Refined; };
  py::dict model;
  using Column = Estimate(ModelFit::*)[kMaxHarmonics];
  const struct {
    const char* Name;
    Column Values;
  } columns[] = {
      {"A", &ModelFit::A}, {"B", &ModelFit::B}, {"C", &ModelFit::C}, {"period", &ModelFit::Period}};
  for (const auto& column : columns) {
    const auto take = [&](auto field) {
      return PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
        const Estimate& e = (fitOf(f).*column.Values)[k];
        return refined(f) && !fitOf(f).Unbounded[k] ? field(e) : kNaN;
      });
    };
    const std::string name = column.Name;
    model[name.c_str()] = take([](const Estimate& e) { return e.Value; });
    model[(name + "_se").c_str()] =
        take([](const Estimate& e) { return e.Determined ? e.StdError : kNaN; });
    model[(name + "_lower").c_str()] =
        take([](const Estimate& e) { return e.Determined ? e.Lower : kNaN; });
    model[(name + "_upper").c_str()] =
        take([](const Estimate& e) { return e.Determined ? e.Upper : kNaN; });
  }
  // Harmonics the data do not determine (amplitudes growing without bound): NaN above, True
  // here; predict() takes the fitted curve from the underscored coefficients.
  model["unbounded"] = PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
                         return refined(f) && fitOf(f).Unbounded[k] ? 1.0 : 0.0;
                       }).attr("astype")("bool");
  model["_A"] = PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
    return refined(f) ? fitOf(f).Coefficients.A[k] : kNaN;
  });
  model["_B"] = PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
    return refined(f) ? fitOf(f).Coefficients.B[k] : kNaN;
  });
  model["_C"] = PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
    return refined(f) ? fitOf(f).Coefficients.C[k] : kNaN;
  });
  const auto statistic = [&](auto field) {
    return PerSeries(
        fits, [&](const SeriesFit& f) { return field(fitOf(f)); }, true);
  };
  if (r.Constant) {
    AddEstimate(model, "constant", fits, [&](const SeriesFit& f) { return fitOf(f).Constant; });
  }
  if (r.Trend) {
    AddEstimate(model, "trend", fits, [&](const SeriesFit& f) { return fitOf(f).Trend; });
  }
  if (r.Sigma > 0 || r.SigmaValues) {
    model["chi2"] = statistic([](const ModelFit& f) { return f.Statistics.Chi2; });
    model["reduced_chi2"] = statistic([](const ModelFit& f) { return f.Statistics.ReducedChi2; });
  }
  model["r2"] = statistic([](const ModelFit& f) { return f.Statistics.R2; });
  model["adjusted_r2"] = statistic([](const ModelFit& f) { return f.Statistics.AdjustedR2; });
  model["rmse"] = statistic([](const ModelFit& f) { return f.Statistics.Rmse; });
  model["sse"] = statistic([](const ModelFit& f) { return f.Statistics.Sse; });
  model["aic"] = statistic([](const ModelFit& f) { return f.Statistics.Aic; });
  model["bic"] = statistic([](const ModelFit& f) { return f.Statistics.Bic; });
  model["relative_deviation"] =
      statistic([](const ModelFit& f) { return f.Statistics.RelDeviation; });
  model["residual"] = statistic([](const ModelFit& f) { return f.Objective; });
  model["df"] = Counts(
      fits, [&](const SeriesFit& f) { return fitOf(f).Statistics.DegreesOfFreedom; }, true);
  // Whether to trust the fit: NaN where not determined, as harmora-fit's JSON gives null.
  model["false_alarm"] = PerSeries(
      fits, [m](const SeriesFit& f) { return f.Refinement.PeakFalseAlarm[m]; }, true);
  model["harmonic_false_alarm"] = PerHarmonic(fits, harmonics, [&](const SeriesFit& f, int k) {
    return refined(f) ? fitOf(f).HarmonicFalseAlarm[k] : kNaN;
  });
  py::list notes;
  for (const SeriesFit& f : fits) {
    notes.append(refined(f) ? RefinementNotes(f.Refinement, static_cast<ModelKind>(m))
                            : std::vector<std::string>{});
  }
  model["notes"] = notes;
  model["starts"] = Counts(
      fits, [&](const SeriesFit& f) { return fitOf(f).Starts; }, true);
  model["hits"] = Counts(
      fits, [&](const SeriesFit& f) { return fitOf(f).Hits; }, true);
  py::list termination;
  for (const SeriesFit& f : fits) {
    termination.append(refined(f) ? TerminationText(fitOf(f).Ended, fitOf(f).Failure)
                                  : std::string("not fitted"));
  }
  model["termination"] = termination;
  AddCovariance(model, fits, m);
  return model;
}

py::dict Results(const std::vector<SeriesFit>& fits, const ManyRequest& request) {
  const int n = std::max<int>(request.Harmonics, static_cast<int>(request.Periods.size()));
  const bool terms = request.Constant || request.Trend || !request.Periods.empty();
  py::dict out;
  // A model left out (models=) was neither searched nor refined: it is not in the result.
  const char* names[2] = {"model1", "model2"};
  for (int m = 0; m < 2; ++m) {
    if (request.Models[m]) out[names[m]] = SearchModel(fits, n, m, terms);
  }
  py::array_t<std::uint32_t> seeds({static_cast<py::ssize_t>(fits.size()), py::ssize_t{2}});
  auto view = seeds.mutable_unchecked<2>();
  for (std::size_t s = 0; s < fits.size(); ++s) {
    view(s, 0) = fits[s].Fit.StageSeeds[0];
    view(s, 1) = fits[s].Fit.StageSeeds[1];
  }
  out["seeds"] = seeds;
  out["min_period"] = PerSeries(fits, [](const SeriesFit& f) { return f.Fit.MinPeriod; });
  py::list searches;
  for (const SeriesFit& f : fits) searches.append(SearchName(f.Fit.Search));
  out["search"] = searches;
  out["count"] = Counts(fits, [](const SeriesFit& f) { return f.Fit.Count; });
  py::array_t<bool> fitted(static_cast<py::ssize_t>(fits.size()));
  py::list errors;
  for (std::size_t s = 0; s < fits.size(); ++s) {
    fitted.mutable_at(s) = fits[s].Fitted;
    errors.append(fits[s].Error);
  }
  out["fitted"] = fitted;
  out["error"] = errors;
  if (request.Refine) {
    py::dict refined;
    for (int m = 0; m < 2; ++m) {
      if (request.Models[m]) refined[names[m]] = RefinedModel(fits, n, m, request);
    }
    out["refined"] = refined;
  }
  return out;
}

// The terms and weights of a call as Python gives them (sigma already split into one value or
// an array by the package).
struct Terms {
  bool Constant = false, Trend = false;
  std::vector<double> Periods;
  double Sigma = 0;
  bool AbsoluteSigma = false;
  std::array<bool, 2> Models{true, true};  // [ModelKind]: the models fitted
};

ManyRequest Request(int harmonics, int depth, double minPeriod, bool refine, const Terms& terms) {
  ManyRequest request;
  request.Models[0] = terms.Models[0];
  request.Models[1] = terms.Models[1];
  request.Harmonics = harmonics;
  request.Depth = depth;
  request.MinPeriod = minPeriod;
  request.Refine = refine;
  request.Constant = terms.Constant;
  request.Trend = terms.Trend;
  request.Periods = terms.Periods;
  request.Sigma = terms.Sigma;
  request.AbsoluteSigma = terms.AbsoluteSigma;
  return request;
}

Terms TermsOf(bool constant,
              bool trend,
              std::vector<double> periods,
              double sigma,
              bool absoluteSigma,
              std::array<bool, 2> models) {
  if (!models[0] && !models[1]) throw py::value_error("models must name model 1, 2 or both");
  return Terms{constant, trend, std::move(periods), sigma, absoluteSigma, models};
}

// The report's model choice for harmora-fit's report body.
ModelChoice ChoiceOf(const std::array<bool, 2>& models) {
  if (models[0] && models[1]) return ModelChoice::Both;
  return models[0] ? ModelChoice::Sum : ModelChoice::SquaredSum;
}

// "auto", "random" or "periodogram" as the engine's search.
SearchKind SearchOf(const std::string& name) {
  const std::optional<SearchKind> kind = SearchNamed(name);
  if (!kind) throw py::value_error("search must be \"auto\", \"random\" or \"periodogram\"");
  return *kind;
}

// The engine's observations as its fit used them.
SeriesData DataOf(const Engine& engine) {
  const ObservationSet& obs = engine.State().Observations;
  const int count = obs.LastIndex + 1;
  SeriesData data{{obs.PlotX.data(), obs.PlotX.data() + count},
                  {obs.OrigY.data(), obs.OrigY.data() + count},
                  engine.Weights().Sigma};
  if (static_cast<int>(data.Sigma.size()) != count) data.Sigma.clear();
  return data;
}

// One series through one engine, the search's improvements and the refinement's fraction
// reported to `progress`. Cancelling during the search takes effect when the search ends (it
// cannot be interrupted): the refinement is then not run. A signal (Ctrl-C) or a cancelled token
// cancels too, and raises its exception.
py::dict FitOne(const std::vector<double>& x,
                const std::vector<double>& y,
                int harmonics,
                int depth,
                double minPeriod,
                std::optional<std::pair<std::uint32_t, std::uint32_t>> seeds,
                bool refine,
                bool constant,
                bool trend,
                std::vector<double> periods,
                double sigmaValue,
                std::vector<double> sigma,
                bool absoluteSigma,
                py::object progressFunction,
                double refineBudget,
                const std::string& search,
                bool hac,
                std::array<bool, 2> models,
                const std::shared_ptr<CancelToken>& token) {
  const Terms terms =
      TermsOf(constant, trend, std::move(periods), sigmaValue, absoluteSigma, models);
  ManyRequest request = Request(harmonics, depth, minPeriod, refine, terms);
  // Only whether there are weights matters to the results' layout.
  if (!sigma.empty()) request.SigmaValues = sigma.data();
  FitRequest fit;
  fit.Harmonics = harmonics;
  fit.Depth = depth;
  fit.MinPeriod = minPeriod;
  fit.Search = SearchOf(search);
  fit.FixedSeeds = seeds.has_value();
  if (seeds) fit.Seeds[0] = seeds->first, fit.Seeds[1] = seeds->second;
  fit.Constant = terms.Constant;
  fit.Trend = terms.Trend;
  fit.Periods = terms.Periods;
  fit.Sigma = terms.Sigma;
  fit.AbsoluteSigma = terms.AbsoluteSigma;
  fit.Models[0] = models[0];
  fit.Models[1] = models[1];
  std::vector<SeriesFit> fits(1);
  SeriesFit& out = fits[0];
  ProgressCallback progress(std::move(progressFunction));
  std::ostringstream report;  // harmora-fit's report after its heading
  std::vector<SeriesCorrelation> correlations;
  RunInterruptibly(
      [&](const std::atomic<bool>& cancel) {
        auto engine = std::make_unique<Engine>();  // large: on the heap, as fit_many's
        const DataOutcome data = engine->SetData(x, y, sigma);
        if (!data.Accepted) throw py::value_error(data.Error);
        fit.OnImprovement = [&progress] {
          if (!progress("search", kNaN)) progress.Cancel();
        };
        fit.Cancelled = [&cancel] { return cancel.load(); };
        out.Fit = engine->Fit(fit);  // faults pass on to Python as RuntimeError / ValueError
        out.Fitted = true;
        if (refine && !progress.Cancelled() && !cancel.load()) {
          RefineOptions options;
          if (refineBudget > 0) options.StartBudget = refineBudget;
          options.Progress = [&](double fraction) {
            return !cancel.load() && progress("refine", fraction);
          };
          out.Refinement = engine->Refine(options);
          out.Refined = true;
        }
        try {
          WriteReportBody(
              *engine, out.Refined ? &out.Refinement : nullptr, report, ChoiceOf(models));
        } catch (const std::exception&) {  // a zero frequency: the lines before it, as harmora-fit
        }
        if (out.Refined) correlations = CorrelateResiduals(fits, {DataOf(*engine)}, hac);
      },
      token);
  progress.RaiseIfFailed();
  py::dict result = Results(fits, request);
  if (out.Refined) {
    py::dict refined = result["refined"];
    AddResidualCorrelation(refined, fits, correlations, hac);
  }
  result["cancelled"] = progress.Cancelled() || (out.Refined && out.Refinement.Cancelled);
  result["_report"] = report.str();
  return result;
}

// The fits with 1 .. harmonics harmonics of one series compared (engine/count_comparison.h):
// per model the rows as arrays and the recommended N (0: none).
py::dict CompareCounts(const std::vector<double>& x,
                       const std::vector<double>& y,
                       int harmonics,
                       int depth,
                       double minPeriod,
                       std::optional<std::pair<std::uint32_t, std::uint32_t>> seeds,
                       bool constant,
                       bool trend,
                       double sigmaValue,
                       std::vector<double> sigma,
                       bool absoluteSigma,
                       double refineBudget,
                       std::array<bool, 2> models,
                       const std::shared_ptr<CancelToken>& token) {
  if (!models[0] && !models[1]) throw py::value_error("models must name model 1, 2 or both");
  CountComparison counts;
  RunInterruptibly(
      [&](const std::atomic<bool>& cancel) {
        auto engine = std::make_unique<Engine>();
        const DataOutcome data = engine->SetData(x, y, sigma);
        if (!data.Accepted) throw py::value_error(data.Error);
        FitRequest request;
        request.Harmonics = harmonics;
        request.Depth = depth;
        request.MinPeriod = minPeriod;
        request.FixedSeeds = seeds.has_value();
        if (seeds) request.Seeds[0] = seeds->first, request.Seeds[1] = seeds->second;
        request.Constant = constant;
        request.Trend = trend;
        request.Sigma = sigmaValue;
        request.AbsoluteSigma = absoluteSigma;
        request.Models[0] = models[0];
        request.Models[1] = models[1];
        request.Cancelled = [&cancel] { return cancel.load(); };
        RefineOptions refine;
        if (refineBudget > 0) refine.StartBudget = refineBudget;
        refine.Progress = [&cancel](double) { return !cancel.load(); };
        counts = CompareHarmonicCounts(*engine, request, refine);
      },
      token);
  py::dict out;
  for (int m = 0; m < 2; ++m) {
    if (!models[m]) continue;  // neither searched nor refined
    const HarmonicCountTable& t = counts.Models[m];
    const auto column = [&t](auto field) {
      std::vector<double> values;
      for (const HarmonicCountRow& row : t.Rows) values.push_back(field(row));
      return py::array_t<double>(static_cast<py::ssize_t>(values.size()), values.data());
    };
    py::dict model;
    model["harmonics"] = column([](const HarmonicCountRow& r) { return double(r.Harmonics); });
    model["sse"] = column([](const HarmonicCountRow& r) { return r.Sse; });
    model["bic"] = column([](const HarmonicCountRow& r) { return r.Bic; });
    model["df"] = column([](const HarmonicCountRow& r) { return double(r.DegreesOfFreedom); });
    model["f_test_p"] = column([](const HarmonicCountRow& r) { return r.FTest; });
    model["false_alarm"] = column([](const HarmonicCountRow& r) { return r.FalseAlarm; });
    model["recommended"] = t.Recommended;
    out[m == 0 ? "model1" : "model2"] = model;
  }
  return out;
}

py::dict FitManySeries(const std::vector<double>& x,
                       py::array_t<double, py::array::c_style | py::array::forcecast> y,
                       int harmonics,
                       int depth,
                       double minPeriod,
                       std::pair<std::uint32_t, std::uint32_t> seeds,
                       bool refine,
                       bool constant,
                       bool trend,
                       std::vector<double> periods,
                       double sigmaValue,
                       py::array_t<double, py::array::c_style | py::array::forcecast> sigma,
                       bool absoluteSigma,
                       int threads,
                       py::object progressFunction,
                       double refineBudget,
                       const std::string& search,
                       bool hac,
                       std::array<bool, 2> models,
                       const std::shared_ptr<CancelToken>& token) {
  if (y.ndim() != 2 || static_cast<std::size_t>(y.shape(1)) != x.size()) {
    throw py::value_error("Y must be 2-D, one series per row, with as many columns as x");
  }
  if (sigma.size() != 0 &&
      (sigma.ndim() != 2 || sigma.shape(0) != y.shape(0) || sigma.shape(1) != y.shape(1))) {
    throw py::value_error("sigma must be empty or shaped as Y");
  }
  ManyRequest request =
      Request(harmonics,
              depth,
              minPeriod,
              refine,
              TermsOf(constant, trend, std::move(periods), sigmaValue, absoluteSigma, models));
  request.Search = SearchOf(search);
  if (sigma.size() != 0) request.SigmaValues = sigma.data();
  if (refineBudget > 0) request.RefineBudget = refineBudget;
  request.Seeds[0] = seeds.first;
  request.Seeds[1] = seeds.second;
  const auto series = static_cast<std::size_t>(y.shape(0));
  ProgressCallback progress(std::move(progressFunction));
  std::vector<SeriesFit> fits;
  std::vector<SeriesCorrelation> correlations;
  const double* values = y.data();
  RunInterruptibly(
      [&](const std::atomic<bool>& cancel) {
        request.Cancelled = [&cancel] { return cancel.load(); };
        fits = FitMany(x, values, series, request, threads, [&](std::size_t done) {
          return !cancel.load() && progress("series", series ? double(done) / double(series) : 1.0);
        });
        if (!refine || cancel.load()) return;
        const auto data = SeriesDataOf(x, values, request.SigmaValues, request.Sigma, series);
        correlations = CorrelateResiduals(fits, data, hac);
      },
      token);
  progress.RaiseIfFailed();
  py::dict result = Results(fits, request);
  if (refine) {
    py::dict refined = result["refined"];
    AddResidualCorrelation(refined, fits, correlations, hac);
  }
  return result;
}

}  // namespace

PYBIND11_MODULE(_harmora, m) {
  m.doc() = "Native part of harmora: the engine's fit of one or many series.";
  m.attr("__version__") = HARMORA_VERSION;
  m.attr("capacity") = kMaxEngineObservations;
  BindCurves(m);
  BindSpectral(m);
  BindCancelToken(m);
  m.def("fit_one",
        &FitOne,
        py::arg("x"),
        py::arg("y"),
        py::arg("harmonics"),
        py::arg("depth"),
        py::arg("min_period"),
        py::arg("seeds"),
        py::arg("refine"),
        py::arg("constant"),
        py::arg("trend"),
        py::arg("periods"),
        py::arg("sigma_value"),
        py::arg("sigma"),
        py::arg("absolute_sigma"),
        py::arg("progress"),
        py::arg("refine_budget"),
        py::arg("search") = "auto",
        py::arg("hac") = false,
        py::arg("models") = std::array<bool, 2>{true, true},
        py::arg("cancel") = py::none());
  m.def("compare_counts",
        &CompareCounts,
        py::arg("x"),
        py::arg("y"),
        py::arg("harmonics"),
        py::arg("depth"),
        py::arg("min_period"),
        py::arg("seeds"),
        py::arg("constant"),
        py::arg("trend"),
        py::arg("sigma_value"),
        py::arg("sigma"),
        py::arg("absolute_sigma"),
        py::arg("refine_budget"),
        py::arg("models") = std::array<bool, 2>{true, true},
        py::arg("cancel") = py::none());
  m.def("fit_many",
        &FitManySeries,
        py::arg("x"),
        py::arg("y"),
        py::arg("harmonics"),
        py::arg("depth"),
        py::arg("min_period"),
        py::arg("seeds"),
        py::arg("refine"),
        py::arg("constant"),
        py::arg("trend"),
        py::arg("periods"),
        py::arg("sigma_value"),
        py::arg("sigma"),
        py::arg("absolute_sigma"),
        py::arg("threads"),
        py::arg("progress"),
        py::arg("refine_budget"),
        py::arg("search") = "auto",
        py::arg("hac") = false,
        py::arg("models") = std::array<bool, 2>{true, true},
        py::arg("cancel") = py::none());
}
