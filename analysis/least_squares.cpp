#include "analysis/least_squares.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <numbers>
#include <stdexcept>
#include <thread>
#include <vector>

#include "analysis/fit_trust.h"
#include "analysis/model_estimates.h"
#include "analysis/periodogram.h"
#include "analysis/residual_lines.h"
#include "analysis/scaled_fit.h"
#include "analysis/spectral_band.h"
#include "fit/fit_harmonics.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Two objectives within this share are the same optimum (the header's "hits").
constexpr double kHitShare = 1e-9;
// Objectives below this share of the target's sum of squares are all exact fits, whatever their
// rounding noise.
constexpr double kHitFloorShare = 1e-20;
// The search stops once the best has been reached this many times from starts that owe nothing
// to it (random frequencies, the target's peaks, the greedy and the search's starts), after at
// least kMinStarts + kMinStartsPerHarmonic * N starts. Moves of the best fall back into it so
// often that their hits prove little where local minima crowd: with 30 observations and N = 5,
// 172 starts agreeing six times, most of them moves of the best, still missed the optimum by
// 0.7 %.
constexpr int kEnoughHits = 5;
constexpr int kMinStarts = 10;
constexpr int kMinStartsPerHarmonic = 10;
// With at least kSettledDetermined observations per fitted parameter it also stops once its best
// has been reached kSettledHits times by any starts and has stood, no start finding a lower
// optimum, for max(kSettledPatience, kSettledGrowth * the start that found it) starts. Where
// independent starts rarely agree (24 irregular points and N = 3, a band five times the Nyquist
// frequency) the first rule alone ran to the cap of 2,741 starts though the best of the sum was
// found by the 35th. Replayed on every start of runs to the cap (the quality benchmark's 1,140
// fits and 1,760 of refine_speed's at n = 24 to 100, N = 2 and 3): no fit of the benchmark lost
// its optimum, and 6 of refine_speed's did, all squared sums of 24 or 30 irregular points whose
// best came late or once. With fewer observations per parameter (12 points and N = 3) late finds
// are common, and the rule would lose dozens of the benchmark's fits. Once starts that come into
// the best's basin count as hits (TaskRunner::InBestBasin), replayed again on runs that never
// settle: a patience of 75 (or 60) lost no fit that 100 kept; fewer than 20 hits lost more.
constexpr double kSettledDetermined = 2.5;
constexpr int kSettledHits = 20;
constexpr int kSettledPatience = 75;
constexpr int kSettledGrowth = 2;
// Starts one model can afford per second of budget at 100 observations and 5 harmonics,
// measured on one core with room to spare; smaller problems get proportionally more. The
// count, not the clock, bounds the work, so the same inputs always give the same bits.
constexpr double kStartsPerSecondAtFullSize = 300;
// A start's cost relative to one at full size: a part that grows with the observations times
// the square of the harmonics (the projected QR), and a part per observation that does not.
constexpr double kFixedCostShare = 0.15;
// The smallest cost a start is counted at: a few observations make starts cheap, but not free.
constexpr double kMinStartCost = 0.05;
constexpr int kMaxStartsCap = 200000;
// With this many observations per fitted parameter or more, the starts stop at
// kWellDeterminedStarts per second of budget: over the quality benchmark's 1,140 fits such fits
// reached their optimum within 111 starts (most within 10), while fewer observations per
// parameter needed up to 5,400 (noise fitted by as many parameters as it has points, and high
// frequencies on irregular x).
constexpr double kWellDetermined = 4;
constexpr double kWellDeterminedStarts = 300;
// With fewer than kIllPosed observations per fitted parameter the best optimum is mostly noise
// fitted by nearly as many parameters as there are points, which one start in a thousand or more
// finds, so such fits get kIllPosedStarts times the starts. They are small, so the time stays
// short: at 10 to 20 points and N = 5 a case (both models) took 72 to 95 ms median before, 150
// to 220 ms after, 430 ms at most; the quality benchmark reached 364 of its 384 such fits
// instead of 354.
constexpr double kIllPosed = 2;
constexpr double kIllPosedStarts = 2;
// The loose iteration of every start, and how close to the best it must come to be polished.
constexpr double kLooseStall = 1e-7;
constexpr int kLooseIterations = 50;
constexpr double kPolishShare = 1e-3;
// A loose iteration still this share above the best when it slows down is given up (scaled_fit.h).
constexpr double kFarShare = 0.1;
// Where the settled-best rule applies, a loose iteration is also given up after a few steps once
// its Gauss-Newton model cannot bring it below this multiple of the best (scaled_fit.h). Logged
// over refine_speed's n = 24 and 48, N = 3 series (35,346 starts): it saves 15 % of the loose
// steps, and of the starts that ended near the best 27 were cut, none of them a new best. With
// fewer observations per parameter the model's promise is worth less: applied to every fit it
// lost 30 of the quality benchmark's 1,140, most of them 10 to 20 irregular points.
constexpr double kHopelessMultiple = 3.3;
// The models with the lowest objectives kept to the end, for when the best loses digits in x:
// where two merged frequencies cancel each other with amplitudes of 1e7, taking them to x (x near
// 2000, B x rounded) costs 1e-4 of the objective, and a model a little less deep in that valley
// comes out lower. Only those within kPolishShare of the best are taken to x.
constexpr std::size_t kKeptModels = 8;
// Other optima kept to be compared with the best at the end: the lowest of those whose
// frequencies differ from each other by more than kSameBasin (in u, where a resolution is pi).
constexpr std::size_t kRivals = 8;
constexpr double kSameBasin = 1e-2;
// A rival's loose objective may lie this far above the profile likelihood's reach (ProfileRatio)
// and still be refined to see whether it ends inside.
constexpr double kRivalSlack = 1.1;
// Where optima crowd (fewer than kSettledDetermined observations per parameter), the moves of the
// best follow this many chains, each from the best its own starts found (basin hopping with
// restarts): moves of the single best stay in the funnel it lies in, and the lowest optimum may
// lie in another. Against the lowest of four reference runs (refine_quality --replicates 6, fits
// with fewer than 2 observations per parameter) 8 chains reached 94 of 114 at N = 5 instead of
// 90, 105 instead of 102 at N = 4, 78 instead of 77 at N = 3, in the same time; 4 and 16 chains
// reached 91 and 92 at N = 5.
constexpr int kChains = 8;
// Peaks of a periodogram kept as starting frequencies.
constexpr int kTrackedPeaks = 16;
// The sampling's strongest aliases each harmonic of the best is moved to.
constexpr int kAliasStarts = 2;
// How far apart (in u, where a resolution is pi) the pairs of the paired greedy runs start.
constexpr double kPairApart[] = {0.25 * std::numbers::pi, 1.0 * std::numbers::pi};
// The moves of the final best (TaskRunner::EndMoves): rings of them at most, each harmonic to
// this many residual peaks and this far (in u, where a resolution is pi) beside each other one.
constexpr int kEndRings = 3;
constexpr int kEndPeaks = 1;
constexpr double kEndApart = 0.6 * std::numbers::pi;
// The final best iterated again (TaskRunner::Deepen): passes, the full iteration's steps in
// each, and the share a pass must gain for another.
constexpr int kDeepenPasses = 5;
constexpr int kDeepenIterations = 200;
constexpr double kDeepenGain = 1e-12;
// Harmonics of the best below this frequency (in u, where a resolution is pi: under a twelfth of a
// cycle over the data) may stand for a limit that no finite frequency reaches (LimitPolish).
constexpr double kLimitOmega = 0.5;
// The low frequencies tried when such a limit is taken back into the model: kLimitFirst halved
// kLimitHalvings times, the lowest objective kept.
constexpr double kLimitFirst = 0.1;
constexpr int kLimitHalvings = 16;
// Where two or more harmonics go to 0 their amplitudes grow as first^-4 or faster: matched to the
// limit's powers (TaskRunner::Matched) only down to kLimitFirst halved this many times (1.6e-3),
// below which their rounding costs more than the fourth-order terms gain.
constexpr int kMatchedHalvings = 6;
// After the starts, the best with one harmonic moved this far (in u) above another, or above 0,
// for up to kMergeRounds rounds while they lower it (MergeMoves).
constexpr double kMergeApart = 0.05;
constexpr int kMergeRounds = 3;
// The progress callback hears of every whole percent, and at least this often while model 2
// finishes.
constexpr double kProgressStep = 0.01;
constexpr std::chrono::milliseconds kProgressPoll{20};
// Refinements of at most this many starts per model (fuzzing, quick checks) run both models on
// the calling thread: there a second thread's start and end cost about as much as the work it
// would take over.
constexpr int kOneThreadStarts = 16;
// The internal random starts' fixed seed: the refinement never reads a clock.
constexpr std::uint64_t kStartSeed = 0x5eed0f5a11c0ffeeULL;

