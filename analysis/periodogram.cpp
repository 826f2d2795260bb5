#include "analysis/periodogram.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/spectral/explained_power.h"
#include "analysis/spectral/grid_periodogram.h"
#include "data/observation_set.h"

namespace {

// u spans [-1, 1], so frequencies 2pi/2 apart are independent; the grid samples each such
// interval this many times so that no peak falls between two grid points.
constexpr double kOversampling = 8;
constexpr double kResolution = std::numbers::pi;
// The grid never exceeds this many frequencies (a very short minimum period).
constexpr int kMaxGrid = 20000;
constexpr int kMaxTracked = 64;

int GridSize(double omegaMax) {
  // Clamped as a double: a very short minimum period makes the quotient too large for an int.
  return static_cast<int>(
      std::clamp(omegaMax / (kResolution / kOversampling), 1.0, double(kMaxGrid)));
}

double Power(double ss,
             double sc,
             double cc,
             double sr,
             double cr,
             double sumS,
             double sumC,
             int count,
             bool floatingMean) {
  return ExplainedPower({ss, sc, cc, sr, cr, sumS, sumC}, count, floatingMean);
}

// Above this many rows the periodogram's sums run in kLanes interleaved partial sums, which the
// compiler keeps in vector registers; their rounding differs from one running sum's, so shorter
// series keep the running sums and with them the peaks they always had. The lanes are fixed by
// the source and nothing is contracted (-ffp-contract=off), so every vector width gives the
// same bits.
constexpr int kLaneRows = 100;
constexpr int kLanes = 8;
// From this many row-frequencies above kLaneRows rows the non-uniform FFT gives the same powers
// (to about 1e-10 of each) for a fraction of the sums' cost: 1e5 rows over 20,000 frequencies
// in 0.03 s instead of seconds. The window's series never get here.
constexpr double kTransformWork = 2e6;

using Sums = SinusoidSums;

// One grid step: with rotate, s and c advance by the rotation (rc, rs) first; then the sums of
// the 2x2 system against r less its mean (centred), in lanes.
// ThreadSanitizer's runtime is not up yet when the loader runs the clones' resolver, which it
// instruments, and the program dies before main: that build takes the default path, whose bits
// are the same.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HARMORA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define HARMORA_THREAD_SANITIZER 1
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(HARMORA_THREAD_SANITIZER)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
Sums LaneSums(double* __restrict s,
              double* __restrict c,
              const double* __restrict rs,
              const double* __restrict rc,
              const double* __restrict centred,
              int count,
              bool rotate) {
  double ss[kLanes] = {}, sc[kLanes] = {}, cc[kLanes] = {}, sr[kLanes] = {}, cr[kLanes] = {};
  double sumS[kLanes] = {}, sumC[kLanes] = {};
  const int whole = count - count % kLanes;
  for (int i = 0; i < whole; i += kLanes) {
    for (int l = 0; l < kLanes && rotate; ++l) {
      const double sn = s[i + l] * rc[i + l] + c[i + l] * rs[i + l];
      c[i + l] = c[i + l] * rc[i + l] - s[i + l] * rs[i + l];
      s[i + l] = sn;
    }
    for (int l = 0; l < kLanes; ++l) {
      ss[l] += s[i + l] * s[i + l];
      sc[l] += s[i + l] * c[i + l];
      cc[l] += c[i + l] * c[i + l];
      sr[l] += s[i + l] * centred[i + l];
      cr[l] += c[i + l] * centred[i + l];
      sumS[l] += s[i + l];
      sumC[l] += c[i + l];
    }
  }
  for (int i = whole; i < count; ++i) {
    const int l = i - whole;
    if (rotate) {
      const double sn = s[i] * rc[i] + c[i] * rs[i];
      c[i] = c[i] * rc[i] - s[i] * rs[i];
      s[i] = sn;
    }
    ss[l] += s[i] * s[i];
    sc[l] += s[i] * c[i];
    cc[l] += c[i] * c[i];
    sr[l] += s[i] * centred[i];
    cr[l] += c[i] * centred[i];
    sumS[l] += s[i];
    sumC[l] += c[i];
  }
  Sums out;
  for (int l = 0; l < kLanes; ++l) {
    out.Ss += ss[l];
    out.Sc += sc[l];
    out.Cc += cc[l];
    out.Sr += sr[l];
    out.Cr += cr[l];
    out.SumS += sumS[l];
    out.SumC += sumC[l];
  }
  return out;
}

}  // namespace

