// Wall time of FitBothModels for three set-ups on the same data, in one process:
//   (a) the plain scalar reference: the one-trial-at-a-time search with the C library's std::sin;
//   (b) the shipped engine: the block search with the vectorised sine, on two threads;
//   (c) the plain search with the vectorised sine: the reference that (b) must match bit for bit;
// and (b1) the shipped engine held to the calling thread, with the CPU times of (b) and (b1)
// beside them (the least of the runs for b1: under load its wall time is mostly waiting).
// For every case it prints the times, the speed-up a/b, the sines per second of (b) (as if every
// trial's sines were evaluated), and whether
// (b) and (c) end with identical coefficient tables, deviations, best residual and generator, and
// made the same redraws with the same table at each (hashed).
//
// Usage: fit_bench [--quick] [--engine-only] [--runs R] [--case N n] [--load]
//   --quick        depth 10000 only (the deep plain scalar runs take about half a minute each at
//                  N = 5)
//   --engine-only  time (b) and (b1) alone, without the references and the comparison
//   --runs R       best of R runs for (b) and (b1), default 3
//   --case N n     only the cases with N harmonics and n observations
//   --load         keep a busy-loop process pinned to the first core while measuring, as another
//                  program on a desktop would: (b) must not be slower than (b1)
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "data/observation_set.h"
#include "data/random_generator.h"
#include "fit/engine_choice.h"
#include "fit/fit_harmonics.h"
#include "fit/fit_worker.h"
#include "sine/sine_kernel.h"
#include "state/app_state.h"

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

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// A child process that spins on the first core until it is killed; returns its id, or -1.
pid_t StartBusyLoop() {
  const pid_t child = fork();
  if (child != 0) return child;
  cpu_set_t first;
  CPU_ZERO(&first);
  CPU_SET(0, &first);
  sched_setaffinity(0, sizeof first, &first);
  for (unsigned long spin = 0;; ++spin) asm volatile("" : "+r"(spin));  // kept, never optimised out
}

struct Outcome;
bool SameBits(const Outcome& x, const Outcome& y);

struct Outcome {
  double Seconds = 0;
  double CpuSeconds = 0;
  AppState State;
  int Redraws = 0;
  std::uint64_t RedrawHash = 14695981039346656037ull;
};

void RunFit(
    const ObservationSet& obs, int harmonics, int depth, const EngineChoice& engine, Outcome& out) {
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
  const double cpuStart = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  FitBothModels(out.State, out.State.Controls.ComboBox1, engine);
  out.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out.CpuSeconds = ProcessCpuSeconds() - cpuStart;
}

EngineChoice Engine(SearchMethod method, FitSineSource source, bool secondThread = true) {
  EngineChoice choice;
  choice.Search = method;
  choice.Sines = source;
  choice.SecondThread = secondThread;
  return choice;
}

// The best of `runs` fits with the given engine; whether every run matched `reference` (when
// one is given).
double BestOf(const ObservationSet& obs,
              int harmonics,
              int depth,
              int runs,
              const EngineChoice& engine,
              const Outcome* reference,
              Outcome& out,
              bool& same) {
  double best = INFINITY;
  for (int run = 0; run < runs; ++run) {
    RunFit(obs, harmonics, depth, engine, out);
    same = same && (reference == nullptr || SameBits(out, *reference));
    best = std::min(best, out.Seconds);
  }
  return best;
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
  int onlyHarmonics = 0, onlyCount = 0;
  bool load = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else if (std::strcmp(argv[i], "--engine-only") == 0) {
      engineOnly = true;
    } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--case") == 0 && i + 2 < argc) {
      onlyHarmonics = std::atoi(argv[++i]);
      onlyCount = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--load") == 0) {
      load = true;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--quick] [--engine-only] [--runs R] [--case N n] [--load]\n",
                   argv[0]);
      return 2;
    }
  }
  const pid_t busy = load ? StartBusyLoop() : -1;
  const EngineChoice shipped;
  std::printf("sine: %s; tile sums: %s; second thread: %s%s\n",
              SinKernelName(shipped.SinePath),
              SinKernelName(shipped.TilePath),
              FitWorkerAvailable() ? "yes" : "no",
              busy > 0 ? "; a busy loop pinned to core 0" : "");
  std::printf("%2s %4s %7s %10s %10s %10s %10s %10s %10s %8s %12s %8s %s\n",
              "N",
              "n",
              "depth",
              "a plain s",
              "b engine s",
              "b cpu s",
              "b1 1-thr s",
              "b1 cpu s",
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
      if (onlyCount != 0 && count != onlyCount) continue;
      const ObservationSet obs = MakeBenchData(count);
      for (int harmonics : {1, 3, 5}) {
        if (onlyHarmonics != 0 && harmonics != onlyHarmonics) continue;
        Outcome a, b, b1, c;
        bool same = true;
        if (!engineOnly) {
          BestOf(obs,
                 harmonics,
                 depth,
                 1,
                 Engine(SearchMethod::Plain, FitSineSource::Library),
                 nullptr,
                 a,
                 same);
          BestOf(obs,
                 harmonics,
                 depth,
                 1,
                 Engine(SearchMethod::Plain, FitSineSource::Kernel),
                 nullptr,
                 c,
                 same);
        }
        const Outcome* reference = engineOnly ? nullptr : &c;
        // Alternate the two engines run by run, so that both see the same load.
        double bBest = INFINITY, b1Best = INFINITY, bCpu = 0, b1Cpu = INFINITY;
        for (int run = 0; run < runs; ++run) {
          const double seconds = BestOf(obs,
                                        harmonics,
                                        depth,
                                        1,
                                        Engine(SearchMethod::Fast, FitSineSource::Kernel),
                                        reference,
                                        b,
                                        same);
          if (seconds < bBest) {
            bBest = seconds;
            bCpu = b.CpuSeconds;
          }
          b1Best = std::min(b1Best,
                            BestOf(obs,
                                   harmonics,
                                   depth,
                                   1,
                                   Engine(SearchMethod::Fast, FitSineSource::Kernel, false),
                                   reference,
                                   b1,
                                   same));
          b1Cpu = std::min(b1Cpu, b1.CpuSeconds);
        }
        allSame = allSame && same;
        // The search's sines: two stages, N harmonics, 2 * depth trials of n sines each.
        const double sines = 2.0 * harmonics * 2.0 * depth * count;
        char aText[16] = "-", cText[16] = "-", ratioText[16] = "-";
        if (!engineOnly) {
          std::snprintf(aText, sizeof aText, "%.3f", a.Seconds);
          std::snprintf(cText, sizeof cText, "%.3f", c.Seconds);
          std::snprintf(ratioText, sizeof ratioText, "%.1f", a.Seconds / bBest);
        }
        std::printf("%2d %4d %7d %10s %10.4f %10.4f %10.4f %10.4f %10s %8s %12.3g %8d %s\n",
                    harmonics,
                    count,
                    depth,
                    aText,
                    bBest,
                    bCpu,
                    b1Best,
                    b1Cpu,
                    cText,
                    ratioText,
                    sines / bBest,
                    b.Redraws,
                    engineOnly ? "-" : (same ? "identical" : "DIFFERENT"));
        std::fflush(stdout);
      }
    }
  }
  if (busy > 0) {
    kill(busy, SIGKILL);
    waitpid(busy, nullptr, 0);
  }
  std::printf("%s\n",
              allSame ? "all engine runs bit-identical to the plain search"
                      : "SOME ENGINE RUNS DIFFER FROM THE PLAIN SEARCH");
  return allSame ? 0 : 1;
}