// splitmix64: small, fast and the same on every platform.
struct StartRandom {
  std::uint64_t State;
  std::uint64_t Next() {
    std::uint64_t z = (State += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)
  int Below(int n) { return static_cast<int>(Uniform() * n); }
};

// Progress and cancellation shared by the tasks of one refinement.
struct SharedProgress {
  std::atomic<int> Done{0};
  int Total = 1;
  std::atomic<bool> Cancel{false};
};

// One model to refine: which stage, with which terms, from the search's harmonics (the known ones
// first).
struct ModelTask {
  ModelKind Kind = ModelKind::Sum;
  ModelTerms Terms;
  const FitWeights* Weights = nullptr;
  HarmonicModel Start;
  int MaxStarts = 0;
  bool MaySettle = false;      // enough observations per parameter for the settled-best rule
  int IterationLimit = 0;      // RefineOptions::IterationLimit
  ModelFit* Search = nullptr;  // filled when not null
  ModelFit* Out = nullptr;
  // The same model's fit without the constant, done before this task (with a constant only).
  const ModelFit* Nested = nullptr;
};

bool AllFinite(const double* v, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

// At most Capacity models in order of objective, lowest first, held in the object.
template <std::size_t Capacity>
class LowestModels {
 public:
  ScaledModel* begin() { return models_; }
  ScaledModel* end() { return models_ + size_; }
  const ScaledModel* begin() const { return models_; }
  const ScaledModel* end() const { return models_ + size_; }
  // Inserts model after those not above it; when full, the highest drops out, or model does.
  void Insert(const ScaledModel& model) {
    if (size_ == Capacity && !(model.Objective < models_[Capacity - 1].Objective)) return;
    if (size_ == Capacity) --size_;
    ScaledModel* at = std::upper_bound(begin(), end(), model, Lower);
    std::move_backward(at, end(), end() + 1);
    *at = model;
    ++size_;
  }
  void Sort() { std::sort(begin(), end(), Lower); }

 private:
  static bool Lower(const ScaledModel& l, const ScaledModel& r) {
    return l.Objective < r.Objective;
  }
  ScaledModel models_[Capacity];
  std::size_t size_ = 0;
};

// The best-so-far bookkeeping of one task: the best model, every start's objective for the hit
// count.
class StartLog {
 public:
  explicit StartLog(double floor) : floor_(floor) {}
  // independent: the start owes nothing to the best so far.
  void Add(const ScaledModel& model, bool independent) {
    ++starts_;
    Keep(model);
    KeepRival(model);
    objectives_.push_back({model.Objective, independent});
    if (model.Objective < best_.Objective) {
      if (!(model.Objective >= best_.Objective * (1 - kHitShare) - floor_)) found_ = starts_ - 1;
      best_ = model;
      hits_ = independentHits_ = 0;
      for (const Logged& o : objectives_) {
        if (!IsHit(o.Objective)) continue;
        ++hits_;
        independentHits_ += o.Independent ? 1 : 0;
      }
    } else if (IsHit(model.Objective)) {
      ++hits_;
      independentHits_ += independent ? 1 : 0;
    }
  }
  // A start that ended, loosely iterated, in the best's own basin: it would only polish to the
  // best again. It counts as a hit but not as an independent one: its objective, not polished,
  // cannot tell the best from a lower optimum nearby (counted as independent, such hits ended
  // fits of the quality benchmark at the least number of starts).
  void AddHit() {
    ++starts_;
    objectives_.push_back({best_.Objective, false});
    ++hits_;
  }
  const ScaledModel& Best() const { return best_; }
  // The lowest objectives seen, lowest first (the best among them).
  const LowestModels<kKeptModels>& Kept() const { return kept_; }
  // The lowest distinct optima, lowest first.
  const LowestModels<kRivals>& Rivals() const { return rivals_; }
  int Starts() const { return starts_; }
  int Hits() const { return hits_; }
  int IndependentHits() const { return independentHits_; }
  // The start (from 0) that found the best's optimum; later starts only matched it.
  int Found() const { return found_; }

 private:
  bool IsHit(double o) const { return o <= best_.Objective * (1 + kHitShare) + floor_; }
  void Keep(const ScaledModel& model) {
    if (model.Objective < std::numeric_limits<double>::infinity()) kept_.Insert(model);
  }
  void KeepRival(const ScaledModel& model) {
    if (!(model.Objective < std::numeric_limits<double>::infinity())) return;
    for (ScaledModel& r : rivals_) {
      if (!SameFrequencies(r, model, kSameBasin)) continue;
      if (model.Objective < r.Objective) {
        r = model;
        rivals_.Sort();
      }
      return;
    }
    rivals_.Insert(model);
  }
  LowestModels<kKeptModels> kept_;
  LowestModels<kRivals> rivals_;
  double floor_;
  ScaledModel best_;
  struct Logged {
    double Objective;
    bool Independent;
  };
  std::vector<Logged> objectives_;
  int starts_ = 0;
  int hits_ = 0;
  int independentHits_ = 0;
  int found_ = 0;
};

// What every task of a refinement shares: the band its starts search, in u (the abscissa's
// scaling is the same for all), and the sampling's strongest aliases, in x.
struct SharedBand {
  double Omega = 0;
  double Aliases[kAliasStarts] = {};
  int AliasCount = 0;
};

// Up to kMaxHarmonics equations, each row its coefficients then its right-hand side.
using SmallSystem = double[kMaxHarmonics][kMaxHarmonics + 1];

// Row of the Taylor coefficients of the given power (of this parity) for the harmonics at
// first, 2 first, ...: (omega)^power / power! with the series' alternating sign.
void TaylorRow(int power, int parity, int low, double first, double* row) {
  for (int k = 0; k < low; ++k) {
    double term = 1;
    for (int p = 1; p <= power; ++p) term *= first * (k + 1) / p;
    row[k] = ((power - parity) / 2) % 2 ? -term : term;
  }
}

// Solves the low equations by Gaussian elimination with partial pivoting into v; false where a
// pivot vanishes.
bool SolveSmallSystem(SmallSystem& a, int low, double* v) {
  for (int c = 0; c < low; ++c) {
    int pivot = c;
    for (int r = c + 1; r < low; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    }
    std::swap(a[c], a[pivot]);
    if (!(std::fabs(a[c][c]) > 0)) return false;
    for (int r = c + 1; r < low; ++r) {
      const double f = a[r][c] / a[c][c];
      for (int j = c; j <= low; ++j) a[r][j] -= f * a[c][j];
    }
  }
  for (int c = low - 1; c >= 0; --c) {
    double t = a[c][low];
    for (int j = c + 1; j < low; ++j) t -= a[c][j] * v[j];
    v[c] = t / a[c][c];
  }
  return true;
}

class TaskRunner {
 public:
  TaskRunner(const ObservationSet& obs,
             const SharedBand& band,
             const ModelTask& task,
             SharedProgress& progress,
             const std::function<void()>& onStart)
      : obs_(obs),
        band_(band),
        task_(task),
        progress_(progress),
        onStart_(onStart),
        fixed_(std::clamp(task.Terms.FixedCount, 0, task.Start.Count)),
        n_(task.Start.Count - fixed_) {
    scaling_ = FillScaledProblem(obs, task.Kind, task.Terms, Weights(), problem_);
    double size = 0;
    for (int i = 0; i < problem_.Count; ++i) {
      const double t = problem_.Weighted ? problem_.W[i] * problem_.T[i] : problem_.T[i];
      size += t * t;
    }
    omegaMax_ = band.Omega;
    floor_ = kHitFloorShare * size;
    random_.State =
        kStartSeed ^ (static_cast<std::uint64_t>(task.Kind) << 1) ^ (task.Terms.Constant ? 1u : 0u);
  }

  // The log's best in x, with its starts, hits and why it ended; the search's result (with the
  // log's counts) where nothing beat it, for the refinement is never worse than the search.
  ModelFit BestOfLog(const StartLog& log, const ModelFit& search) {
    ModelFit refined = WithTerms(task_.Start);
    refined.Starts = log.Starts();
    refined.Hits = log.Hits();
    Termination ended = log.Starts() == 0 ? Termination::NotRun : ended_;
    if (n_ == 0 && log.Starts() > 0) ended = Termination::Solved;
    if (log.Starts() > 0) refined = LowestInX(log, refined);
    if (log.Starts() == 0 || !(refined.Objective <= search.Objective)) {
      const int starts = refined.Starts, hits = refined.Hits;
      refined = search;
      refined.Starts = starts;
      refined.Hits = hits;
    }
    refined.Ended = ended;
    return refined;
  }

  void Run() {
    // The search's harmonics as given, with the terms' least-squares values for them.
    ModelFit search = WithTerms(task_.Start);
    if (task_.Terms.Any()) SolveTerms(obs_, task_.Kind, task_.Terms, Weights(), search);
    EvaluateModelFit(obs_, task_.Kind, search, Weights());
    if (task_.Search) *task_.Search = search;

    StartLog log(floor_);
    if (n_ > 0 && problem_.Count > 0) Explore(log);
    if (n_ == 0 && problem_.Extra > 0 && problem_.Count > 0) {  // linear: one solve
      ScaledModel model;
      SolveLinear(problem_, model);
      log.Add(model, true);
    }

    ModelFit refined = BestOfLog(log, search);
    KeepNested(refined);
    if (n_ > 0 && problem_.Count > 0) JudgeTrust(log, refined);
    *task_.Out = refined;
  }

 private:
  const FitWeights& Weights() const {
    static const FitWeights kNone;
    return task_.Weights ? *task_.Weights : kNone;
  }

  // A constant of 0 turns the fit without it into one of this model with the same objective, bit
  // for bit: solved afresh, rounding (of a linear part whose columns are nearly dependent, or of
  // an exact fit) can leave the larger model above it, which its extra freedom never explains.
  void KeepNested(ModelFit& fit) const {
    const ModelFit* nested = task_.Nested;
    if (!nested || nested->Ended == Termination::Failed || !(nested->Objective < fit.Objective)) {
      return;
    }
    ModelFit lower = WithTerms(nested->Coefficients);
    lower.Constant.Value = nested->HasConstant ? nested->Constant.Value : 0.0;
    lower.Trend.Value = nested->Trend.Value;
    EvaluateModelFit(obs_, task_.Kind, lower, Weights());
    if (!(lower.Objective < fit.Objective)) return;
    lower.Starts = fit.Starts;
    lower.Hits = fit.Hits;
    lower.Ended = fit.Ended;
    fit = lower;
  }

  // An empty fit of the task's terms over the harmonics of `start`.
  ModelFit WithTerms(const HarmonicModel& start) const {
    ModelFit fit;
    fit.Coefficients = start;
    fit.HasConstant = task_.Terms.Constant;
    fit.HasTrend = task_.Terms.Trend;
    fit.FixedCount = fixed_;
    return fit;
  }

  bool Finished(const StartLog& log) const { return EndOf(log) != Termination::NotRun; }

  // Why the task stops now, or NotRun while it goes on.
  Termination EndOf(const StartLog& log) const {
    if (progress_.Cancel.load(std::memory_order_relaxed)) return Termination::Cancelled;
    if (log.Starts() >= kMinStarts + kMinStartsPerHarmonic * n_ &&
        (log.IndependentHits() >= kEnoughHits || Settled(log))) {
      return Termination::EnoughHits;
    }
    if (log.Starts() >= task_.MaxStarts) return Termination::StartCap;
    return Termination::NotRun;
  }

  // The best reached often and standing long: see kSettledDetermined.
  bool Settled(const StartLog& log) const {
    if (!task_.MaySettle || log.Hits() < kSettledHits) return false;
    const int stood = log.Starts() - 1 - log.Found();
    return stood >= std::max(kSettledPatience, kSettledGrowth * log.Found());
  }

  // Whether a loosely iterated start has come down into the best's basin: near its objective,
  // not below it, at the same frequencies. Polishing it would only find the best again, to within
  // the rounding of the objective, which where columns are nearly dependent (a frequency near 0
  // standing in for a level) exceeds kHitShare: such starts were polished and still not counted
  // as hits. Only where the settled-best rule applies: with fewer observations per parameter
  // merged frequencies leave basins so flat that polishing keeps finding lower points in them.
  bool InBestBasin(const ScaledModel& model, const StartLog& log) const {
    const double best = log.Best().Objective;
    return task_.MaySettle && log.Starts() > 0 &&
           model.Objective <= best * (1 + kPolishShare) + floor_ &&
           model.Objective >= best * (1 - kHitShare) - floor_ &&
           SameFrequencies(model, log.Best(), kSameBasin);
  }

  int Steps(int iterations) const {
    return task_.IterationLimit > 0 ? std::min(iterations, task_.IterationLimit) : iterations;
  }

  // Refines a start and records it; returns false once the task should stop. A loose iteration
  // far above `from` (the best's objective where not given) is given up; `ended`, when not null,
  // gets the model the start ended with.
  bool Try(ScaledModel model,
           StartLog& log,
           bool independent,
           double from = std::numeric_limits<double>::infinity(),
           ScaledModel* ended = nullptr) {
    if (!(from < std::numeric_limits<double>::infinity())) from = log.Best().Objective;
    // Most starts end in some other minimum: a loose iteration tells them apart, and only a
    // start that comes near the best so far is taken to full precision.
    RefineFrequencies(problem_,
                      model,
                      kLooseStall,
                      Steps(kLooseIterations),
                      from * (1 + kFarShare) + floor_,
                      task_.MaySettle ? log.Best().Objective * kHopelessMultiple + floor_
                                      : std::numeric_limits<double>::infinity());
    if (InBestBasin(model, log)) {
      log.AddHit();
    } else {
      if (model.Objective <= log.Best().Objective * (1 + kPolishShare) + floor_) {
        RefineFrequencies(problem_, model, kFullPrecisionStall, Steps(kFullPrecisionIterations));
        RefineAll(problem_, model, Steps(kFullIterations));
      }
      log.Add(model, independent);
    }
    if (ended) *ended = model;
    progress_.Done.fetch_add(1, std::memory_order_relaxed);
    if (onStart_) onStart_();
    return !Finished(log);
  }

  // Peaks of the residual of `model` (its linear part solved afresh), with their powers when
  // asked.
  int ResidualPeaks(ScaledModel model, double* peaks, double* powers = nullptr) {
    SolveLinear(problem_, model);
    RowArray r(problem_.Count);
    ScaledResiduals(problem_, model, r);
    if (problem_.Extra == 0 && model.Count == 0) {
      for (int i = 0; i < problem_.Count; ++i) r[i] = problem_.T[i];
    }
    return PeriodogramPeaks(problem_.U, r, problem_.Count, omegaMax_, peaks, kTrackedPeaks, powers);
  }

  // Harmonics added one at a time at the strongest residual peak of the target's (peaks, found),
  // all frequencies refined after each; `second` picks the second peak at that step instead (-1:
  // never). Called with -1 first: the later runs take their steps before `second` from it.
  ScaledModel Greedy(int second, const double* targetPeaks, int targetFound) {
    ScaledModel model;
    if (second >= 0) model = greedy_.Before[second];
    for (int k = std::max(second, 0); k < n_; ++k) {
      double fresh[kTrackedPeaks];
      const double* peaks = fresh;
      int found = 0;
      if (k == 0) {
        peaks = targetPeaks;
        found = targetFound;
      } else if (second < 0 || k == second) {
        peaks = greedy_.Peaks[k];
        if (second < 0) greedy_.Found[k] = ResidualPeaks(model, greedy_.Peaks[k]);
        found = greedy_.Found[k];
      } else {
        found = ResidualPeaks(model, fresh);
      }
      if (second < 0) greedy_.Before[k] = model;
      const int pick = (k == second && found > 1) ? 1 : 0;
      model.Omega[k] = found > 0 ? peaks[pick] : omegaMax_ * (k + 1) / (n_ + 1);
      model.Count = k + 1;
      RefineFrequencies(problem_, model, kFullPrecisionStall, Steps(kFullPrecisionIterations));
    }
    return model;
  }

  // The best so far with harmonic j replaced by a peak of what the others leave. The peaks of
  // each j are kept while the best stays the same.
  ScaledModel ReplaceByPeak(const ScaledModel& best, int j, int rank) {
    ScaledModel partial = best;
    for (int k = j; k + 1 < n_; ++k) partial.Omega[k] = partial.Omega[k + 1];
    partial.Count = n_ - 1;
    LeftPeaks& left = left_[j];
    if (!left.Valid || !std::equal(best.Omega, best.Omega + n_, left.Best)) {
      left.Found = ResidualPeaks(partial, left.Peaks);
      std::copy(best.Omega, best.Omega + n_, left.Best);
      left.Valid = true;
    }
    ScaledModel model = partial;
    model.Count = n_;
    model.Omega[n_ - 1] =
        left.Found > 0 ? left.Peaks[std::min(rank, left.Found - 1)] : random_.Uniform() * omegaMax_;
    return model;
  }

  // Harmonics added two at a time, `apart` apart (in u) about the strongest residual peak (the
  // target's first), all frequencies refined after each pair; the last alone where n_ is odd.
  ScaledModel PairGreedy(double targetPeak, double apart) {
    ScaledModel model;
    for (int k = 0; k < n_; k += 2) {
      double peaks[kTrackedPeaks] = {targetPeak};
      if (k > 0 && ResidualPeaks(model, peaks) == 0) peaks[0] = random_.Uniform() * omegaMax_;
      model.Count = std::min(k + 2, n_);
      model.Omega[k] = k + 1 < n_ ? std::fabs(peaks[0] - apart / 2) : peaks[0];
      if (k + 1 < n_) model.Omega[k + 1] = peaks[0] + apart / 2;
      RefineFrequencies(problem_, model, kFullPrecisionStall, Steps(kFullPrecisionIterations));
    }
    return model;
  }

  // Frequencies for model's n_ harmonics: distinct peaks among the first `count`, each drawn
  // with a probability in proportion to its power among those left, then nudged by up to a
  // twelfth of a resolution; uniform ones where the peaks run out. Where the data hold a few
  // strong sinusoids their peaks come first, so that these starts reach the optimum often and
  // agree soon; on noise the powers are alike and the draws spread out.
  void PickPeaks(const double* peaks, const double* powers, int count, ScaledModel& model) {
    bool taken[kTrackedPeaks] = {};
    for (int k = 0; k < n_; ++k) {
      double left = 0;
      for (int p = 0; p < count; ++p) left += taken[p] ? 0.0 : std::max(powers[p], 0.0);
      int pick = -1;
      double draw = random_.Uniform() * left;
      for (int p = 0; p < count && left > 0; ++p) {
        if (taken[p]) continue;
        pick = p;
        draw -= std::max(powers[p], 0.0);
        if (draw < 0) break;
      }
      const double base = pick >= 0 ? peaks[pick] : random_.Uniform() * omegaMax_;
      if (pick >= 0) taken[pick] = true;
      model.Omega[k] = std::fabs(base + (random_.Uniform() - 0.5) * 0.5);
    }
  }

  // The starts, then, where the budget allowed more than the least number of starts, the
  // paired greedy runs: harmonics added in close pairs at the strongest residual peak. Two lines
  // closer than a resolution show as one peak, which the one-at-a-time greedy runs fill with one
  // frequency that the iterations rarely pull apart. Then moves of the final best and its last
  // polish. Run last, they can lower the best but not steer the other starts; the task ends as
  // it would have without them.
  void Explore(StartLog& log) {
    ExploreStarts(log);
    ended_ = EndOf(log);
    if (ended_ == Termination::Cancelled) return;
    const bool spare = task_.MaxStarts > kMinStarts + kMinStartsPerHarmonic * n_;
    double peaks[kTrackedPeaks];
    if (n_ >= 2 && spare && ResidualPeaks(ScaledModel{}, peaks) > 0) {
      for (const double apart : kPairApart) Try(PairGreedy(peaks[0], apart), log, true);
      EndMoves(log);
      Deepen(log);
    }
    if (progress_.Cancel.load(std::memory_order_relaxed)) return;
    // Like the moves above, only where the budget allows more than the fewest starts: on the
    // fuzzer's one-start inputs the limit polish alone halved the rate.
    if (!spare) return;
    MergeMoves(log);
    LimitPolish(log);
  }

  // Where a constant alone is fitted to a trend with a seasonal cycle that grows (monthly series
  // of 60 to 480 points), the optimum merges harmonics: two or three at the annual frequency
  // (their sum is a cycle whose amplitude changes along x, in the limit a polynomial times it)
  // and one or two at 0 (a polynomial trend), with amplitudes growing without bound. Starts reach
  // such limits rarely: each step of a merge gains little until it is nearly done. Here the best
  // is tried with each harmonic moved next to each other one and next to 0, after the starts so
  // that they run as before: these moves can only lower the best.
  void MergeMoves(StartLog& log) {
    for (int round = 0; round < kMergeRounds; ++round) {
      const ScaledModel best = log.Best();
      if (!(best.Objective < std::numeric_limits<double>::infinity())) return;
      if (!task_.Terms.Constant && *std::min_element(best.Omega, best.Omega + n_) >= kLimitOmega) {
        return;
      }
      for (int i = 0; i < n_; ++i) {
        for (int j = -1; j < n_; ++j) {
          if (j == i) continue;
          ScaledModel model = best;
          model.Omega[i] = (j < 0 ? 0.0 : best.Omega[j]) + kMergeApart;
          Try(model, log, false);
          if (progress_.Cancel.load(std::memory_order_relaxed)) return;
        }
      }
      if (!(log.Best().Objective < best.Objective)) return;
    }
  }

  // Where the best holds harmonics of nearly zero frequency beside the terms, as where a constant
  // alone is fitted to a level and a trend, its optimum is often a limit: B -> 0 with amplitudes
  // growing as 1/B^2, the constant and such a harmonic spanning a quadratic. The pivoting's rank
  // threshold stops that frequency near 3e-4 (in u), where its columns keep only the last eight
  // digits of what sets the others, and the other frequencies stall off their optimum (by 1e-6 to
  // 1e-3 of the objective in monthly series of 60 to 480 points, each start elsewhere). Here the
  // low harmonics are replaced by the polynomial columns they tend to (the next even and odd
  // powers of u beside the terms), the others refined in that well-conditioned problem, and
  // the low harmonics taken back at the frequencies, from 0.1 halved, where the whole fits best;
  // polished, the result is a start like any other.
  // The number of the best's harmonics below kLimitOmega; the others' frequencies into rest.
  int SplitLowHarmonics(const ScaledModel& best, ScaledModel& rest) const {
    int low = 0;
    for (int k = 0; k < n_; ++k) {
      if (best.Omega[k] < kLimitOmega) {
        ++low;
      } else {
        rest.Omega[rest.Count++] = best.Omega[k];
      }
    }
    return low;
  }

  // The next even and odd powers of u beside the terms, two per low harmonic, as columns of
  // limit.
  void AddPowerColumns(int low, ScaledProblem& limit) const {
    int even = task_.Terms.Constant ? 2 : 0, odd = task_.Terms.Trend ? 3 : 1;
    for (int i = 0; i < low; ++i, even += 2, odd += 2) {
      for (const int power : {even, odd}) {
        RowArray& column = limit.Columns[limit.Extra++];
        column.Reserve(limit.Count);
        for (int r = 0; r < limit.Count; ++r) {
          double v = 1;
          for (int p = 0; p < power; ++p) v *= limit.U[r];
          column[r] = v;
        }
      }
    }
  }

  // The low harmonics taken back at first, 2 first, ... from first = kLimitFirst halved: into
  // back the best of the plain solves, into matched the best of the matched limits.
  void TakeBackLowHarmonics(const ScaledModel& rest,
                            int low,
                            ScaledModel& back,
                            ScaledModel& matched) const {
    for (int h = 0; h <= kLimitHalvings; ++h) {
      ScaledModel trial = rest;
      trial.Count = n_;
      const double first = std::ldexp(kLimitFirst, -h);
      for (int i = 0; i < low; ++i) trial.Omega[rest.Count + i] = first * (i + 1);
      SolveLinear(problem_, trial);
      if (trial.Objective < back.Objective) back = trial;
      if (low > 1 && h <= kMatchedHalvings && Matched(rest, low, first, trial) &&
          trial.Objective < matched.Objective) {
        matched = trial;
      }
    }
  }

  void LimitPolish(StartLog& log) {
    const ScaledModel best = log.Best();
    ScaledModel rest;
    const int low = SplitLowHarmonics(best, rest);
    if (low == 0 || !(best.Objective < std::numeric_limits<double>::infinity()) ||
        problem_.Extra + 2 * low > kMaxTermColumns) {
      return;
    }
    ScaledProblem limit = problem_;
    AddPowerColumns(low, limit);
    RefineFrequencies(limit, rest, kFullPrecisionStall, Steps(kFullPrecisionIterations));
    ScaledModel back, matched;
    TakeBackLowHarmonics(rest, low, back, matched);
    if (!(back.Objective < std::numeric_limits<double>::infinity())) return;
    RefineFrequencies(problem_, back, kFullPrecisionStall, Steps(kFullPrecisionIterations));
    RefineAll(problem_, back, Steps(kFullIterations));
    log.Add(back, false);
    if (!(matched.Objective < back.Objective)) return;
    RefineAll(problem_, matched, Steps(kFullIterations));
    log.Add(matched, false);
  }

  // The limit `solved` (its low harmonics replaced by LimitPolish's columns after problem_'s own)
  // as finite harmonics at first, 2 first, ...: their cosines' and sines' Taylor terms matched to
  // the polynomial's even and odd powers, and what they add to the terms' own powers (a constant,
  // a trend) taken off those terms. With two or more such harmonics the projected solve cannot
  // do this: the columns that carry the fourth power differ by first^4 (1e-8 at 0.01), and its
  // rank threshold drops them. Written into `model`, with its objective; false where the powers
  // cannot be matched.
  bool Matched(const ScaledModel& solved, int low, double first, ScaledModel& model) const {
    const int own = problem_.Extra, constant = 2 * task_.Terms.FixedCount;
    const int trend = constant + (task_.Terms.Constant ? 1 : 0);
    model = solved;
    model.Count = solved.Count + low;
    double* cosine = model.Beta + solved.Count;
    double* sine = model.Alpha + solved.Count;
    for (int parity = 0; parity < 2; ++parity) {
      // Row m: the power of the m-th added column of this parity; column k: harmonic k's Taylor
      // coefficient of it.
      SmallSystem a = {};
      int power = parity == 0 ? (task_.Terms.Constant ? 2 : 0) : (task_.Terms.Trend ? 3 : 1);
      for (int m = 0; m < low; ++m, power += 2) {
        TaylorRow(power, parity, low, first, a[m]);
        a[m][low] = solved.Linear[own + 2 * m + parity];
      }
      if (!SolveSmallSystem(a, low, parity == 0 ? cosine : sine)) return false;
    }
    for (int k = 0; k < low; ++k) {
      model.Omega[solved.Count + k] = first * (k + 1);
      if (task_.Terms.Constant) model.Linear[constant] -= cosine[k];
      if (task_.Terms.Trend) model.Linear[trend] -= sine[k] * first * (k + 1);
    }
    for (int j = own; j < kMaxTermColumns; ++j) model.Linear[j] = 0;
    model.Objective = ScaledObjective(problem_, model);
    return AllFinite(model.Alpha, model.Count) && AllFinite(model.Beta, model.Count);
  }

  // Moves of the final best, each harmonic in turn: to the strongest peak of what the others
  // leave, and next to each other harmonic on either side (two lines closer than a resolution).
  // Repeated while they lower the best. The random rounds try such moves one at a time, and a
  // best settled early may have had none of the one that leads out of it: seasonal data with a
  // half-year line 0.66 resolutions from another (100 points, N = 5) settled after 79 starts,
  // 0.45 % above the optimum at the true frequencies.
  void EndMoves(StartLog& log) {
    const auto cancelled = [this] { return progress_.Cancel.load(std::memory_order_relaxed); };
    for (int ring = 0; ring < kEndRings; ++ring) {
      const ScaledModel best = log.Best();
      for (int j = 0; j < n_ && !cancelled(); ++j) {
        for (int rank = 0; rank < kEndPeaks; ++rank) Try(ReplaceByPeak(best, j, rank), log, false);
      }
      for (int j = 0; j < n_ && !cancelled(); ++j) {
        for (int i = 0; i < n_; ++i) {
          for (const double sign : {1.0, -1.0}) {
            ScaledModel model = best;
            model.Omega[j] = std::fabs(best.Omega[i] + sign * kEndApart);
            if (i != j && model.Omega[j] <= omegaMax_) Try(model, log, false);
          }
        }
      }
      if (cancelled() || !(log.Best().Objective < best.Objective * (1 - kHitShare) - floor_)) {
        return;
      }
    }
  }

  // The best iterated again, both ways in turn, while that lowers it. Where the optimum is a limit
  // (a frequency going to 0 beside a level, two frequencies merging, amplitudes of 1e5 and
  // more), one polish stops partway down the valley, 1e-6 above a start that went further.
  void Deepen(StartLog& log) {
    ScaledModel model = log.Best();
    for (int pass = 0; pass < kDeepenPasses; ++pass) {
      const double before = model.Objective;
      RefineFrequencies(problem_, model, kFullPrecisionStall, Steps(kFullPrecisionIterations));
      RefineAll(problem_, model, Steps(kDeepenIterations));
      if (!(model.Objective < before * (1 - kDeepenGain))) break;
    }
    if (model.Objective < log.Best().Objective) log.Add(model, false);
  }

  // The greedy peak picks and each harmonic of the best replaced by the strongest peak; false
  // when the refinement is to stop.
  bool TryGreedyStarts(StartLog& log, const double* targetPeaks, int found) {
    for (int second = -1; second < n_; ++second) {
      if (!Try(Greedy(second, targetPeaks, found), log, true)) return false;
    }
    for (int j = 0; j < n_; ++j) {
      if (!Try(ReplaceByPeak(log.Best(), j, 0), log, false)) return false;
    }
    return true;
  }

  // Each harmonic of the best moved to its aliases, the sampling's strongest first: on
  // irregular x noise can lift an alias of a line above the line itself. False when the
  // refinement is to stop.
  bool TryAliases(StartLog& log) {
    for (int a = 0; a < band_.AliasCount; ++a) {
      for (int j = 0; j < n_; ++j) {
        for (const double sign : {1.0, -1.0}) {
          ScaledModel model = log.Best();
          const double moved = model.Omega[j] + sign * band_.Aliases[a] * scaling_.Scale;
          if (!(moved > 0 && moved <= omegaMax_)) continue;
          model.Omega[j] = moved;
          if (!Try(model, log, false)) return false;
        }
      }
    }
    return true;
  }

  // Every frequency drawn uniformly over the band.
  void DrawUniform(ScaledModel& model) {
    for (int k = 0; k < n_; ++k) model.Omega[k] = random_.Uniform() * omegaMax_;
  }

  // Every frequency shaken, by up to half a resolution (pi in u).
  void ShakeAll(ScaledModel& model) {
    const double reach = random_.Uniform() < 0.5 ? 0.1 : 1.0;
    for (int k = 0; k < n_; ++k) {
      model.Omega[k] =
          std::fabs(model.Omega[k] + (random_.Uniform() - 0.5) * reach * std::numbers::pi);
    }
  }

  // One harmonic moved next to another: two close frequencies (one harmonic: moved anywhere).
  void MoveNextToAnother(ScaledModel& model) {
    if (n_ >= 2) {
      const int j = random_.Below(n_);
      const int i = (j + 1 + random_.Below(n_ - 1)) % n_;
      const double apart = (0.3 + 0.9 * random_.Uniform()) * std::numbers::pi;
      model.Omega[j] = std::fabs(model.Omega[i] + (random_.Uniform() < 0.5 ? -apart : apart));
    } else {
      model.Omega[0] = random_.Uniform() * omegaMax_;
    }
  }

  // The start of the given kind (round % 7) from the best; independent when it owes the best
  // nothing.
  ScaledModel StartOfKind(int kind,
                          const ScaledModel& best,
                          const double* targetPeaks,
                          const double* targetPowers,
                          int found,
                          bool& independent) {
    ScaledModel model;
    model.Count = n_;
    independent = kind == 0 || kind == 1 || kind == 4;
    switch (kind) {
      case 0:  // uniform random frequencies
      case 4:  // uniform random frequencies again: the starts that prove the best
        DrawUniform(model);
        break;
      case 1:  // distinct target peaks drawn by their power, each nudged within its resolution
        // All the tracked peaks, not the first 2N + 2: over a band five times the mean-spacing
        // Nyquist frequency the aliases of strong lines can outrank a weaker line (20 points,
        // N = 3, a line at twice that frequency: its peak came ninth, and 2,440 starts never
        // found the optimum). Drawn by power, the weak peaks cost the others little.
        PickPeaks(targetPeaks, targetPowers, found, model);
        break;
      case 2:  // the best with one harmonic moved anywhere
        model = best;
        model.Omega[random_.Below(n_)] = random_.Uniform() * omegaMax_;
        break;
      case 3:  // the best with one harmonic moved to one of the others' residual peaks
        model = ReplaceByPeak(best, random_.Below(n_), random_.Below(3));
        break;
      case 5:  // the best with every frequency shaken
        model = best;
        ShakeAll(model);
        break;
      default:  // the best with one harmonic moved next to another
        model = best;
        MoveNextToAnother(model);
        break;
    }
    return model;
  }

  void ExploreStarts(StartLog& log) {
    double targetPeaks[kTrackedPeaks], targetPowers[kTrackedPeaks];
    // The search's own frequencies first.
    ScaledModel start;
    start.Count = n_;
    for (int k = 0; k < n_; ++k) start.Omega[k] = task_.Start.B[fixed_ + k] * scaling_.Scale;
    if (AllFinite(start.Omega, n_) && !Try(start, log, true)) return;
    const int found = ResidualPeaks(ScaledModel{}, targetPeaks, targetPowers);
    if (!TryGreedyStarts(log, targetPeaks, found) || !TryAliases(log)) return;
    // Where optima crowd, each block of the seven kinds moves the best of its own chain.
    const bool chained = !task_.MaySettle;
    for (int round = 0;; ++round) {
      ScaledModel& chain = chains_[(round / 7) % kChains];
      const ScaledModel& best =
          chained && chain.Objective < std::numeric_limits<double>::infinity() ? chain : log.Best();
      bool independent = false;
      const ScaledModel model =
          StartOfKind(round % 7, best, targetPeaks, targetPowers, found, independent);
      ScaledModel ended;
      const bool more =
          Try(model, log, independent, independent ? log.Best().Objective : best.Objective, &ended);
      if (chained && ended.Objective < chain.Objective) chain = ended;
      if (!more) return;
    }
  }

  // Whether the fit's intervals hold: each harmonic's false-alarm probability, and the lowest
  // other optimum of the starts whose frequencies lie outside them though the profile likelihood
  // keeps them (refined to full precision first: a loose start may still fall back into the
  // best).
  void JudgeTrust(const StartLog& log, ModelFit& fit) {
    ScaledModel best;
    best.Count = n_;
    for (int k = 0; k < n_; ++k) best.Omega[k] = fit.Coefficients.B[fixed_ + k] * scaling_.Scale;
    double alarms[kMaxHarmonics];
    HarmonicFalseAlarms(problem_, best, omegaMax_, floor_, Steps(kFullPrecisionIterations), alarms);
    std::copy(alarms, alarms + n_, fit.HarmonicFalseAlarm + fixed_);
    SolveLinear(problem_, best);
    const double region = ProfileRatio(fit.StageStatistics.DegreesOfFreedom);
    // Objectives at the rounding floor are all the same exact fit.
    const double least = std::max(best.Objective, floor_);
    if (!(least > 0) || !std::isfinite(region)) return;
    const double reach = kRivalSlack * region * least;
    for (ScaledModel rival : log.Rivals()) {
      if (!(rival.Objective <= reach) || SameFrequencies(rival, best, kSameBasin)) continue;
      RefineFrequencies(problem_, rival, kFullPrecisionStall, Steps(kFullPrecisionIterations));
      RefineAll(problem_, rival, Steps(kFullIterations));
      const double ratio = std::max(rival.Objective, floor_) / least;
      if (!(ratio <= region) || !(ratio < fit.RivalRatio)) continue;
      if (SameFrequencies(rival, best, kSameBasin)) continue;
      if (!OutsideIntervals(rival, fit, fixed_, scaling_.Scale, kSameBasin)) continue;
      fit.RivalRatio = ratio;
      SortedFrequencies(rival, fit.RivalB);
      for (int k = 0; k < n_; ++k) fit.RivalB[k] /= scaling_.Scale;
    }
  }

  // The best as taken to x and evaluated there, written over `empty` (a fit of the task's
  // terms). Where that costs digits, the kept models near the best are taken to x as well and
  // the lowest there is the result.
  ModelFit LowestInX(const StartLog& log, const ModelFit& empty) {
    ModelFit lowest = empty;
    bool first = true;
    for (const ScaledModel& model : log.Kept()) {
      if (!(model.Objective <= log.Best().Objective * (1 + kPolishShare) + floor_)) break;
      ModelFit fit = empty;
      ToOriginal(model, fit);
      EvaluateModelFit(obs_, task_.Kind, fit, Weights());
      if (first || fit.Objective < lowest.Objective) lowest = fit;
      if (first && fit.Objective <= model.Objective * (1 + kHitShare) + floor_) break;
      first = false;
    }
    return lowest;
  }

  // The scaled model as normalised harmonics of x, the known ones first, the others in the order
  // that matches the search's harmonics best, so the two can be read side by side.
  void ToOriginal(const ScaledModel& model, ModelFit& fit) {
    HarmonicModel h;
    h.Count = n_;
    for (int k = 0; k < n_; ++k) {
      // alpha sin(t) + beta cos(t) = A sin(t + phi), A cos(phi) = alpha, A sin(phi) = beta.
      double a = std::hypot(model.Alpha[k], model.Beta[k]);
      const double phi = std::atan2(model.Beta[k], model.Alpha[k]);
      double b = model.Omega[k] / scaling_.Scale;
      double c = PhaseAtZero(phi, b, scaling_.Centre);
      if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) a = b = c = 0;
      NormaliseHarmonic(a, b, c);
      h.A[k] = a;
      h.B[k] = b;
      h.C[k] = c;
    }
    MatchOrder(h);
    fit.Coefficients.Count = fixed_ + n_;
    for (int k = 0; k < n_; ++k) {
      fit.Coefficients.A[fixed_ + k] = h.A[k];
      fit.Coefficients.B[fixed_ + k] = h.B[k];
      fit.Coefficients.C[fixed_ + k] = h.C[k];
    }
    TermsToOriginal(model, task_.Terms, scaling_, fit);
  }

  // Reorders h to the permutation with the least total frequency distance to the search's.
  void MatchOrder(HarmonicModel& h) {
    int order[kMaxHarmonics], bestOrder[kMaxHarmonics];
    for (int k = 0; k < n_; ++k) order[k] = bestOrder[k] = k;
    double bestCost = std::numeric_limits<double>::infinity();
    do {
      double cost = 0;
      for (int k = 0; k < n_; ++k) cost += std::fabs(h.B[order[k]] - task_.Start.B[fixed_ + k]);
      if (cost < bestCost) {
        bestCost = cost;
        std::copy(order, order + n_, bestOrder);
      }
    } while (std::next_permutation(order, order + n_));
    const HarmonicModel copy = h;
    for (int k = 0; k < n_; ++k) {
      h.A[k] = copy.A[bestOrder[k]];
      h.B[k] = copy.B[bestOrder[k]];
      h.C[k] = copy.C[bestOrder[k]];
    }
  }

  const ObservationSet& obs_;
  const SharedBand& band_;
  ModelTask task_;
  SharedProgress& progress_;
  const std::function<void()>& onStart_;
  int fixed_;  // known harmonics, first in the task's start
  int n_;      // searched harmonics after them
  AbscissaScaling scaling_;
  ScaledProblem problem_;
  double omegaMax_ = 0;
  double floor_ = 0;
  Termination ended_ = Termination::NotRun;  // why the starts before the paired runs ended
  StartRandom random_{0};
  // The bests of the chains of moves where optima crowd (ExploreStarts).
  ScaledModel chains_[kChains];
  // The residual peaks ReplaceByPeak found for each harmonic j of the best with frequencies Best.
  struct LeftPeaks {
    bool Valid = false;
    double Best[kMaxHarmonics] = {};
    int Found = 0;
    double Peaks[kTrackedPeaks] = {};
  };
  LeftPeaks left_[kMaxHarmonics];
  // The plain greedy run's models before each step and its peaks there.
  struct GreedySteps {
    ScaledModel Before[kMaxHarmonics];
    int Found[kMaxHarmonics] = {};
    double Peaks[kMaxHarmonics][kTrackedPeaks] = {};
  };
  GreedySteps greedy_;
};

// The tasks one thread runs in order: a model's fit, then its fit with a constant if asked for.
struct TaskList {
  ModelTask Tasks[2];
  int Count = 0;
  void Add(const ModelTask& task) { Tasks[Count++] = task; }
  const ModelTask* begin() const { return Tasks; }
  const ModelTask* end() const { return Tasks + Count; }
};

// Runs the tasks in order, calling onStart (if set) after every start; a task that fails (out
// of memory, a fault) leaves its result as prefilled and says why it failed.
void RunTasks(const ObservationSet& obs,
              const SharedBand& band,
              const TaskList& tasks,
              SharedProgress& progress,
              const std::function<void()>& onStart) {
  for (const ModelTask& task : tasks) {
    const auto failed = [&task](const char* what) {
      task.Out->Ended = Termination::Failed;
      task.Out->Failure = what;
    };
    try {
      TaskRunner(obs, band, task, progress, onStart).Run();
    } catch (const std::exception& e) {
      failed(e.what());
    } catch (...) {
      failed("unknown exception");
    }
  }
}

// Runs tasks[1] on a thread of its own and tasks[0] on this one, which then calls report until
// the other is done too.
void RunOnTwoThreads(const ObservationSet& obs,
                     const SharedBand& band,
                     const TaskList (&tasks)[2],
                     SharedProgress& progress,
                     const std::function<void()>& report) {
  std::mutex mutex;
  std::condition_variable finished;
  bool otherDone = false;
  std::thread other([&] {
    RunTasks(obs, band, tasks[1], progress, nullptr);
    std::lock_guard<std::mutex> lock(mutex);
    otherDone = true;
    finished.notify_all();
  });
  try {
    RunTasks(obs, band, tasks[0], progress, report);
    std::unique_lock<std::mutex> lock(mutex);
    while (!otherDone) {
      lock.unlock();
      report();
      lock.lock();
      finished.wait_for(lock, kProgressPoll, [&] { return otherDone; });
    }
  } catch (...) {  // from the callback: stop the other task before the exception leaves
    progress.Cancel.store(true);
    other.join();
    throw;
  }
  other.join();
}

}  // namespace

