// How well the harmonic-count comparison says how many components the data hold: for families
// of simulated series with a known number of components at several signal-to-noise ratios, the
// share of draws whose recommended N is the truth; and under the null (noise only) whether the
// first harmonic's false-alarm probability and F-test p-value are uniform (Kolmogorov-Smirnov).
//
//   harmonic_count_quality [draws-per-family] [null-draws]     (defaults 100 and 1000)

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/count_comparison.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;

class Noise {
 public:
  explicit Noise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
  double Uniform() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return (static_cast<double>(state_ >> 11) + 0.5) / 9007199254740992.0;
  }
  double Normal() { return std::sqrt(-2 * std::log(Uniform())) * std::cos(kTwoPi * Uniform()); }

 private:
  std::uint64_t state_;
};

struct Draw {
  std::vector<double> X, Y;
};

// count points over 20 time units, uniform or jittered; components of amplitude 1 at well
// separated random frequencies below the mean-spacing Nyquist frequency; noise for the SNR
// (per component, in dB: amplitude^2 / 2 over the noise variance).
Draw MakeDraw(Noise& noise, int count, bool irregular, int components, double snrDb) {
  Draw d;
  const double spacing = 20.0 / count;
  for (int i = 0; i < count; ++i) {
    d.X.push_back(spacing * (i + (irregular ? noise.Uniform() - 0.5 : 0)));
  }
  const double nyquist = kTwoPi / (2 * spacing);
  std::vector<double> b;
  while (int(b.size()) < components) {
    const double f = (0.05 + 0.85 * noise.Uniform()) * nyquist;
    bool apart = true;
    for (double g : b) apart = apart && std::abs(f - g) > 4 * kTwoPi / 20;
    if (apart) b.push_back(f);
  }
  const double sigma = std::sqrt(0.5 / std::pow(10, snrDb / 10));
  for (double x : d.X) {
    double y = sigma * noise.Normal();
    for (std::size_t k = 0; k < b.size(); ++k)
      y += std::sin(b[k] * x + kTwoPi * static_cast<double>(k + 1) / 7);
    d.Y.push_back(y);
  }
  return d;
}

CountComparison Compare(const Draw& d, int harmonics, std::uint32_t seed) {
  Engine engine;
  engine.SetData(d.X, d.Y);
  FitRequest request;
  request.Harmonics = harmonics;
  request.FixedSeeds = true;
  request.Seeds[0] = seed;
  request.Seeds[1] = seed + 1;
  RefineOptions options;
  options.StartBudget = 0.2;
  return CompareHarmonicCounts(engine, request, options);
}

// The Kolmogorov-Smirnov distance of the sample from the uniform distribution on [0, 1].
double UniformDistance(std::vector<double> p) {
  std::sort(p.begin(), p.end());
  double d = 0;
  const double n = static_cast<double>(p.size());
  for (std::size_t i = 0; i < p.size(); ++i) {
    d = std::max({d, static_cast<double>(i + 1) / n - p[i], p[i] - static_cast<double>(i) / n});
  }
  return d;
}

}  // namespace

int main(int argc, char** argv) {
  const int draws = argc > 1 ? std::atoi(argv[1]) : 100;
  const int nullDraws = argc > 2 ? std::atoi(argv[2]) : 1000;

  std::printf("%-10s %4s %3s %7s %8s  %s\n", "x", "n", "K", "SNR dB", "right %", "N chosen");
  for (const bool irregular : {false, true}) {
    for (const int components : {1, 2, 3}) {
      for (const double snr : {0.0, 10.0, 20.0}) {
        const int count = 60;
        int right = 0, chosen[6] = {};
        for (int i = 0; i < draws; ++i) {
          Noise noise(1000 * components + 100 * int(snr) + 7 * irregular + 100000 * i);
          const Draw d = MakeDraw(noise, count, irregular, components, snr);
          const int n = Compare(d, components + 1, 17 + 2 * i).Models[0].Recommended;
          right += n == components;
          ++chosen[std::clamp(n, 0, 5)];
        }
        std::printf("%-10s %4d %3d %7.0f %8.1f  0:%d 1:%d 2:%d 3:%d 4:%d\n",
                    irregular ? "irregular" : "uniform",
                    count,
                    components,
                    snr,
                    100.0 * right / draws,
                    chosen[0],
                    chosen[1],
                    chosen[2],
                    chosen[3],
                    chosen[4]);
      }
    }
  }

  // Under the null the p-values of the first harmonic should be uniform; the critical
  // Kolmogorov-Smirnov distance at 5 % is about 1.36 / sqrt(draws).
  for (const bool irregular : {false, true}) {
    std::vector<double> alarm, ftest;
    for (int i = 0; i < nullDraws; ++i) {
      Noise noise(5000000 + 2 * i + irregular);
      const Draw d = MakeDraw(noise, 60, irregular, 0, 0);
      const HarmonicCountRow row = Compare(d, 1, 31 + 2 * i).Models[0].Rows.at(0);
      alarm.push_back(row.FalseAlarm);
      ftest.push_back(row.FTest);
    }
    std::printf(
        "null, %s x, %d draws: KS distance from uniform: false alarm %.3f, F test %.3f "
        "(5 %% critical %.3f); share below 0.05: %.3f and %.3f\n",
        irregular ? "irregular" : "uniform",
        nullDraws,
        UniformDistance(alarm),
        UniformDistance(ftest),
        1.36 / std::sqrt(double(nullDraws)),
        static_cast<double>(
            std::count_if(alarm.begin(), alarm.end(), [](double p) { return p < 0.05; })) /
            double(nullDraws),
        static_cast<double>(
            std::count_if(ftest.begin(), ftest.end(), [](double p) { return p < 0.05; })) /
            double(nullDraws));
  }
  return 0;
}
