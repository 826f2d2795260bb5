// Wall time of FitBothModels for three set-ups on the same data, in one process:
//   (a) the plain scalar reference: the one-trial-at-a-time search with the C library's std::sin;
//   (b) the shipped engine: the block search with the vectorised sine, on two threads;
//   (c) the plain search with the vectorised sine: the reference that (b) must match bit for bit.
// For every case it prints the times, the speed-up a/b, the sines per second of (b), and whether
// (b) and (c) end with identical coefficient tables, deviations, best residual and generator, and
// made the same redraws with the same table at each (hashed).
//
// Usage: fit_bench [--quick] [--engine-only] [--runs R]
//   --quick        depth 10000 only (the deep plain scalar runs take about half a minute each at
//                  N = 5)
//   --engine-only  time (b) alone, without the references and the comparison
//   --runs R       best of R runs for (b), default 3
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/app_state.h"
#include "data/observation_set.h"
#include "data/random_generator.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_sines.h"
#include "fit/fit_worker.h"
#include "fit/kernels/sine_kernel.h"
#include "fit/trial_block.h"

namespace {

constexpr std::uint32_t kBenchSeed = 977u;

std::uint32_t FixedClock() { return kBenchSeed; }

// count observations of a sum of three sinusoids with uniform noise, from a fixed seed.
ObservationSet MakeBenchData(int count) {
  std::mt19937 generator(12345);
  std::uniform_real_distribution<double> noise(-0.3, 0.3);
  ObservationSet obs;
  obs.LastIndex = count - 1;
  for (int i = 0; i < count; ++i) {
    const double x = 20.0 * i / count;
    obs.X[i] = x;
    obs.WorkY[i] = 2.0 * std::sin(0.7 * x + 0.3) + 1.2 * std::sin(2.3 * x + 1.1) +
                   0.5 * std::sin(5.1 * x + 2.0) + noise(generator);
  }
  PrepareData(obs);
  return obs;
}

std::uint64_t Fnv(std::uint64_t hash, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

// The table's six arrays (its padding bytes are not part of its value).
std::uint64_t HashTable(std::uint64_t hash, const CoefficientTable& t) {
  for (const double* values : {t.A, t.B, t.C, t.A2, t.B2, t.C2}) {
    hash = Fnv(hash, values, sizeof(double) * kMaxHarmonics);
  }
  return hash;
}

bool SameTable(const CoefficientTable& s, const CoefficientTable& t) {
  constexpr std::size_t kBytes = sizeof(double) * kMaxHarmonics;
  return std::memcmp(s.A, t.A, kBytes) == 0 && std::memcmp(s.B, t.B, kBytes) == 0 &&
         std::memcmp(s.C, t.C, kBytes) == 0 && std::memcmp(s.A2, t.A2, kBytes) == 0 &&
         std::memcmp(s.B2, t.B2, kBytes) == 0 && std::memcmp(s.C2, t.C2, kBytes) == 0;
}

struct Outcome {
  double Seconds = 0;
  AppState State;
  int Redraws = 0;
  std::uint64_t RedrawHash = 14695981039346656037ull;
};

void RunFit(const ObservationSet& obs, int harmonics, int depth, Outcome& out) {
  out.State = AppState{};
  out.State.Observations = obs;
  out.State.Coefficients.HarmonicCount = static_cast<std::uint8_t>(harmonics);
  out.State.Controls.ComboBox1 = depth;
  out.State.Random.Clock = FixedClock;
  out.Redraws = 0;
  out.RedrawHash = 14695981039346656037ull;
  out.State.Hooks.Redraw = [&out] {
    ++out.Redraws;
    out.RedrawHash = HashTable(out.RedrawHash, out.State.Coefficients);
    out.RedrawHash = Fnv(out.RedrawHash, &out.State.BestResidual, sizeof(double));
  };
  const auto start = std::chrono::steady_clock::now();
  FitBothModels(out.State);
  out.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Configure(SearchMethod method, FitSineSource source) {
  SetSearchMethod(method);
  SetFitSineSource(source);
}

bool SameBits(const Outcome& x, const Outcome& y) {
  const AppState& s = x.State;
  const AppState& t = y.State;
  return SameTable(s.Coefficients, t.Coefficients) &&
         std::memcmp(&s.RelDeviation, &t.RelDeviation, sizeof(double)) == 0 &&
         std::memcmp(&s.SavedDeviation, &t.SavedDeviation, sizeof(double)) == 0 &&
         std::memcmp(&s.BestResidual, &t.BestResidual, sizeof(double)) == 0 &&
         s.Random.Seed == t.Random.Seed && x.Redraws == y.Redraws && x.RedrawHash == y.RedrawHash;
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  bool engineOnly = false;
  int runs = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--engine-only") == 0) {
      engineOnly = true;
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--quick] [--engine-only] [--runs R]\n", argv[0]);
      return 2;
    }
  }
  std::printf("sine: %s; tile sums: %s; second thread: %s\n",
              SinKernelName(),
              TilePathName(),
              FitWorkerAvailable() ? "yes" : "no");
  std::printf("%2s %4s %7s %10s %10s %10s %8s %12s %8s %s\n",
              "N",
              "n",
              "depth",
              "a plain s",
              "b engine s",
              "c plain+k s",
              "a/b",
              "b sines/s",
              "redraws",
              "b==c");

  const int depths[] = {10000, 998888};
  bool allSame = true;
  for (int depth : depths) {
    if (quick && depth != 10000) continue;
    for (int count : {10, 100}) {
      const ObservationSet obs = MakeBenchData(count);
      for (int harmonics : {1, 3, 5}) {
        Outcome a, b, c, best;
        if (!engineOnly) {
          Configure(SearchMethod::Plain, FitSineSource::Library);
          RunFit(obs, harmonics, depth, a);
          Configure(SearchMethod::Plain, FitSineSource::Kernel);
          RunFit(obs, harmonics, depth, c);
        }
        Configure(SearchMethod::Fast, FitSineSource::Kernel);
        best.Seconds = INFINITY;
        bool same = true;
        for (int run = 0; run < runs; ++run) {
          RunFit(obs, harmonics, depth, b);
          same = same && (engineOnly || SameBits(b, c));
          if (b.Seconds < best.Seconds) best.Seconds = b.Seconds;
        }
        allSame = allSame && same;
        // The search's sines: two stages, N harmonics, 2 * depth trials of n sines each.
        const double sines = 2.0 * harmonics * 2.0 * depth * count;
        if (engineOnly) {
          std::printf("%2d %4d %7d %10s %10.4f %10s %8s %12.3g %8d %s\n",
                      harmonics,
                      count,
                      depth,
                      "-",
                      best.Seconds,
                      "-",
                      "-",
                      sines / best.Seconds,
                      b.Redraws,
                      "-");
        } else {
          std::printf("%2d %4d %7d %10.3f %10.4f %10.3f %8.1f %12.3g %8d %s\n",
                      harmonics,
                      count,
                      depth,
                      a.Seconds,
                      best.Seconds,
                      c.Seconds,
                      a.Seconds / best.Seconds,
                      sines / best.Seconds,
                      b.Redraws,
                      same ? "identical" : "DIFFERENT");
        }
        std::fflush(stdout);
      }
    }
  }
  std::printf("%s\n",
              allSame ? "all engine runs bit-identical to the plain search"
                      : "SOME ENGINE RUNS DIFFER FROM THE PLAIN SEARCH");
  return allSame ? 0 : 1;
}
