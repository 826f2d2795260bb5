// CPU time of the least-squares refinement (RefineBothModels, both models, default options) per
// series: n = 24 / 48 / 100 observations, N = 1..3 harmonics, on a grid (x = 0..n-1) and on x
// jittered by up to 0.4, noise 0.2, from fixed seeds. The search (depth 10000) runs first and is
// not counted. CPU time of the whole process (both models' threads), which a shared machine
// disturbs less than the wall time. Prints median and maximum CPU ms per series, and the mean
// starts of each model (the sum, its square); --detail adds a line per series with its time and
// each model's starts and hits.
//
// Usage: refine_speed [--series S] [--n N]... [--harmonics N]... [--detail]
//        (defaults 20, 24 48 100, 1 2 3)
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/least_squares.h"
#include "fit/fit_harmonics.h"
#include "state/app_state.h"

namespace {

std::uint32_t gSeed = 1;
bool gDetail = false;
std::uint32_t CaseClock() { return gSeed; }

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// n points at x = 0..n-1 (jittered by up to 0.4 when irregular), N sinusoids of amplitude 1 to 2
// at periods 3 to n/2, noise 0.2.
ObservationSet MakeSeries(int n, int harmonics, bool irregular, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> unit(0, 1);
  std::normal_distribution<double> noise(0, 0.2);
  double a[kMaxHarmonics], b[kMaxHarmonics], c[kMaxHarmonics];
  for (int k = 0; k < harmonics; ++k) {
    a[k] = 1 + unit(rng);
    b[k] = 2 * std::numbers::pi / (3 + (n / 2.0 - 3) * unit(rng));
    c[k] = 2 * std::numbers::pi * unit(rng);
  }
  ObservationSet obs;
  obs.LastIndex = n - 1;
  for (int i = 0; i < n; ++i) {
    const double x = i + (irregular ? 0.8 * (unit(rng) - 0.5) : 0.0);
    double y = noise(rng);
    for (int k = 0; k < harmonics; ++k) y += a[k] * std::sin(b[k] * x + c[k]);
    obs.X[i] = x;
    obs.WorkY[i] = y;
  }
  PrepareData(obs);
  return obs;
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

std::vector<int> Ints(const std::vector<int>& given, std::vector<int> fallback) {
  return given.empty() ? fallback : given;
}

// Refines `series` series of one kind and prints one line of the table.
void RunCase(bool irregular, int n, int harmonics, int series) {
  std::vector<double> ms;
  double starts[2] = {};
  std::uint64_t checksum = 14695981039346656037ULL;
  for (int s = 0; s < series; ++s) {
    std::mt19937_64 rng(7919ULL * n + 104729ULL * harmonics + s + (irregular ? 1000 : 0));
    AppState state;
    state.Observations = MakeSeries(n, harmonics, irregular, rng);
    state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(harmonics);
    state.Controls.UpDown1 = harmonics;
    state.Random.Clock = CaseClock;
    gSeed = 17u + 31u * static_cast<std::uint32_t>(s);
    FitBothModels(state, 10000);
    const double start = ProcessCpuSeconds();
    const RefinementResult result = RefineBothModels(
        state.Observations, state.Coefficients, state.Observations.MinPeriod, RefineOptions{});
    ms.push_back(1e3 * (ProcessCpuSeconds() - start));
    for (int kind = 0; kind < 2; ++kind) starts[kind] += result.Refined[kind].Starts;
    if (gDetail) {
      std::printf("  series %2d  %8.2f ms  starts %5d %5d  hits %4d %4d\n",
                  s,
                  ms.back(),
                  result.Refined[0].Starts,
                  result.Refined[1].Starts,
                  result.Refined[0].Hits,
                  result.Refined[1].Hits);
    }
    for (const ModelFit& fit : result.Refined) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, &fit.Objective, sizeof bits);
      checksum = checksum * 1099511628211ULL ^ bits;
    }
  }
  double total = 0;
  for (const double v : ms) total += v;
  std::printf("%-6s %4d %2d %10.2f %10.2f %10.2f %8.1f %8.1f %016llx\n",
              irregular ? "jitter" : "grid",
              n,
              harmonics,
              Quantile(ms, 0.5),
              Quantile(ms, 1.0),
              total / 1e3,
              starts[0] / series,
              starts[1] / series,
              static_cast<unsigned long long>(checksum));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int series = 20;
  std::vector<int> counts, harmonicCounts;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--series") == 0 && i + 1 < argc) {
      series = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--n") == 0 && i + 1 < argc) {
      counts.push_back(std::clamp(std::atoi(argv[++i]), 4, kObservationCapacity));
    } else if (std::strcmp(argv[i], "--harmonics") == 0 && i + 1 < argc) {
      harmonicCounts.push_back(std::clamp(std::atoi(argv[++i]), 1, kMaxHarmonics));
    } else if (std::strcmp(argv[i], "--detail") == 0) {
      gDetail = true;
    } else {
      std::fprintf(
          stderr, "usage: %s [--series S] [--n N]... [--harmonics N]... [--detail]\n", argv[0]);
      return 2;
    }
  }
  std::printf("%zu series per case, CPU ms per series (both models)\n",
              static_cast<std::size_t>(series));
  std::printf("%-6s %4s %2s %10s %10s %10s %8s %8s %16s\n",
              "x",
              "n",
              "N",
              "median",
              "max",
              "total s",
              "starts 1",
              "starts 2",
              "results");
  for (const bool irregular : {false, true}) {
    for (const int n : Ints(counts, {24, 48, 100})) {
      for (const int harmonics : Ints(harmonicCounts, {1, 2, 3})) {
        RunCase(irregular, n, harmonics, series);
      }
    }
  }
}
