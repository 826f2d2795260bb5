#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/least_squares.h"
#include "data/import_check.h"
#include "engine/search_kind.h"
#include "export/data_csv.h"
#include "export/formula_text.h"
#include "fit/engine_choice.h"
#include "model/harmonic_model.h"
#include "state/app_state.h"

// The one entrance to the fitting core: data in, a fit, its refinement, the report and the
// written results out. Plain values in and out, progress and cancel as callbacks. An Engine owns
// all the state it uses; engines on different threads run at once without touching each other's
// results (the search's second thread then serves one of them at a time, which changes no bits).
// One Engine is used from one thread at a time.
//
// Capacity: a file's or pasted text's pairs past the hundredth are not read, as in the window;
// SetData takes up to kMaxEngineObservations, and the memory a fit and its refinement use grows
// in proportion to the count.
//
// Terms (opt-in, FitRequest): a constant, a linear trend and harmonics at known periods. The
// search then runs on each stage's target less the terms' least-squares estimate and searches
// only the other harmonics; the refinement fits everything jointly. Weights (a sigma per
// observation given with the data, or one sigma for all in the request) make the refinement
// weighted least squares. Without terms and weights every result is the window's, bit for bit.

// The most observations SetData takes: far more than any series a fit is meant for, and few
// enough that every count and index stays within an int.
inline constexpr int kMaxEngineObservations = 100'000'000;

// What became of offered data.
struct DataOutcome {
  bool Accepted = false;
  // When refused: the window's message for an unreadable or too short file, a fault's text (an
  // I/O fault names the file), or what is wrong with arrays given to SetData.
  std::string Error;
  bool ErrorNamesFile = false;
  // The fault itself when one refused the data (an I/O fault, numbers whose range leaves the
  // doubles), for a front end that shows faults where they are caught; Error holds its text.
  std::exception_ptr Fault;
  bool ReadFailed = false;  // the reader met something that is not a number
  ImportReport Findings;    // the import check's findings for a file or bytes
  int Count = 0;            // observations held after an accepted offer
};

// One fit of both models, as the find button runs it.
struct FitRequest {
  int Harmonics = 1;  // N, 1..5
  int Depth = 10000;  // random trials per harmonic; the window offers 10000 to 998888
  // The shortest period tried; kept for later fits. 0 or less: the one held, which is the data's
  // own (twice the mean spacing) unless a request or the window changed it.
  double MinPeriod = 0;
  // With FixedSeeds the two stages' reseeds give Seeds, for this fit only; without, they read
  // the generator's own clock (State().Random.Clock, the real clock unless set).
  bool FixedSeeds = false;
  std::uint32_t Seeds[2] = {0, 0};  // with FixedSeeds: the generator after each stage's reseed
  bool Constant = false;            // fit c0 + S(x)
  bool Trend = false;               // fit c1 * x too
  // Known periods in x units, at most 5: harmonics at B = 2*pi/P, fitted in amplitude and phase
  // only, the first harmonics of both models. Harmonics counts them: the rest are searched (with
  // fewer Harmonics than periods, all harmonics are the known ones).
  std::vector<double> Periods;
  // One sigma for every observation (> 0), or 0 to use the data's own (SetData's) if any.
  double Sigma = 0;
  // The sigma are errors in y's units: the covariance is not scaled by the reduced chi^2.
  bool AbsoluteSigma = false;
  // Called on the fitting thread after every improvement, with the engine's state current (the
  // window redraws its plot from it). Empty: nothing is called.
  std::function<void()> OnImprovement;
  // Asked between blocks of the search's work, possibly from its two threads at once (so it
  // reads an atomic or the like); true ends the fit with FitCancelled within a fraction of a
  // second at any length of data. Empty: the fit runs to its end.
  CancelCheck Cancelled;
  // How the search computes: the defaults, or the references tests and benchmarks compare the
  // engine with. Each fit uses its own request's; nothing of it outlives the fit.
  EngineChoice Engine;
  SearchKind Search = SearchKind::Auto;
  // The models fitted, [ModelKind]; one left out is neither searched nor refined: its amplitudes
  // are 0 (at the band's top frequency) and its results mean nothing. At least one is fitted.
  bool Models[2] = {true, true};
};

// What a fit produced.
struct FitResult {
  // [ModelKind]: model 1 (Sum), model 2 (SquaredSum); with terms their Constant and Trend.
  HarmonicModel Models[2];
  double RelDeviation[2] = {0, 0};       // percent, as the report gives it; [ModelKind]
  double Objective[2] = {0, 0};          // each stage's own objective at its result; [ModelKind]
  std::uint32_t StageSeeds[2] = {0, 0};  // [0] stage 1 (model 2), [1] stage 2 (model 1)
  int FixedCount = 0;                    // the models' first harmonics at known periods
  double MinPeriod = 0;                  // the one used
  int Count = 0;                         // observations fitted
  // The request's engine choice as this CPU ran it: a path it cannot run gave way to the
  // fastest one it can (Runnable).
  EngineChoice Engine;
  SearchKind Search = SearchKind::Random;  // the search that ran (never Auto)
};

