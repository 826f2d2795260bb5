#pragma once

#include <algorithm>

// Whether the fast search hands its next block to the worker as well. A block is late when one
// of the two threads has lost its core to another program: the worker kept the caller waiting
// at the block's end, or the caller ran for only part of the block while the worker idled. The
// scheduler gives the other thread its turn only after milliseconds, where the block itself
// takes a fraction of one, and two threads run slower than one. After kMissesBeforeAlone late
// blocks in a row the caller runs the next blocks alone, twice as many after each failed retry;
// one block on time restores the first pause. Only the speed depends on it: a tile gives the
// same mask on either thread.
class WorkerPacing {
 public:
  // Blocks in a row that held the caller up before it goes on alone: one late block can be bad
  // luck (an interrupt, a page fault), two are a busy core.
  static constexpr int kMissesBeforeAlone = 2;
  // Blocks run alone after the first run of misses, and at most after repeated ones: a retry
  // costs one wait for the worker's turn, so under lasting load the retries must grow rare
  // next to the blocks (a few tenths of a millisecond each) that they interrupt.
  static constexpr int kFirstAloneBlocks = 16;
  static constexpr int kMaxAloneBlocks = 4096;

  // Whether the next block may use the worker.
  bool UseWorker() const { return aloneLeft_ == 0; }

  // Records one block: whether it used the worker and, if so, whether it was late.
  void Record(bool usedWorker, bool late) {
    if (!usedWorker) {
      if (aloneLeft_ > 0) --aloneLeft_;
      return;
    }
    if (!late) {
      misses_ = 0;
      nextAlone_ = kFirstAloneBlocks;
      return;
    }
    if (++misses_ < kMissesBeforeAlone) return;
    misses_ = kMissesBeforeAlone - 1;  // after the pause, one more late block is enough
    aloneLeft_ = nextAlone_;
    nextAlone_ = std::min(2 * nextAlone_, kMaxAloneBlocks);
  }

  // Blocks still to run alone; for tests.
  int AloneLeft() const { return aloneLeft_; }

 private:
  int misses_ = 0;
  int aloneLeft_ = 0;
  int nextAlone_ = kFirstAloneBlocks;
};