double PeriodogramStep(double omegaMax) { return omegaMax / GridSize(omegaMax); }

double PeriodogramPower(
    const double* u, const double* r, int count, double omega, bool floatingMean) {
  double ss = 0, sc = 0, cc = 0, sr = 0, cr = 0, sumS = 0, sumC = 0;
  double rMean = 0;
  if (floatingMean) {
    for (int i = 0; i < count; ++i) rMean += r[i] / count;
  }
  for (int i = 0; i < count; ++i) {
    const double s = std::sin(omega * u[i]), c = std::cos(omega * u[i]), ri = r[i] - rMean;
    ss += s * s;
    sc += s * c;
    cc += c * c;
    sr += s * ri;
    cr += c * ri;
    sumS += s;
    sumC += c;
  }
  return Power(ss, sc, cc, sr, cr, sumS, sumC, count, floatingMean);
}

namespace {

// One target's running search for peaks along the grid.
struct PeakTrack {
  double RMean = 0;
  RowArray Centred;
  double BestPower[kMaxTracked];
  double BestOmega[kMaxTracked];
  int Tracked = 0;
  double Previous = -1, BeforePrevious = -1;

  // previous is a peak when it beats both neighbours (the grid's ends count as lower).
  void Next(int g, double step, double power, int maxPeaks) {
    if (g >= 2 && Previous > BeforePrevious && Previous >= power && Previous > 0) {
      const double peakOmega = (g - 1) * step;
      int at = Tracked;
      while (at > 0 && BestPower[at - 1] < Previous) --at;
      if (at < maxPeaks) {
        const int last = std::min(Tracked, maxPeaks - 1);
        for (int j = last; j > at; --j) {
          BestPower[j] = BestPower[j - 1];
          BestOmega[j] = BestOmega[j - 1];
        }
        BestPower[at] = Previous;
        BestOmega[at] = peakOmega;
        Tracked = std::min(Tracked + 1, maxPeaks);
      }
    }
    BeforePrevious = Previous;
    Previous = power;
  }
};

// Gives the target the track's peaks, strongest first.
void HandOverPeaks(const PeakTrack& track, PeriodogramTarget& target) {
  std::copy(track.BestOmega, track.BestOmega + track.Tracked, target.Peaks);
  if (target.Powers) std::copy(track.BestPower, track.BestPower + track.Tracked, target.Powers);
  target.Found = track.Tracked;
}

// One target's peaks from the transform's powers over the same grid as the sums'.
void TransformPeaks(const double* u, int count, double step, int grid, PeriodogramTarget& target) {
  target.Found = 0;
  if (target.MaxPeaks <= 0) return;
  const std::vector<double> powers =
      FastGridPeriodogram({u, target.R, nullptr, count}, {step, grid}, target.FloatingMean);
  PeakTrack track;
  const int maxPeaks = std::min(target.MaxPeaks, kMaxTracked);
  for (int g = 1; g <= grid + 1; ++g) track.Next(g, step, g <= grid ? powers[g - 1] : -1, maxPeaks);
  HandOverPeaks(track, target);
}

// The grid's sines and cosines at the current frequency and the rotation by one step.
struct GridRotation {
  double* S;
  double* C;
  const double* Rs;
  const double* Rc;
};

// sin and cos of omega*u advance by a rotation per grid step; restarted from the library
// every few hundred steps so that rounding cannot build up.
constexpr int kRestart = 256;

// The rotation's sines and cosines from the library at omega.
void RestartRotation(const double* u, int count, double omega, const GridRotation& rot) {
  for (int i = 0; i < count; ++i) {
    rot.S[i] = std::sin(omega * u[i]);
    rot.C[i] = std::cos(omega * u[i]);
  }
}

// The targets' means (where they float) and, for the lanes, their residuals less the mean.
void PrepareTracks(
    const PeriodogramTarget* targets, int targetCount, int count, bool lanes, PeakTrack* tracks) {
  for (int t = 0; t < targetCount; ++t) {
    const double* r = targets[t].R;
    PeakTrack& track = tracks[t];
    if (targets[t].FloatingMean) {
      for (int i = 0; i < count; ++i) track.RMean += r[i] / count;
    }
    track.Centred.Reserve(lanes ? count : 0);
    for (int i = 0; lanes && i < count; ++i) track.Centred[i] = r[i] - track.RMean;
  }
}

// The power at the rotation's frequency summed row by row (a few rows), after advancing the
// rotation one step when `advance`.
double PlainPower(const GridRotation& rot,
                  const double* r,
                  double rMean,
                  int count,
                  bool advance,
                  bool floatingMean) {
  double* const s = rot.S;
  double* const c = rot.C;
  if (advance) {
    for (int i = 0; i < count; ++i) {
      const double sn = s[i] * rot.Rc[i] + c[i] * rot.Rs[i];
      const double cn = c[i] * rot.Rc[i] - s[i] * rot.Rs[i];
      s[i] = sn;
      c[i] = cn;
    }
  }
  double ss = 0, sc = 0, cc = 0, sr = 0, cr = 0, sumS = 0, sumC = 0;
  for (int i = 0; i < count; ++i) {
    ss += s[i] * s[i];
    sc += s[i] * c[i];
    cc += c[i] * c[i];
    sr += s[i] * (r[i] - rMean);
    cr += c[i] * (r[i] - rMean);
    sumS += s[i];
    sumC += c[i];
  }
  return Power(ss, sc, cc, sr, cr, sumS, sumC, count, floatingMean);
}

// One grid point g for every target: its power (-1 past the grid's end) into its track.
void StepTargets(const GridRotation& rot,
                 int g,
                 int grid,
                 double step,
                 bool restart,
                 bool lanes,
                 int count,
                 const PeriodogramTarget* targets,
                 int targetCount,
                 PeakTrack* tracks) {
  for (int t = 0; t < targetCount; ++t) {
    const PeriodogramTarget& target = targets[t];
    PeakTrack& track = tracks[t];
    double power = -1;
    if (g <= grid && lanes) {
      // The first target's sums advance the rotation; the others' find it done.
      const Sums m =
          LaneSums(rot.S, rot.C, rot.Rs, rot.Rc, track.Centred, count, !restart && t == 0);
      power = Power(m.Ss, m.Sc, m.Cc, m.Sr, m.Cr, m.SumS, m.SumC, count, target.FloatingMean);
    } else if (g <= grid) {
      power =
          PlainPower(rot, target.R, track.RMean, count, !restart && t == 0, target.FloatingMean);
    }
    track.Next(g, step, power, std::min(target.MaxPeaks, kMaxTracked));
  }
}

}  // namespace