// A refinement of one fit, held by value so that it can run on another thread while the engine
// goes on: the data, the fit's table, its minimum period and the options with its terms and
// weights. A front end may put another table of the same data in (the window refines the
// search's result even after the refined one was applied).
struct RefineJob {
  ObservationSet Observations;
  CoefficientTable Table;
  double MinPeriod = 0;
  RefineOptions Options;
};

// Runs a job; deterministic, with its own threads.
RefinementResult RunRefinement(const RefineJob& job);

class Engine {
 public:
  // Reads a data file by the window's rules with the import check beside it; accepted data
  // (4 pairs or more, every number read) replace the engine's and drop any fit. A refused file
  // leaves the data as they were. Never throws.
  DataOutcome LoadFile(const std::string& path);
  // The same for a data file's bytes held in memory (pasted text); `name` names them.
  DataOutcome LoadBytes(std::string_view bytes, const std::string& name);
  // Observations given as numbers: x and y of equal length, 4 to kMaxEngineObservations pairs,
  // all finite; sorted by x as a file's are. `sigma`, empty or one positive finite standard
  // deviation per pair, weighs the refinement.
  DataOutcome SetData(const std::vector<double>& x,
                      const std::vector<double>& y,
                      const std::vector<double>& sigma = {});
  // The window's random sample: 10 points of one random sinusoid, from the engine's generator.
  void UseRandomSample();

  // Fits model 2 and then model 1 to the data. Raises RunTimeFault where the fit meets a division
  // by zero or an overflow, and std::invalid_argument without data or with a request out of
  // range; the state then holds what the fit had reached. Raises FitCancelled when the request's
  // Cancelled turned true; the engine then holds no fit (its data stay).
  FitResult Fit(const FitRequest& request);

  // The least-squares refinement of the last fit (std::logic_error without one), with the fit's
  // terms and weights (options.Terms and options.Weights are replaced by them). Deterministic;
  // runs its own threads and touches nothing of the engine's.
  RefinementResult Refine(const RefineOptions& options) const;
  // The same refinement as a job to run elsewhere (std::logic_error without a fit).
  RefineJob RefinementJob(const RefineOptions& options) const;

  // Puts another table of the same harmonic count in place of the last fit's (the window's
  // "apply" of refined coefficients), its deviations recomputed as the search computes them;
  // or puts a table back with the deviations it had. std::logic_error without a fit, with
  // terms (their values would no longer match), or with another harmonic count.
  void ReplaceCoefficients(const CoefficientTable& table);
  void ReplaceCoefficients(const CoefficientTable& table,
                           double relDeviation,
                           double savedDeviation);

  // Adopts refined models (the least-squares window's "apply") with the terms of `terms`
  // (its Constant, Trend and Periods; none for a plain fit): the table takes their harmonics; the
  // report, the CSV and the plot take the terms' values; the deviations are recomputed as the
  // search computes them. std::logic_error without a fit or with another harmonic count.
  void AdoptModels(const HarmonicModel models[2], const FitRequest& terms);
  // The last fit's models with their terms' values; [ModelKind].
  const HarmonicModel* Models() const { return models_; }

  // The last fit written out: the report's lines, one call of appendLine each (a frequency of 0
  // raises the division fault after the lines before it), or all of them; the data with both
  // models as CSV; one model's formula. A fit with a constant or a trend shows their values in
  // the report's formulas and the CSV's comments, and the CSV's model columns include them.
  void WriteReportLines(const std::function<void(const std::string&)>& appendLine) const;
  std::vector<std::string> ReportLines() const;
  std::string CsvText() const;
  std::string CsvText(const CsvStyle& style) const;  // with a spreadsheet's separator and digits
  std::string Formula(ModelKind model, FormulaFormat format) const;

  bool HasFit() const { return state_.FitStage == 2; }
  // The terms and weights of the last fit, as its refinement uses them.
  const ModelTerms& Terms() const { return terms_; }
  // The data's own sigma (SetData's) in the order of the observations held; empty without.
  const std::vector<double>& DataSigma() const { return sigma_; }
  const FitWeights& Weights() const { return weights_; }
  const AppState& State() const { return state_; }
  // The window draws and edits its view settings in the engine's state; the engine's calls are
  // the only way its data and fit change.
  AppState& State() { return state_; }

 private:
  DataOutcome Take(ObservationSet& read, bool readFailed, ImportReport findings);
  DataOutcome SetWeightedData(const std::vector<double>& x,
                              const std::vector<double>& y,
                              const std::vector<double>& sigma);

  AppState state_;
  std::vector<double> sigma_;  // the data's own sigma, in the order of the observations
  // The last fit's terms and weights, which its refinement fits with.
  ModelTerms terms_;
  FitWeights weights_;
  HarmonicModel models_[2];  // the last fit's models with their terms' values; [ModelKind]
  bool models_wanted_[2] = {true, true};  // the last fit's FitRequest::Models
};