std::string TerminationText(Termination termination, const std::string& failure) {
  switch (termination) {
    case Termination::EnoughHits:
      return "enough agreeing hits";
    case Termination::StartCap:
      return "start cap reached";
    case Termination::Solved:
      return "linear least squares";
    case Termination::Cancelled:
      return "cancelled";
    case Termination::Failed:
      return "failed: " + failure;
    case Termination::NotRun:
      break;
  }
  return "not run";
}

namespace {

// The table's model with every harmonic that is not finite set to zero.
HarmonicModel SetOf(const CoefficientTable& table, ModelKind kind) {
  HarmonicModel h = ModelOf(table, kind);
  for (int k = 0; k < h.Count; ++k) {
    if (!std::isfinite(h.A[k]) || !std::isfinite(h.B[k]) || !std::isfinite(h.C[k])) {
      h.A[k] = h.B[k] = h.C[k] = 0;
    }
  }
  return h;
}

void CheckWeights(const ObservationSet& obs, const FitWeights& weights) {
  if (!weights.Any()) return;
  if (weights.Sigma.size() != static_cast<std::size_t>(std::max(obs.LastIndex + 1, 0))) {
    throw std::invalid_argument("one sigma per observation is needed");
  }
  for (const double sigma : weights.Sigma) {
    if (!(sigma > 0) || !std::isfinite(sigma)) {
      throw std::invalid_argument("every sigma must be positive and finite");
    }
  }
}

bool DataUsable(const ObservationSet& obs) {
  if (obs.LastIndex < 0) return false;
  return AllFinite(obs.PlotX, obs.LastIndex + 1) && AllFinite(obs.OrigY, obs.LastIndex + 1);
}

// The fitted parameters of n harmonics with the terms.
int Parameters(const ModelTerms& terms, int n) {
  return 3 * n - std::clamp(terms.FixedCount, 0, n) + (terms.Constant ? 1 : 0) +
         (terms.Trend ? 1 : 0);
}

// The bands, each stage's peak false-alarm probability and the sampling's aliases. The band
// depends on the abscissa alone, which both stages share (scaled alike).
SharedBand DescribeBand(const ObservationSet& obs, double minPeriod, RefinementResult& result) {
  result.SearchBand = minPeriod > 0 ? kTwoPi / minPeriod : std::numeric_limits<double>::infinity();
  result.Span = obs.PlotX[obs.LastIndex] - obs.PlotX[0];  // sorted by x
  ScaledProblem stages[2];
  AbscissaScaling scaling;
  for (int kind = 0; kind < 2; ++kind) {
    scaling = FillScaledProblem(obs, static_cast<ModelKind>(kind), false, stages[kind]);
  }
  SharedBand band;
  // Twice the search's band at least: the search's refinement of a trial may go past it.
  band.Omega = RefinementBand(stages[0], 2 * kTwoPi / minPeriod * scaling.Scale);
  result.RefinementBand = band.Omega / scaling.Scale;
  PeakDetection peaks[2];
  band.AliasCount = SurveyBand(stages, band.Omega, peaks, band.Aliases, kAliasStarts);
  for (int a = 0; a < band.AliasCount; ++a) band.Aliases[a] /= scaling.Scale;
  for (int kind = 0; kind < 2; ++kind) result.PeakFalseAlarm[kind] = peaks[kind].FalseAlarm;
  return band;
}

}  // namespace

