// Nanoseconds per sine for std::sin and for every SinArray path this CPU supports, over
// arrays of the sizes the fit uses. Prints the best of several runs, which is the figure least
// disturbed by other work on the machine.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "sine/sine_kernel.h"

namespace {

constexpr int kRuns = 7;
constexpr int kValuesPerRun = 20'000'000;

template <typename Evaluate>
double BestNanosecondsPerValue(int size, Evaluate evaluate) {
  double best = INFINITY;
  const int calls = kValuesPerRun / size;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int call = 0; call < calls; ++call) evaluate();
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count() / (static_cast<double>(calls) * size));
  }
  return best;
}

// Keeps the compiler from dropping results nobody reads.
void Consume(const double* values) { asm volatile("" : : "r"(values) : "memory"); }

}  // namespace

int main() {
  constexpr SinKernel kKernels[] = {SinKernel::Sse2, SinKernel::Avx2, SinKernel::Avx512};
  std::printf("%-20s %10s %10s %10s\n", "ns/value", "10", "100", "1000");
  std::mt19937_64 generator(1);
  std::uniform_real_distribution<double> argument(-1e4, 1e4);  // the fit's usual range
  std::vector<double> in(1000), out(1000);
  for (double& x : in) x = argument(generator);

  std::printf("%-20s", "std::sin");
  for (int size : {10, 100, 1000}) {
    std::printf(" %10.3f", BestNanosecondsPerValue(size, [&] {
                  for (int i = 0; i < size; ++i) out[i] = std::sin(in[i]);
                  Consume(out.data());
                }));
  }
  std::printf("\n");
  for (SinKernel kernel : kKernels) {
    if (!SinKernelSupported(kernel)) continue;
    const SineFunction sines = SinArrayOn(kernel);
    std::printf("%-20s", SinKernelName(kernel));
    for (int size : {10, 100, 1000}) {
      std::printf(" %10.3f", BestNanosecondsPerValue(size, [&] {
                    sines(in.data(), out.data(), size);
                    Consume(out.data());
                  }));
    }
    std::printf("\n");
  }
  std::printf("SinArray picks: %s\n", SinKernelName(BestSinKernel()));
}
