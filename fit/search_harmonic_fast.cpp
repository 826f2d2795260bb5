#include "fit/search_harmonic_fast.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <ctime>
#include <limits>

#include "fit/fit_worker.h"
#include "fit/improvement_steps.h"
#include "fit/trial_block.h"
#include "fit/trial_draws.h"
#include "fit/trial_fit.h"
#include "fit/worker_pacing.h"

namespace {

// Static so that no fit allocates: the search record and the two blocks in flight, one being
// scanned while the next is screened. The pacing outlives a search because the load that makes
// the worker late outlives it too: a fit runs many searches back to back. One per thread, so
// that fits on several threads at once each have their own.
struct SearchWorkspace {
  TrialSearch Search;
  TrialBlock Blocks[2];
  WorkerPacing Pacing;
};
thread_local SearchWorkspace gWorkspace;

int TilesOf(const TrialBlock& block) { return (block.Trials + kTileTrials - 1) / kTileTrials; }

void RunGrain(void* context, int grain, int /*thread*/) {
  TrialBlock& block = *static_cast<TrialBlock*>(context);
  const int end = std::min(TilesOf(block), (grain + 1) * kGrainTiles);
  for (int tile = grain * kGrainTiles; tile < end; ++tile)
    block.Masks[tile] = ScreenTile(block, tile);
}

// The block being screened while another is scanned. Finishing it on every way out of the
// search, a fault included, keeps the second thread from reading a search record or writing
// into a block that the next search fills.
class PendingBlock {
 public:
  // Without secondThread every block is screened on the calling thread.
  PendingBlock(WorkerPacing& pacing, bool secondThread)
      : pacing_(pacing), secondThread_(secondThread) {}
  PendingBlock(const PendingBlock&) = delete;
  PendingBlock& operator=(const PendingBlock&) = delete;
  ~PendingBlock() { Finish(); }

  // Whether a block of `trials` would be shared with the second thread: only then does it pay
  // to screen it ahead, while the block before it is scanned.
  bool WouldUseWorker(int trials, int observations) const {
    return secondThread_ && FitWorkerAvailable() &&
           static_cast<std::int64_t>(trials) * observations >= kThreadedSines &&
           pacing_.UseWorker();
  }

  void Start(TrialBlock& block, int observations) {
    const int grains = (TilesOf(block) + kGrainTiles - 1) / kGrainTiles;
    onWorker_ = WouldUseWorker(block.Trials, observations);
    if (onWorker_) {
      wallStart_ = Seconds(CLOCK_MONOTONIC);
      cpuStart_ = Seconds(CLOCK_THREAD_CPUTIME_ID);
    }
    StartTiles(RunGrain, &block, grains, onWorker_);
    pending_ = true;
  }

  void Finish() {
    if (!pending_) return;
    pending_ = false;
    bool late = FinishTiles();
    if (onWorker_) {
      // The caller lost its core for most of the block: it shares one with another program
      // while the worker has the other, and the worker idles whenever the caller is off its
      // core. Alone, the caller moves to the free core.
      const double wall = Seconds(CLOCK_MONOTONIC) - wallStart_;
      const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart_;
      late = late || cpu < kLeastCallerShare * wall;
    }
    pacing_.Record(onWorker_, late);
  }

 private:
  // The share of a block's time the caller must run for: a descheduled caller runs far below
  // it (a scheduler's turn is milliseconds, a block a fraction of one), a running one near 1.
  static constexpr double kLeastCallerShare = 0.5;

  static double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
  }

  double wallStart_ = 0, cpuStart_ = 0;
  WorkerPacing& pacing_;
  bool secondThread_;
  bool pending_ = false;
  bool onWorker_ = false;
};

// Puts trial j's frequency, phase and the generator after its draws into the state, as the
// plain search has them when it draws trial j.
void DrawTrialInto(AppState& state, const TrialSearch& search, std::int64_t j) {
  RandomGenerator drawer{JumpSeed(search.StartSeed, 2 * static_cast<std::uint64_t>(j))};
  DrawTrial(drawer, search.FreqScale[j % 2], state.Trial.B, state.Trial.C);
  state.Random.Seed = drawer.Seed;  // the clock stays with the state
}

// Gives state.Trial the amplitude the plain search's trial holds after trials from..to-1, which
// the fast search skipped: that of the last of them with an amplitude (FitAmplitude leaves A
// alone where the sines vanish), or the one it holds if none has one. None of them can fault:
// a trial whose amplitude could leave the doubles is never screened out.
void SettleAmplitude(AppState& state,
                     const TrialSearch& search,
                     std::int64_t from,
                     std::int64_t to) {
  for (std::int64_t j = to - 1; j >= from; --j) {
    RandomGenerator drawer{JumpSeed(search.StartSeed, 2 * static_cast<std::uint64_t>(j))};
    TrialHarmonic probe;
    DrawTrial(drawer, search.FreqScale[j % 2], probe.B, probe.C);
    probe.A = std::numeric_limits<double>::quiet_NaN();  // FitAmplitude never sets a NaN
    FitAmplitude(state.Observations, probe, search.Sines);
    if (!std::isnan(probe.A)) {
      state.Trial.A = probe.A;
      return;
    }
  }
}