int PeriodogramPeaks(const double* u,
                     const double* r,
                     int count,
                     double omegaMax,
                     double* peaks,
                     int maxPeaks,
                     double* powers,
                     bool floatingMean) {
  PeriodogramTarget target{r, floatingMean, peaks, powers, maxPeaks};
  PeriodogramPeaks(u, count, omegaMax, &target, 1);
  return target.Found;
}

void PeriodogramPeaks(
    const double* u, int count, double omegaMax, PeriodogramTarget* targets, int targetCount) {
  for (int t = 0; t < targetCount; ++t) targets[t].Found = 0;
  if (count <= 0 || !(omegaMax > 0) || !std::isfinite(omegaMax)) return;
  targetCount = std::min(targetCount, kMaxPeriodogramTargets);
  const int grid = GridSize(omegaMax);
  const double step = omegaMax / grid;

  RowArray rows[4] = {RowArray(count), RowArray(count), RowArray(count), RowArray(count)};
  // Plain pointers: the loops below are the refinement's hottest outside its solves.
  double* const s = rows[0];
  double* const c = rows[1];
  double* const rs = rows[2];
  double* const rc = rows[3];
  for (int i = 0; i < count; ++i) {
    rs[i] = std::sin(step * u[i]);
    rc[i] = std::cos(step * u[i]);
  }

  if (count > kLaneRows && double(count) * grid >= kTransformWork) {
    for (int t = 0; t < targetCount; ++t) TransformPeaks(u, count, step, grid, targets[t]);
    return;
  }
  const bool lanes = count > kLaneRows;
  PeakTrack tracks[kMaxPeriodogramTargets];
  PrepareTracks(targets, targetCount, count, lanes, tracks);
  const GridRotation rot{s, c, rs, rc};
  for (int g = 1; g <= grid + 1; ++g) {
    const bool restart = g == 1 || (g - 1) % kRestart == 0;
    if (g <= grid && restart) RestartRotation(u, count, g * step, rot);
    StepTargets(rot, g, grid, step, restart, lanes, count, targets, targetCount, tracks);
  }
  for (int t = 0; t < targetCount; ++t) {
    if (targets[t].MaxPeaks > 0) HandOverPeaks(tracks[t], targets[t]);
  }
}
