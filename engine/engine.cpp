#include "engine/engine.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "analysis/peak_search/peak_search.h"
#include "base/run_time_fault.h"
#include "data/data_file_messages.h"
#include "data/data_file_reader.h"
#include "engine/term_search.h"
#include "export/data_csv.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "model/model_values.h"
#include "report/report_text.h"

namespace {

// The fewest pairs a fit takes, as the window accepts a file.
constexpr int kMinObservations = 4;

DataOutcome Refused(std::string error) {
  DataOutcome out;
  out.Error = std::move(error);
  return out;
}

// Called inside the handler that caught `fault`.
DataOutcome FaultRefused(const std::exception& fault) {
  DataOutcome out = Refused(fault.what());
  out.Fault = std::current_exception();
  return out;
}

ModelTerms TermsOf(const FitRequest& request) {
  if (request.Periods.size() > static_cast<std::size_t>(kMaxHarmonics)) {
    throw std::invalid_argument("at most 5 known periods");
  }
  ModelTerms terms;
  terms.Constant = request.Constant;
  terms.Trend = request.Trend;
  for (const double period : request.Periods) {
    if (!(period > 0) || !std::isfinite(period)) {
      throw std::invalid_argument("a known period must be positive and finite");
    }
    terms.FixedB[terms.FixedCount++] = 2 * std::numbers::pi / period;
  }
  return terms;
}

FitWeights WeightsOf(const FitRequest& request, int count) {
  if (!(request.Sigma >= 0) || !std::isfinite(request.Sigma)) {
    throw std::invalid_argument("sigma must be positive and finite");
  }
  FitWeights weights;
  weights.Absolute = request.AbsoluteSigma;
  if (request.Sigma > 0) weights.Sigma.assign(static_cast<std::size_t>(count), request.Sigma);
  return weights;
}

SearchKind SearchOf(const FitRequest& request, int count) {
  if (request.Search != SearchKind::Auto) return request.Search;
  return count > kRandomSearchMax ? SearchKind::Periodogram : SearchKind::Random;
}

// The periodogram search's models as the random search leaves its result: in the table (model 1
// in set 1), with the report's deviations.
void PutSearched(AppState& s, int harmonics, int depth, SineArray sines, HarmonicModel models[2]) {
  s.LastFit = {harmonics, depth, s.Observations.MinPeriod};
  CoefficientTable& table = s.Coefficients;
  table.HarmonicCount = static_cast<std::uint8_t>(harmonics);
  const HarmonicModel& one = models[static_cast<int>(ModelKind::Sum)];
  const HarmonicModel& two = models[static_cast<int>(ModelKind::SquaredSum)];
  for (int k = 0; k < harmonics; ++k) {
    table.A[k] = one.A[k];
    table.B[k] = one.B[k];
    table.C[k] = one.C[k];
    table.A2[k] = two.A[k];
    table.B2[k] = two.B[k];
    table.C2[k] = two.C[k];
  }
  s.FitStage = 2;
  s.StageSeeds[0] = s.StageSeeds[1] = 0;  // nothing drawn
  s.RelDeviation = ModelDeviation(one, s.Observations, sines);
  s.SavedDeviation = ModelDeviation(two, s.Observations, sines);
  if (s.Hooks.Redraw) s.Hooks.Redraw();
}

// Runs the request's search into out.Models (and the state, as the window shows it).
void Search(AppState& s,
            const FitRequest& request,
            int harmonics,
            const ModelTerms& terms,
            const FitWeights& weights,
            FitResult& out) {
  if (out.Search == SearchKind::Periodogram) {
    PeriodogramSearch(s.Observations,
                      harmonics,
                      terms,
                      weights,
                      s.Observations.MinPeriod,
                      request.Models,
                      out.Models,
                      request.Cancelled);
    PutSearched(s, harmonics, request.Depth, FitSinesOf(Runnable(request.Engine)), out.Models);
  } else if (terms.Any() || !request.Models[0] || !request.Models[1]) {
    SearchWithTerms(
        s, request.Depth, harmonics, terms, weights, request.Engine, request.Models, out.Models);
  } else {
    FitBothModels(s, request.Depth, request.Engine);
    for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
      out.Models[static_cast<int>(kind)] = ModelOf(s.Coefficients, kind);
    }
  }
}

}  // namespace