bool Detected(const RefinementResult& result, ModelKind kind) {
  return result.PeakFalseAlarm[static_cast<int>(kind)] <= kTrustFalseAlarm;
}

bool BeyondSearchBand(const RefinementResult& result, const ModelFit& fit) {
  for (int k = 0; k < fit.Coefficients.Count; ++k) {
    if (fit.Coefficients.B[k] > result.SearchBand * (1 + 1e-9)) return true;
  }
  return false;
}

namespace {

// The search's models evaluated on no data, for data the refinement cannot use.
RefinementResult UnusableDataResult(const CoefficientTable& table, const RefineOptions& options) {
  RefinementResult result;
  ObservationSet empty;
  empty.LastIndex = -1;
  for (int kind = 0; kind < 2; ++kind) {
    ModelFit fit;
    fit.Coefficients = SetOf(table, static_cast<ModelKind>(kind));
    EvaluateModelFit(empty, static_cast<ModelKind>(kind), fit);
    result.Search[kind] = result.Refined[kind] = fit;
    result.WithConstant[kind] = fit;
    result.WithConstant[kind].HasConstant = options.WithConstant;
  }
  return result;
}

// The starts each task may make: the budget's share of what a second of starts buys at this
// size, fewer where the data determine the fit well, more where they hardly do.
int MaxStartsPerTask(
    int count, int n, int parameters, int tasksPerThread, const RefineOptions& options) {
  const double budget =
      std::isfinite(options.StartBudget) ? std::max(options.StartBudget, 0.0) : 1.0;
  const double harmonicShare =
      std::max(n, 1) * std::max(n, 1) / double(kMaxHarmonics * kMaxHarmonics);
  const double size = std::max(kMinStartCost,
                               count / double(kObservationCapacity) *
                                   (kFixedCostShare + (1 - kFixedCostShare) * harmonicShare));
  double starts = budget * kStartsPerSecondAtFullSize / size;
  if (count >= kWellDetermined * parameters) {
    starts = std::min(starts, budget * kWellDeterminedStarts);
  }
  if (count < kIllPosed * parameters) starts *= kIllPosedStarts;
  return static_cast<int>(std::clamp(starts / tasksPerThread, 1.0, double(kMaxStartsCap)));
}

}  // namespace

