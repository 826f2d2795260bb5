// Time and peak memory of a fit and its refinement through the engine, for many observations.
//
// Data: n observations at irregular x over 0..n/10 (uniform spacing 0.1 with jitter of a third
// of it), y = three sinusoids of periods 37.3, 9.1 and 2.71 with amplitudes 3, 1.5 and 0.8 plus
// Gaussian noise of sd 0.5, from a Mersenne Twister with a fixed seed. For each n the engine
// takes the data through SetData, fits N = 3 at depth 10000 with fixed seeds (both models, as
// the find button), then refines both models with the default options. Each n runs in its own
// child process, so that its peak resident set (getrusage ru_maxrss) is its own.
//
// Prints per n: the search's wall time, the refinement's, the refinement's starts per model,
// the peak resident set before the data were made and at the end, and the periods found.
//
// Usage: many_rows_bench [--rows n]...   (default: 1000 10000 100000)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "engine/engine.h"

namespace {

constexpr double kPeriods[] = {37.3, 9.1, 2.71};
constexpr double kAmplitudes[] = {3, 1.5, 0.8};
constexpr double kNoise = 0.5;

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;  // Linux gives kilobytes
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunCase(int n) {
  const double startMb = PeakMegabytes();
  std::mt19937_64 random(20261209);
  std::uniform_real_distribution<double> jitter(-1.0 / 3, 1.0 / 3);
  std::normal_distribution<double> noise(0, kNoise);
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) {
    x[i] = 0.1 * (i + jitter(random));
    y[i] = noise(random);
    for (int k = 0; k < 3; ++k) {
      y[i] += kAmplitudes[k] * std::sin(2 * std::numbers::pi / kPeriods[k] * x[i] + k);
    }
  }
  Engine engine;
  const DataOutcome data = engine.SetData(x, y);
  if (!data.Accepted) {
    std::printf("%7d refused: %s\n", n, data.Error.c_str());
    return;
  }
  FitRequest request;
  request.Harmonics = 3;
  request.Depth = 10000;
  request.FixedSeeds = true;
  request.Seeds[0] = 1;
  request.Seeds[1] = 2;
  auto start = std::chrono::steady_clock::now();
  const FitResult fit = engine.Fit(request);
  const double searchSeconds = SecondsSince(start);
  start = std::chrono::steady_clock::now();
  const RefinementResult refined = engine.Refine(RefineOptions{});
  const double refineSeconds = SecondsSince(start);
  const HarmonicModel& m = refined.Refined[0].Coefficients;
  std::printf("%7d %9.2f %9.2f %6d %6d %9.1f %9.1f  ",
              n,
              searchSeconds,
              refineSeconds,
              refined.Refined[0].Starts,
              refined.Refined[1].Starts,
              startMb,
              PeakMegabytes());
  for (int k = 0; k < m.Count; ++k) std::printf(" %.4f", 2 * std::numbers::pi / m.B[k]);
  std::printf("  (search: %.4g)\n", fit.RelDeviation[0]);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rows;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) {
      rows.push_back(std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: many_rows_bench [--rows n]...\n");
      return 2;
    }
  }
  if (rows.empty()) rows = {1000, 10000, 100000};
  std::printf(
      "      n  search s  refine s starts1 starts2 start MB  peak MB   refined model 1 periods\n");
  std::fflush(stdout);
  for (int n : rows) {
    const pid_t child = fork();
    if (child == 0) {
      RunCase(n);
      std::fflush(stdout);
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
  }
}