const char* SearchName(SearchKind kind) {
  switch (kind) {
    case SearchKind::Random:
      return "random";
    case SearchKind::Periodogram:
      return "periodogram";
    case SearchKind::Auto:
      break;
  }
  return "auto";
}

std::optional<SearchKind> SearchNamed(std::string_view name) {
  for (const SearchKind kind : {SearchKind::Auto, SearchKind::Random, SearchKind::Periodogram}) {
    if (name == SearchName(kind)) return kind;
  }
  return std::nullopt;
}

DataOutcome Engine::Take(ObservationSet& read, bool readFailed, ImportReport findings) {
  DataOutcome out;
  out.ReadFailed = readFailed;
  out.Findings = std::move(findings);
  if (readFailed || read.LastIndex + 1 < kMinObservations) {
    out.Error = readFailed ? kUnreadableDataText : kTooShortDataText;
    return out;
  }
  PrepareData(read);
  state_.Observations = read;
  sigma_.clear();
  state_.FitStage = 0;
  state_.ReadFailed = false;
  out.Accepted = true;
  out.Count = read.LastIndex + 1;
  return out;
}

DataOutcome Engine::LoadFile(const std::string& path) {
  // Read into a scratch set: a read aborted by a fault leaves the data as they were.
  ObservationSet read = state_.Observations;
  bool readFailed = false;
  try {
    ImportReport findings = LoadCheckedDataFile(path, read, readFailed);
    DataOutcome out = Take(read, readFailed, std::move(findings));
    if (out.Accepted) state_.DataPath = path;
    state_.ReadFailed = readFailed;
    return out;
  } catch (const RunTimeFault& fault) {
    DataOutcome out = FaultRefused(fault);
    out.ErrorNamesFile = fault.FaultKind == RunTimeFault::Kind::InputOutput;
    return out;
  } catch (const std::exception& fault) {
    return FaultRefused(fault);
  }
}

DataOutcome Engine::LoadBytes(std::string_view bytes, const std::string& name) {
  ObservationSet read = state_.Observations;
  bool readFailed = false;
  try {
    LoadDataBytes(bytes, read, readFailed);
    DataOutcome out = Take(read, readFailed, CheckImportBytes(bytes));
    if (out.Accepted) state_.DataName = name;
    state_.ReadFailed = readFailed;
    return out;
  } catch (const std::exception& fault) {
    return FaultRefused(fault);
  }
}

DataOutcome Engine::SetData(const std::vector<double>& x,
                            const std::vector<double>& y,
                            const std::vector<double>& sigma) {
  if (x.size() != y.size()) return Refused("x and y differ in length");
  if (!sigma.empty()) return SetWeightedData(x, y, sigma);
  if (x.size() < static_cast<std::size_t>(kMinObservations)) {
    return Refused("at least 4 observations are needed");
  }
  if (x.size() > static_cast<std::size_t>(kMaxEngineObservations)) {
    return Refused("at most 100000000 observations can be fitted");
  }
  ObservationSet read;
  read.LastIndex = static_cast<int>(x.size()) - 1;
  ReserveObservations(read, static_cast<int>(x.size()));
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) return Refused("x and y must be finite");
    read.X[i] = x[i];
    read.WorkY[i] = y[i];
  }
  try {
    return Take(read, false, ImportReport{});
  } catch (const std::exception& fault) {  // data whose range or spacing leaves the doubles
    return FaultRefused(fault);
  }
}