RefinementResult RefineBothModels(const ObservationSet& obs,
                                  const CoefficientTable& table,
                                  double minPeriod,
                                  const RefineOptions& options) {
  const int n = std::clamp<int>(table.HarmonicCount, 0, kMaxHarmonics);
  CheckWeights(obs, options.Weights);
  if (!DataUsable(obs)) return UnusableDataResult(table, options);

  RefinementResult result;
  const int count = obs.LastIndex + 1;
  const SharedBand band = DescribeBand(obs, minPeriod, result);
  const int tasksPerThread = options.WithConstant ? 2 : 1;
  const int parameters = Parameters(options.Terms, n);
  const int maxStarts = MaxStartsPerTask(count, n, parameters, tasksPerThread, options);

  TaskList threadTasks[2];
  for (int kind = 0; kind < 2; ++kind) {
    ModelTask task;
    task.Kind = static_cast<ModelKind>(kind);
    task.Terms = options.Terms;
    task.Weights = &options.Weights;
    task.Start = SetOf(table, task.Kind);
    task.MaxStarts = maxStarts;
    task.MaySettle = count >= kSettledDetermined * parameters;
    task.IterationLimit = options.IterationLimit;
    task.Search = &result.Search[kind];
    task.Out = &result.Refined[kind];
    // Prefilled in case a task cannot run.
    result.Search[kind].Coefficients = task.Start;
    result.Refined[kind].Coefficients = task.Start;
    if (!options.Models[kind]) continue;
    threadTasks[kind].Add(task);
    if (options.WithConstant) {
      task.Terms.Constant = true;
      task.MaySettle = count >= kSettledDetermined * Parameters(task.Terms, n);
      task.Search = nullptr;
      task.Out = &result.WithConstant[kind];
      task.Nested = &result.Refined[kind];
      result.WithConstant[kind].Coefficients = task.Start;
      result.WithConstant[kind].HasConstant = true;
      threadTasks[kind].Add(task);
    }
  }

  SharedProgress progress;
  progress.Total = (options.Models[0] + options.Models[1]) * tasksPerThread * maxStarts;
  // The progress callback is only ever called from this thread. One capture: a std::function
  // holds it without allocating.
  struct {
    const RefineOptions& Options;
    SharedProgress& Progress;
    double Reported = -1;
  } state{options, progress};
  const std::function<void()> report = [&state] {
    if (!state.Options.Progress) return;
    const double fraction =
        std::min(1.0, static_cast<double>(state.Progress.Done.load()) / state.Progress.Total);
    if (fraction - state.Reported < kProgressStep && fraction < 1) return;
    state.Reported = fraction;
    if (!state.Options.Progress(fraction)) state.Progress.Cancel.store(true);
  };
  if (maxStarts <= kOneThreadStarts) {
    RunTasks(obs, band, threadTasks[0], progress, report);
    RunTasks(obs, band, threadTasks[1], progress, report);
  } else {
    RunOnTwoThreads(obs, band, threadTasks, progress, report);
  }
  result.Cancelled = progress.Cancel.load();
  FindResidualLines(obs, minPeriod, options, result);
  if (!result.Cancelled && options.Progress) options.Progress(1.0);
  return result;
}
