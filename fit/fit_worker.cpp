#include "fit/fit_worker.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a waiting thread spins before it sleeps. Long enough to bridge the scan between two
// blocks (a few microseconds), short enough not to take a core from other work for long: on a
// loaded two-core machine a thread that only spins can make two threads slower than one.
constexpr auto kWorkerSpin = std::chrono::microseconds(50);
constexpr auto kCallerSpin = std::chrono::microseconds(50);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Spins on ready() for at most `limit`; returns whether it became true.
template <typename Ready>
bool SpinFor(Clock::duration limit, Ready ready) {
  const Clock::time_point end = Clock::now() + limit;
  for (int i = 0;; ++i) {
    if (ready()) return true;
    CpuRelax();
    if ((i & 63) == 63 && Clock::now() >= end) return false;
  }
}

class FitWorker {
 public:
  FitWorker() {
    if (UsableCpus() > 1) thread_ = std::thread([this] { Loop(); });
  }

  ~FitWorker() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }

  bool Available() const { return thread_.joinable(); }

  void Start(void (*task)(void*, int, int), void* context, int tileCount) {
    // Close the previous job's counter first: a worker still in its claim loop could otherwise
    // read the new, larger tile count and claim a tile past the old job's end. Its claim now
    // fails on the changed counter, or it reads the old count (the release below orders the two).
    next_.store(Pack(generation_, kClosed), std::memory_order_relaxed);
    task_ = task;
    context_ = context;
    tileCount_.store(tileCount, std::memory_order_release);
    done_.store(0, std::memory_order_relaxed);
    ++generation_;
    {
      // The job's fields above are published by this store (release) and read by the worker
      // only after it has claimed a tile of this generation (acquire).
      std::lock_guard<std::mutex> lock(mutex_);
      next_.store(Pack(generation_, 0), std::memory_order_release);
    }
    wake_.notify_one();
  }

  bool Finish() {
    RunClaimed(generation_, 0);
    const auto allDone = [this] { return done_.load(std::memory_order_acquire) == tileCount_; };
    if (SpinFor(kCallerSpin, allDone)) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, allDone);
    return true;
  }

 private:
  // A tile number past every job's end.
  static constexpr std::uint32_t kClosed = 0xffffffffu;

  static std::uint64_t Pack(std::uint32_t generation, std::uint32_t tile) {
    return (std::uint64_t{generation} << 32) | tile;
  }

  // Claims and runs tiles of `generation` until none are left. A claim names its generation, so
  // a thread that wakes late can never take a tile of a later block.
  void RunClaimed(std::uint32_t generation, int thread) {
    std::uint64_t seen = next_.load(std::memory_order_acquire);
    for (;;) {
      const auto tile = static_cast<std::uint32_t>(seen);
      if (static_cast<std::uint32_t>(seen >> 32) != generation) return;
      if (tile >= static_cast<std::uint32_t>(tileCount_.load(std::memory_order_acquire))) return;
      if (!next_.compare_exchange_weak(seen, seen + 1, std::memory_order_acq_rel)) continue;
      task_(context_, static_cast<int>(tile), thread);
      if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == tileCount_) {
        std::lock_guard<std::mutex> lock(mutex_);  // the caller may be about to sleep
        finished_.notify_one();
      }
      seen = next_.load(std::memory_order_acquire);
    }
  }

  void Loop() {
    std::uint32_t handled = 0;
    for (;;) {
      const auto fresh = [&] {
        return static_cast<std::uint32_t>(next_.load(std::memory_order_acquire) >> 32) != handled;
      };
      if (!SpinFor(kWorkerSpin, fresh)) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stop_ || fresh(); });
        if (stop_) return;
      }
      handled = static_cast<std::uint32_t>(next_.load(std::memory_order_acquire) >> 32);
      RunClaimed(handled, 1);
    }
  }

  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  bool stop_ = false;

  std::uint32_t generation_ = 0;        // the caller's count of jobs
  std::atomic<std::uint64_t> next_{0};  // generation << 32 | next unclaimed tile
  std::atomic<int> done_{0};            // tiles of this generation finished
  std::atomic<int> tileCount_{0};
  void (*task_)(void*, int, int) = nullptr;
  void* context_ = nullptr;
};

FitWorker gWorker;

// The job StartTiles left for FinishTiles when it runs without the worker.
struct CallerJob {
  void (*Task)(void*, int, int) = nullptr;
  void* Context = nullptr;
  int TileCount = 0;
  bool OnWorker = false;
};
// Per calling thread: fits on several threads each keep their own job.
thread_local CallerJob gJob;
// The worker serves one job at a time. A fit on another thread that finds it taken runs its
// tiles itself; a tile gives the same result whichever thread runs it.
std::atomic<bool> gWorkerTaken{false};

}  // namespace

int UsableCpus() {
  // The affinity mask, not the machine's core count: a process pinned to one CPU (taskset, a
  // container's cpuset, a batch runner giving each fit its own core) gains nothing from a second
  // thread and loses the hand-offs to it.
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
  return std::max(1, CPU_COUNT(&cpus));
}

void StartTiles(void (*task)(void* context, int tile, int thread),
                void* context,
                int tileCount,
                bool useWorker) {
  const bool wanted = useWorker && gWorker.Available() && tileCount > 0;
  gJob = CallerJob{
      task, context, tileCount, wanted && !gWorkerTaken.exchange(true, std::memory_order_acquire)};
  if (gJob.OnWorker) gWorker.Start(task, context, tileCount);
}

bool FinishTiles() {
  const CallerJob job = gJob;
  gJob = CallerJob{};
  if (job.OnWorker) {
    const bool late = gWorker.Finish();
    gWorkerTaken.store(false, std::memory_order_release);
    return late;
  }
  for (int tile = 0; tile < job.TileCount; ++tile) job.Task(job.Context, tile, 0);
  return false;
}

bool FitWorkerAvailable() { return gWorker.Available(); }