DataOutcome Engine::SetWeightedData(const std::vector<double>& x,
                                    const std::vector<double>& y,
                                    const std::vector<double>& sigma) {
  if (sigma.size() != x.size()) return Refused("sigma must have one value per observation");
  for (const double s : sigma) {
    if (!(s > 0) || !std::isfinite(s)) return Refused("every sigma must be positive and finite");
  }
  // Sorted here, so that the sigma stay with their pairs: sorted data keep their order.
  std::vector<std::size_t> order(x.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&x](std::size_t a, std::size_t b) {
    return x[a] < x[b] || (!(x[b] < x[a]) && a < b);  // stable, without stable_sort's buffer
  });
  std::vector<double> xs, ys, ss;
  for (const std::size_t i : order) {
    xs.push_back(x[i]);
    ys.push_back(y[i]);
    ss.push_back(sigma[i]);
  }
  DataOutcome out = SetData(xs, ys);
  if (out.Accepted) sigma_ = std::move(ss);
  return out;
}

void Engine::UseRandomSample() {
  sigma_.clear();
  MakeRandomSample(state_.Observations, state_.Random);
  state_.FitStage = 0;
}

FitResult Engine::Fit(const FitRequest& request) {
  AppState& s = state_;
  if (s.Observations.LastIndex + 1 < kMinObservations) {
    throw std::invalid_argument("no data to fit: at least 4 observations are needed");
  }
  if (request.Harmonics < 1 || request.Harmonics > kMaxHarmonics) {
    throw std::invalid_argument("the number of harmonics must be 1 to 5");
  }
  if (request.Depth < 1) throw std::invalid_argument("the search depth must be positive");
  if (!request.Models[0] && !request.Models[1]) {
    throw std::invalid_argument("at least one of the two models must be fitted");
  }
  const ModelTerms terms = TermsOf(request);
  FitWeights weights = WeightsOf(request, s.Observations.LastIndex + 1);
  if (!weights.Any()) weights.Sigma = sigma_;
  if (request.MinPeriod > 0) s.Observations.MinPeriod = request.MinPeriod;
  const int harmonics = std::max(request.Harmonics, terms.FixedCount);
  s.Coefficients.HarmonicCount = static_cast<std::uint8_t>(harmonics);

  // The request's hook and seeds for this fit only: the state's own are back afterwards, also
  // after a fault.
  struct Restore {
    AppState& State;
    AppHooks Hooks;
    SeedClock Clock;
    ~Restore() {
      State.Hooks = std::move(Hooks);
      State.Random.Clock = std::move(Clock);
    }
  } restore{s, s.Hooks, s.Random.Clock};
  s.Hooks.Redraw = request.OnImprovement;
  s.Hooks.Cancelled = request.Cancelled;
  if (request.FixedSeeds) s.Random.Clock = SeedSequence(request.Seeds[0], request.Seeds[1]);
  terms_ = terms;
  weights_ = weights;
  FitResult out;
  out.Search = SearchOf(request, s.Observations.LastIndex + 1);
  try {
    Search(s, request, harmonics, terms, weights, out);
  } catch (const FitCancelled&) {
    s.FitStage = 0;  // what the search reached is no fit
    throw;
  }
  out.Engine = Runnable(request.Engine);
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    const int m = static_cast<int>(kind);
    out.Objective[m] = StageObjective(out.Models[m], s.Observations, FitSinesOf(out.Engine));
  }
  out.FixedCount = terms.FixedCount;
  // With only known periods nothing is searched and no seed is drawn (0, 0). Seeds the request
  // gave are kept as given, so that a caller reads back what it passed; any seeds repeat such a
  // fit.
  if (request.FixedSeeds &&
      (terms.FixedCount >= harmonics || out.Search == SearchKind::Periodogram)) {
    s.StageSeeds[0] = request.Seeds[0];
    s.StageSeeds[1] = request.Seeds[1];
  }
  for (int m = 0; m < 2; ++m) {
    models_[m] = out.Models[m];
    models_wanted_[m] = request.Models[m];
  }
  out.RelDeviation[0] = s.RelDeviation;
  out.RelDeviation[1] = s.SavedDeviation;
  out.StageSeeds[0] = s.StageSeeds[0];
  out.StageSeeds[1] = s.StageSeeds[1];
  out.MinPeriod = s.Observations.MinPeriod;
  out.Count = s.Observations.LastIndex + 1;
  return out;
}

