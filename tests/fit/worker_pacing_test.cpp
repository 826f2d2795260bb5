// When the fast search stops handing blocks to a worker that keeps it waiting, and when it
// tries the worker again.
#include "fit/worker_pacing.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Records `blocks` blocks run alone, as the search does while the pacing says so.
void RunAlone(WorkerPacing& pacing, int blocks) {
  for (int i = 0; i < blocks; ++i) {
    ASSERT_FALSE(pacing.UseWorker()) << "block " << i << " of the pause";
    pacing.Record(/*usedWorker=*/false, /*heldUp=*/false);
  }
}

TEST(WorkerPacing, OneLateBlockIsForgivenTwoInARowPauseTheWorker) {
  WorkerPacing pacing;
  EXPECT_TRUE(pacing.UseWorker());
  pacing.Record(true, true);
  EXPECT_TRUE(pacing.UseWorker()) << "a single late block paused the worker";
  pacing.Record(true, false);
  pacing.Record(true, true);
  EXPECT_TRUE(pacing.UseWorker()) << "late blocks with one on time between them paused it";
  pacing.Record(true, true);
  EXPECT_FALSE(pacing.UseWorker());
  EXPECT_EQ(pacing.AloneLeft(), WorkerPacing::kFirstAloneBlocks);
  RunAlone(pacing, WorkerPacing::kFirstAloneBlocks);
  EXPECT_TRUE(pacing.UseWorker()) << "the pause never ended";
}

TEST(WorkerPacing, RetriesThatFailGrowRarerUpToTheLimitAndOneOnTimeResetsThem) {
  WorkerPacing pacing;
  pacing.Record(true, true);
  pacing.Record(true, true);
  int expected = WorkerPacing::kFirstAloneBlocks;
  for (int retry = 0; retry < 12; ++retry) {
    SCOPED_TRACE(retry);
    ASSERT_EQ(pacing.AloneLeft(), expected);
    RunAlone(pacing, expected);
    ASSERT_TRUE(pacing.UseWorker());
    pacing.Record(true, true);  // the retry is late again: one is enough now
    expected = std::min(2 * expected, WorkerPacing::kMaxAloneBlocks);
  }
  EXPECT_EQ(pacing.AloneLeft(), WorkerPacing::kMaxAloneBlocks);

  RunAlone(pacing, WorkerPacing::kMaxAloneBlocks);
  pacing.Record(true, false);  // the load has gone
  pacing.Record(true, true);
  EXPECT_TRUE(pacing.UseWorker()) << "a block on time did not restore the forgiving start";
  pacing.Record(true, true);
  EXPECT_EQ(pacing.AloneLeft(), WorkerPacing::kFirstAloneBlocks);
}

TEST(WorkerPacing, BlocksTooSmallForTheWorkerCountNeitherWay) {
  WorkerPacing pacing;
  pacing.Record(true, true);
  pacing.Record(false, false);  // a small block between two late ones
  pacing.Record(true, true);
  EXPECT_FALSE(pacing.UseWorker());
}

}  // namespace
