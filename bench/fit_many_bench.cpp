// Series per second per CPU of FitMany, the batch of many short series: n = 24 / 48 / 100
// observations, N = 1 / 3 harmonics, depth 10000, the search alone, on every CPU the process
// may use (run it under taskset -c 0 and taskset -c 0,1 to compare one CPU with two). For each
// case the best of R rounds by wall time, and the CPU time per series of the process in that
// round: on a machine others share, the CPU time is the steadier figure.
//
// With --refine each series is also refined (the least-squares refinement after the search), to
// show its share of a series' time.
//
// Usage: fit_many_bench [--rounds R] [--series S] [--refine]   (defaults 3 and 200)
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "engine/fit_many.h"
#include "fit/fit_worker.h"

namespace {

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// `series` noisy sinusoids of n points at x = 0..n-1, periods from 4 to n/2, from a fixed seed.
std::vector<double> MakeSeries(int n, std::size_t series) {
  std::mt19937 generator(2024);
  std::uniform_real_distribution<double> period(4, n / 2.0);
  std::normal_distribution<double> noise(0, 0.2);
  std::vector<double> y;
  for (std::size_t s = 0; s < series; ++s) {
    const double p = period(generator);
    for (int i = 0; i < n; ++i) y.push_back(2 * std::sin(2 * M_PI * i / p + 1) + noise(generator));
  }
  return y;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  std::size_t series = 200;
  bool refine = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--series") == 0 && i + 1 < argc) {
      series = static_cast<std::size_t>(std::max(1, std::atoi(argv[++i])));
    } else if (std::strcmp(argv[i], "--refine") == 0) {
      refine = true;
    } else {
      std::fprintf(stderr, "usage: %s [--rounds R] [--series S] [--refine]\n", argv[0]);
      return 2;
    }
  }
  const int cpus = UsableCpus();
  std::printf("%d CPU(s); depth 10000; %zu series a round, best of %d rounds%s\n",
              cpus,
              series,
              rounds,
              refine ? "; each refined" : "");
  std::printf("%4s %2s %14s %14s %10s\n", "n", "N", "series/s/CPU", "CPU ms/series", "wall s");
  for (const int n : {24, 48, 100}) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = i;
    const std::vector<double> y = MakeSeries(n, series);
    for (const int harmonics : {1, 3}) {
      ManyRequest request;
      request.Harmonics = harmonics;
      request.Depth = 10000;
      request.Refine = refine;
      double bestWall = INFINITY, cpuAtBest = 0;
      for (int round = 0; round < rounds; ++round) {
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        FitMany(x, y.data(), series, request, 0);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (wall < bestWall) {
          bestWall = wall;
          cpuAtBest = ProcessCpuSeconds() - cpuStart;
        }
      }
      std::printf("%4d %2d %14.1f %14.3f %10.3f\n",
                  n,
                  harmonics,
                  static_cast<double>(series) / bestWall / cpus,
                  1e3 * cpuAtBest / static_cast<double>(series),
                  bestWall);
      std::fflush(stdout);
    }
  }
}