RefinementResult RunRefinement(const RefineJob& job) {
  return RefineBothModels(job.Observations, job.Table, job.MinPeriod, job.Options);
}

RefineJob Engine::RefinementJob(const RefineOptions& options) const {
  if (!HasFit()) throw std::logic_error("no fit to refine");
  RefineJob job{state_.Observations, state_.Coefficients, state_.Observations.MinPeriod, options};
  job.Options.Terms = terms_;
  job.Options.Weights = weights_;
  for (int m = 0; m < 2; ++m) job.Options.Models[m] = job.Options.Models[m] && models_wanted_[m];
  return job;
}

RefinementResult Engine::Refine(const RefineOptions& options) const {
  return RunRefinement(RefinementJob(options));
}

void Engine::ReplaceCoefficients(const CoefficientTable& table) {
  ReplaceCoefficients(
      table,
      ModelDeviation(ModelOf(table, ModelKind::Sum), state_.Observations, SinArray),
      ModelDeviation(ModelOf(table, ModelKind::SquaredSum), state_.Observations, SinArray));
}

void Engine::ReplaceCoefficients(const CoefficientTable& table,
                                 double relDeviation,
                                 double savedDeviation) {
  if (!HasFit() || terms_.Any() || table.HarmonicCount != state_.Coefficients.HarmonicCount) {
    throw std::logic_error("only a plain fit's harmonics can be replaced");
  }
  state_.Coefficients = table;
  state_.RelDeviation = relDeviation;
  state_.SavedDeviation = savedDeviation;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    models_[static_cast<int>(kind)] = ModelOf(table, kind);
  }
}

void Engine::AdoptModels(const HarmonicModel models[2], const FitRequest& terms) {
  CoefficientTable& t = state_.Coefficients;
  if (!HasFit() || models[0].Count != t.HarmonicCount || models[1].Count != t.HarmonicCount) {
    throw std::logic_error("refined models must have the fit's harmonic count");
  }
  const ModelTerms adopted = TermsOf(terms);
  for (int k = 0; k < t.HarmonicCount; ++k) {
    t.A[k] = models[0].A[k], t.B[k] = models[0].B[k], t.C[k] = models[0].C[k];
    t.A2[k] = models[1].A[k], t.B2[k] = models[1].B[k], t.C2[k] = models[1].C[k];
  }
  terms_ = adopted;
  for (const ModelKind kind : {ModelKind::Sum, ModelKind::SquaredSum}) {
    HarmonicModel& m = models_[static_cast<int>(kind)];
    m = models[static_cast<int>(kind)];
    m.Kind = kind;
    if (!adopted.Constant) m.Constant = 0;
    if (!adopted.Trend) m.Trend = 0;
  }
  state_.RelDeviation = ModelDeviation(models_[0], state_.Observations, SinArray);
  state_.SavedDeviation = ModelDeviation(models_[1], state_.Observations, SinArray);
}

void Engine::WriteReportLines(const std::function<void(const std::string&)>& appendLine) const {
  if (terms_.Any()) {
    WriteReport(state_, terms_, models_, appendLine);
  } else {
    WriteReport(state_, appendLine);
  }
}

std::vector<std::string> Engine::ReportLines() const {
  std::vector<std::string> lines;
  WriteReportLines([&lines](const std::string& line) { lines.push_back(line); });
  return lines;
}

std::string Engine::CsvText() const { return CsvText(CsvStyle{}); }

std::string Engine::CsvText(const CsvStyle& style) const {
  return terms_.Any() ? WriteDataCsv(state_, terms_, models_, style) : WriteDataCsv(state_, style);
}

std::string Engine::Formula(ModelKind model, FormulaFormat format) const {
  // The fitted terms' values, where the fit had terms, as the report writes them.
  const HarmonicModel& fitted = models_[static_cast<int>(model)];
  const FormulaTerms terms{terms_.Constant, terms_.Trend, fitted.Constant, fitted.Trend};
  return FormulaText(state_.Coefficients,
                     model == ModelKind::Sum ? FormulaModel::One : FormulaModel::Two,
                     format,
                     terms);
}
