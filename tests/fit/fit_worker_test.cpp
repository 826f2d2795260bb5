// The fit's worker on its own: every tile of a job runs exactly once, on the caller (thread 0) or
// on the worker (thread 1), and FinishTiles returns only after the last of them has finished.
#include "fit/fit_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

// How long the caller's tile waits for the worker before the test gives up. Only a guard against
// a hang: a working worker takes its tile within microseconds.
constexpr auto kWorkerStartGuard = std::chrono::seconds(10);
// How long a worker's tile holds on in the waiting tests, so that a FinishTiles that did not wait
// would return while the tile is still running.
constexpr auto kSlowTile = std::chrono::microseconds(200);

// One job's account of its tiles, filled in by LogTile from whichever thread runs them.
struct TileLog {
  explicit TileLog(int tileCount)
      : TileCount(tileCount), Runs(std::make_unique<std::atomic<int>[]>(tileCount + 1)) {}

  const int TileCount;
  const std::thread::id Caller = std::this_thread::get_id();
  bool SlowWorker = false;  // the worker's tiles sleep WorkerSleep before they count as done
  std::chrono::microseconds WorkerSleep = kSlowTile;
  bool WaitForWorker = false;  // the caller's tiles wait until the worker has started one
  std::unique_ptr<std::atomic<int>[]> Runs;  // per tile; [TileCount] counts tiles out of range
  std::atomic<int> Finished{0};
  std::atomic<int> OnWorker{0};
  std::atomic<int> WrongThreadNumber{0};  // thread argument not 0 on the caller, 1 elsewhere
  std::atomic<bool> WorkerStarted{false};

  // Whether every tile ran once and nothing else ran.
  bool EachTileOnce() const {
    for (int tile = 0; tile <= TileCount; ++tile) {
      if (Runs[tile].load() != (tile < TileCount ? 1 : 0)) return false;
    }
    return Finished.load() == TileCount && WrongThreadNumber.load() == 0;
  }
};

void LogTile(void* context, int tile, int thread) {
  TileLog& log = *static_cast<TileLog*>(context);
  const bool onCaller = std::this_thread::get_id() == log.Caller;
  if (thread != (onCaller ? 0 : 1)) log.WrongThreadNumber.fetch_add(1);
  if (!onCaller) {
    log.OnWorker.fetch_add(1);
    log.WorkerStarted.store(true);
    if (log.SlowWorker) std::this_thread::sleep_for(log.WorkerSleep);
  } else if (log.WaitForWorker) {
    const auto giveUp = std::chrono::steady_clock::now() + kWorkerStartGuard;
    while (!log.WorkerStarted.load() && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::yield();
    }
  }
  const bool inRange = tile >= 0 && tile < log.TileCount;
  log.Runs[inRange ? tile : log.TileCount].fetch_add(1);
  log.Finished.fetch_add(1);
}

TEST(FitWorker, WithoutTheWorkerEveryTileRunsOnceOnTheCallerInsideFinishTiles) {
  for (int tileCount : {0, 1, 2, 7, 32, 100}) {
    SCOPED_TRACE(tileCount);
    TileLog log(tileCount);
    StartTiles(LogTile, &log, tileCount, /*useWorker=*/false);
    EXPECT_EQ(log.Finished.load(), 0) << "a tile ran before FinishTiles";
    EXPECT_FALSE(FinishTiles()) << "a job without the worker reported being held up by it";
    EXPECT_TRUE(log.EachTileOnce());
    EXPECT_EQ(log.OnWorker.load(), 0);
  }
}

TEST(FitWorker, EveryTileRunsExactlyOnceUnderManyGenerations) {
  // Tile counts from 0 to 40 in a scattered order, most jobs with the worker, some with slow
  // worker tiles; all logs are kept, so a thread that ran a tile of an earlier job late, or
  // twice, shows in that job's log at the end.
  constexpr int kJobs = 3000;
  std::vector<std::unique_ptr<TileLog>> logs;
  logs.reserve(kJobs);
  int notWaitedFor = 0, notOnce = 0;
  for (int job = 0; job < kJobs; ++job) {
    const int tileCount = (job * 7) % 41;
    logs.push_back(std::make_unique<TileLog>(tileCount));
    TileLog& log = *logs.back();
    log.SlowWorker = job % 10 == 0;
    StartTiles(LogTile, &log, tileCount, /*useWorker=*/job % 5 != 0);
    FinishTiles();
    if (log.Finished.load() != tileCount) ++notWaitedFor;
    if (!log.EachTileOnce()) ++notOnce;
  }
  EXPECT_EQ(notWaitedFor, 0) << "jobs whose FinishTiles returned before all tiles had run";
  EXPECT_EQ(notOnce, 0) << "jobs with a tile run twice, never, out of range or misnumbered";

  int changedLater = 0;
  for (const auto& log : logs) changedLater += log->EachTileOnce() ? 0 : 1;
  EXPECT_EQ(changedLater, 0) << "jobs whose tiles ran again after their FinishTiles";
}

TEST(FitWorker, FinishTilesWaitsForATileTheWorkerIsStillRunning) {
  if (!FitWorkerAvailable()) GTEST_SKIP() << "no worker on a machine with one core";
  // The caller's tile waits until the worker has taken the other one, which then sleeps: the
  // caller runs out of tiles while the worker is still busy, and must wait for it.
  int heldUpRounds = 0;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    TileLog log(2);
    log.SlowWorker = true;
    // Long beside the caller's spin even where a loaded machine (a sanitizer's build beside the
    // suite) takes the caller off its core for milliseconds: with 200 us no round was held up.
    log.WorkerSleep = std::chrono::milliseconds(20);
    log.WaitForWorker = true;
    StartTiles(LogTile, &log, 2, /*useWorker=*/true);
    const bool heldUp = FinishTiles();
    EXPECT_GE(log.OnWorker.load(), 1) << "the worker never took a tile";
    heldUpRounds += heldUp ? 1 : 0;
    EXPECT_EQ(log.Finished.load(), 2);
    EXPECT_TRUE(log.EachTileOnce());
  }
  // The worker's tile sleeps 400 times as long as the caller spins: FinishTiles must say that it
  // waited, in most rounds (a round where the caller itself lost its core may not).
  EXPECT_GE(heldUpRounds, 1) << "FinishTiles never reported waiting for the worker";
}

// Run pinned to one CPU by its own test entry (tests/fit/CMakeLists.txt): a second thread there
// would only take turns with the caller on the same core.
TEST(FitWorker, NoWorkerWhenTheProcessMayUseOneCpu) {
  if (UsableCpus() > 1) GTEST_SKIP() << "the process may use more than one CPU";
  EXPECT_FALSE(FitWorkerAvailable());
}

}  // namespace