// Whether trial j's residual is proven above `bound` by the tiles' bound, one trial at a time,
// with the fit's own sines and the plain threshold.
bool ProvenWorse(const TrialSearch& search, std::int64_t j, double bound) {
  RandomGenerator drawer{JumpSeed(search.StartSeed, 2 * static_cast<std::uint64_t>(j))};
  double b = 0, c = 0;
  DrawTrial(drawer, search.FreqScale[j % 2], b, c);
  double sines[kMaxScreenRows];
  double sy = 0, ss = 0, squares = 0;
  for (int row = 0; row < search.Count; row += search.Rows) {
    const int rows = std::min(search.Rows, search.Count - row);
    for (int r = 0; r < rows; ++r) sines[r] = b * search.XByMagnitude[row + r] + c;
    search.Sines(sines, sines, rows);
    for (int r = 0; r < rows; ++r) {
      const double y = search.YByMagnitude[row + r];
      squares = squares + y * y;
    }
    for (int r = 0; r < rows; ++r) {
      const double y = search.YByMagnitude[row + r];
      sy = sy + y * sines[r];
      ss = ss + sines[r] * sines[r];
    }
    if (ss > kFlatSineFloor && squares - sy * sy / ss > bound) return true;
  }
  return false;
}

// Gives every trial the block flagged, in draw order, the plain search's step with the state
// as the plain search has it there; `held` is the last trial that went through the state. The
// block was screened against the best residual of one block earlier: where the best has fallen
// since, a flagged trial is screened again against the best as it is now.
void ScanBlock(AppState& state, int k, const TrialBlock& block, std::int64_t& held) {
  const TrialSearch& search = *block.Search;
  const int tiles = TilesOf(block);
  double bound = block.Bound;
  for (int tile = 0; tile < tiles; ++tile) {
    for (std::uint32_t mask = block.Masks[tile]; mask != 0; mask &= mask - 1) {
      const std::int64_t j =
          block.First + static_cast<std::int64_t>(tile) * kTileTrials + std::countr_zero(mask);
      const double boundNow =
          EarlyExitBound(state.BestResidual, search.TargetSquares, search.Count);
      if (boundNow < bound) bound = boundNow;
      if (bound < block.Bound && ProvenWorse(search, j, bound)) continue;
      SettleAmplitude(state, search, held + 1, j);
      DrawTrialInto(state, search, j);
      held = j;
      TryTrial(state, k, search.Sines);
    }
  }
}

}  // namespace

// The pipeline, for each block of trials in turn:
//   screen block b + 1 on both threads, against the best residual as it stands,
//   meanwhile scan block b's flagged trials in order on the calling thread (refine, adopt, draw),
//   then wait for block b + 1; at the end, leave the last trial in the state as the plain search.
// A block the calling thread screens alone gains nothing from going ahead: it is screened after
// the scan of the block before it, against the best residual as that scan left it.
void SearchHarmonicFast(AppState& state, int k, const EngineChoice& engine) {
  const std::int64_t total = 2 * static_cast<std::int64_t>(state.TrialCount);
  if (total <= 0) return;
  SearchWorkspace& workspace = gWorkspace;
  TrialSearch& search = workspace.Search;
  PrepareTrialSearch(search, state.Observations, state.FreqScale, state.Random.Seed, total, engine);
  // The first blocks are screened against a best residual that is still falling fast, so they
  // start at one tile and double up to the full size: the first tile's bound is the target's
  // sum of squares, which proves nothing.
  const int blockTrials = BlockTrialsFor(search.Count);
  std::int64_t nextFirst = 0;
  int nextTrials = kTileTrials;

  PendingBlock pending(workspace.Pacing, engine.SecondThread);
  const auto startBlock = [&](std::int64_t index) {
    TrialBlock& block = workspace.Blocks[index % 2];
    block.Search = &search;
    block.First = nextFirst;
    block.Trials = static_cast<int>(std::min<std::int64_t>(nextTrials, total - nextFirst));
    nextFirst += block.Trials;
    nextTrials = std::min(2 * nextTrials, blockTrials);
    block.Bound = EarlyExitBound(state.BestResidual, search.TargetSquares, search.Count);
    pending.Start(block, search.Count);
  };

  std::int64_t held = -1;
  startBlock(0);
  pending.Finish();
  for (std::int64_t index = 0;; ++index) {
    const bool more = nextFirst < total;
    const int coming = static_cast<int>(std::min<std::int64_t>(nextTrials, total - nextFirst));
    const bool ahead = more && pending.WouldUseWorker(coming, search.Count);
    if (ahead) startBlock(index + 1);
    ScanBlock(state, k, workspace.Blocks[index % 2], held);
    if (more && !ahead) startBlock(index + 1);
    pending.Finish();
    if (!more) break;
    StopIfCancelled(state);  // nothing is pending: the worker holds no block
  }

  const std::int64_t last = total - 1;
  if (held == last) return;
  // The plain search ends with the last trial's FitAmplitude in the state.
  SettleAmplitude(state, search, held + 1, last);
  DrawTrialInto(state, search, last);
  state.TrialResidual = FitAmplitude(state.Observations, state.Trial, search.Sines);
}
