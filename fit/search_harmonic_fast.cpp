#include "fit/search_harmonic_fast.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "fit/fit_worker.h"
#include "fit/harmonic_model.h"
#include "fit/improvement_steps.h"
#include "fit/refine_harmonic.h"
#include "fit/trial_block.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Blocks in flight: one scanned, the next evaluated meanwhile, the one after drawn meanwhile.
constexpr int kBlocksInFlight = 3;

// Static so that no fit allocates: the blocks in flight, their tile jobs, and one tile scratch
// per thread.
struct SearchWorkspace {
  TrialBlock Blocks[kBlocksInFlight];
  TileInputs Jobs[kBlocksInFlight];
  alignas(64) double Scratch[2][kTileScratch];
};
SearchWorkspace gWorkspace;

// Draws the block's trials exactly as the plain search draws them, B then C for each, the
// frequency alternating between FreqScale[0] and FreqScale[1].
void DrawTrials(RandomGenerator& drawer, const double* freqScale, TrialBlock& block, int count) {
  block.Count = count;
  for (int j = 0; j < count; ++j) {
    block.B[j] = NextRandom(drawer) * freqScale[j % 2];
    block.C[j] = NextRandom(drawer) * kTwoPi;
    block.SeedAfter[j] = drawer.Seed;
  }
  // The last tile's unused lanes get a harmless argument; their results are never read.
  const int padded = (count + kTileTrials - 1) / kTileTrials * kTileTrials;
  std::fill(block.B + count, block.B + padded, 0.0);
  std::fill(block.C + count, block.C + padded, 0.0);
}

void RunTile(void* context, int tile, int thread) {
  EvaluateTile(*static_cast<const TileInputs*>(context), tile, gWorkspace.Scratch[thread]);
}

// The block being evaluated while another is scanned. Finishing it on every way out of the
// search, a fault included, keeps the second thread from writing into a block that the next
// search draws into.
class PendingBlock {
 public:
  PendingBlock() = default;
  PendingBlock(const PendingBlock&) = delete;
  PendingBlock& operator=(const PendingBlock&) = delete;
  ~PendingBlock() { Finish(); }

  void Start(const TileInputs& job) {
    const int tiles = (job.Block->Count + kTileTrials - 1) / kTileTrials;
    StartTiles(RunTile,
               const_cast<TileInputs*>(&job),
               tiles,
               job.Count * job.Block->Count >= kThreadedSines);
    pending_ = true;
  }

  void Finish() {
    if (!pending_) return;
    pending_ = false;
    FinishTiles();
  }

 private:
  bool pending_ = false;
};

double SumOfSquares(const ObservationSet& obs) {
  double sum = 0;
  for (int i = 0; i <= obs.LastIndex; ++i) sum += obs.WorkY[i] * obs.WorkY[i];
  return sum;
}

// The amplitude the plain search's trial holds after trials from..to-1 of the block: that of the
// last of them with an amplitude; FitAmplitude leaves A alone where the sines vanish.
void SettleAmplitude(AppState& state, const TrialBlock& block, int from, int to) {
  for (int j = to - 1; j >= from; --j) {
    if (block.Ss[j] > kFlatSineFloor) {
      state.Trial.A = block.A[j];
      return;
    }
  }
}

// Puts trial j into the state as the plain search has it right after its FitAmplitude; `held`
// is the last trial that went through the state in full. A trial whose amplitude is not finite
// is redone by FitAmplitude itself, which raises the fault at the point the plain search does.
void EnterTrial(AppState& state, const TrialBlock& block, int j, int held) {
  state.Random.Seed = block.SeedAfter[j];
  state.Trial.B = block.B[j];
  state.Trial.C = block.C[j];
  if (std::isnan(block.Residual[j])) {
    SettleAmplitude(state, block, held + 1, j);
    state.TrialResidual = FitAmplitude(state.Observations, state.Trial);
    return;
  }
  state.Trial.A = block.A[j];
  state.TrialResidual = block.Residual[j];
}

// Scans the block in draw order as the plain search's loop would run over it, then leaves the
// trial, its residual and the generator as the block's last trial left them.
void ScanBlock(AppState& state, int k, const TrialBlock& block) {
  int held = -1;
  for (int j = 0; j < block.Count; ++j) {
    if (block.Residual[j] > state.BestResidual) continue;  // NaN goes on, to be redone
    EnterTrial(state, block, j, held);
    held = j;
    if (state.TrialResidual > state.BestResidual) continue;
    RefineHarmonic(state);
    state.BestResidual = state.TrialResidual;
    AdoptTrial(state, k);
    RequestRedraw(state);
  }
  const int last = block.Count - 1;
  state.Random.Seed = block.SeedAfter[last];
  if (held == last) return;
  // The block holds the last trial's residual only if it was small; FitAmplitude gives it in
  // full, and the amplitude as the plain search leaves it.
  state.Trial.B = block.B[last];
  state.Trial.C = block.C[last];
  SettleAmplitude(state, block, held + 1, last);
  state.TrialResidual = FitAmplitude(state.Observations, state.Trial);
}

}  // namespace

void SearchHarmonicFast(AppState& state, int k) {
  const std::int64_t total = 2 * static_cast<std::int64_t>(state.TrialCount);
  if (total <= 0) return;
  SearchWorkspace& workspace = gWorkspace;
  const ObservationSet& obs = state.Observations;
  const double squares = SumOfSquares(obs);
  RandomGenerator drawer{state.Random.Seed};  // draws only: the clock stays with the state
  std::int64_t drawn = 0;
  const auto drawBlock = [&](std::int64_t index) {
    const int count = static_cast<int>(std::min<std::int64_t>(kBlockTrials, total - drawn));
    drawn += count;
    DrawTrials(drawer, state.FreqScale, workspace.Blocks[index % kBlocksInFlight], count);
  };
  PendingBlock pending;
  // Has block `index` evaluated against a bound taken from the best residual now: it can only
  // fall before the block is scanned.
  const auto startBlock = [&](std::int64_t index) {
    TileInputs& job = workspace.Jobs[index % kBlocksInFlight];
    job = TileInputs{obs.X,
                     obs.WorkY,
                     obs.LastIndex + 1,
                     squares,
                     ExactResidualBound(state.BestResidual, squares),
                     &workspace.Blocks[index % kBlocksInFlight]};
    pending.Start(job);
  };

  const std::int64_t blocks = (total + kBlockTrials - 1) / kBlockTrials;
  drawBlock(0);
  startBlock(0);
  if (blocks > 1) drawBlock(1);
  pending.Finish();
  for (std::int64_t index = 0;; ++index) {
    if (index + 1 < blocks) startBlock(index + 1);
    ScanBlock(state, k, workspace.Blocks[index % kBlocksInFlight]);
    if (index + 2 < blocks) drawBlock(index + 2);
    if (index + 1 == blocks) return;
    pending.Finish();
  }
}
