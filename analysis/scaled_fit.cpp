#include "analysis/scaled_fit.h"

#include <Eigen/Cholesky>
#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "sine/sine_kernel.h"

namespace {

// Free harmonics take three parameters, known ones two, and a trend and a constant one each.
constexpr int kMaxParameters = 3 * kMaxHarmonics + 2;
// The linear part's columns: sine and cosine per harmonic, a constant and a trend.
constexpr int kMaxLinear = 2 * kMaxHarmonics + 2;

// Doubles held in the object up to Inline of them (aligned as the library's heap blocks are, so
// that its sums run in the same order), on the heap beyond: the solves over the window's hundred
// observations, and the fuzzer's few, allocate nothing.
template <std::size_t Inline>
class Scratch {
 public:
  Scratch() = default;
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  double* Get(std::size_t size) {
    if (size <= Inline) return inline_;
    if (heap_.size() < size) heap_.resize(size);
    return heap_.data();
  }

 private:
  alignas(64) double inline_[Inline];
  std::vector<double> heap_;
};

// Rows for every observation, however many; the parameters' sizes are bounded and held inline.
using Matrix = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, Eigen::Dynamic, kMaxParameters>;
using Vector = Eigen::VectorXd;
using Square = Eigen::
    Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::ColMajor, kMaxParameters, kMaxParameters>;
using Step = Eigen::Matrix<double, Eigen::Dynamic, 1, Eigen::ColMajor, kMaxParameters, 1>;

// Pivots below this share of the largest count as zero: two columns closer than this to each
// other (equal frequencies, a frequency of 0) would otherwise get huge cancelling weights.
constexpr double kRankThreshold = 1e-8;
// A column's remaining squared length is computed afresh once downdating has taken away all but
// this share of it (the rest being mostly rounding).
constexpr double kRecompute = 1e-2;
// Damping of the first Levenberg-Marquardt step, relative to the curvature's diagonal, and the
// range the damping may move in before a step is given up as impossible.
constexpr double kInitialDamping = 1e-3;
constexpr double kMinDamping = 1e-12;
constexpr double kMaxDamping = 1e12;
// A step of the full iteration that lowers the objective by less than this share counts as no
// progress; two in a row end it, the objective being as low as the doubles show it.
constexpr double kStallShare = 1e-13;
// An objective this far below the target's own sum of squares is exact in the doubles.
constexpr double kExactShare = 1e-30;
// Above its far level an iteration ends after two steps in a row that gain less than this share.
// Logged over refine_speed's N = 3 series: of 7,480 loose iterations that ended within 0.1 % of
// the best, 14 had made two such steps while still 10 % above it, and ending there saved a third
// of all loose steps.
constexpr double kFarStallShare = 1e-3;
// From this many steps on, an iteration whose Gauss-Newton model cannot take it below its
// hopeless level (its objective less the undamped step's predicted gain) ends.
constexpr int kHopelessAfter = 3;

double TargetSize(const ScaledProblem& problem) {
  double size = 0;
  for (int i = 0; i < problem.Count; ++i) {
    const double t = problem.Weighted ? problem.W[i] * problem.T[i] : problem.T[i];
    size += t * t;
  }
  return size;
}

bool AllFinite(const double* v, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(v[i])) return false;
  }
  return true;
}

int LinearColumns(const ScaledProblem& problem, int harmonics) {
  return 2 * harmonics + problem.Extra;
}

// sines[i] = sin(omega u[i]), cosines[i] = cos(omega u[i]) by the vector kernel (cos as the sine a
// quarter turn on, which costs one rounding of the argument). Where the cosines follow the sines
// in memory one call takes both: the kernel's result depends on the value alone.
void SinesAndCosines(const ScaledProblem& problem, double omega, double* sines, double* cosines) {
  constexpr double kQuarterTurn = std::numbers::pi / 2;
  for (int i = 0; i < problem.Count; ++i) {
    sines[i] = omega * problem.U[i];
    cosines[i] = sines[i] + kQuarterTurn;
  }
  if (cosines == sines + problem.Count) {
    SinArray(sines, sines, 2 * problem.Count);
    return;
  }
  SinArray(sines, sines, problem.Count);
  SinArray(cosines, cosines, problem.Count);
}

void WeighRows(const ScaledProblem& problem, Eigen::Map<Matrix>& m) {
  if (!problem.Weighted) return;
  for (int i = 0; i < problem.Count; ++i) m.row(i) *= problem.W[i];
}

// a . b over count rows, summed in four interleaved partial sums (the same order on every
// machine, and vectorisable).
inline double Dot(const double* a, const double* b, int count) {
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    s0 += a[i] * b[i];
    s1 += a[i + 1] * b[i + 1];
    s2 += a[i + 2] * b[i + 2];
    s3 += a[i + 3] * b[i + 3];
  }
  for (; i < count; ++i) s0 += a[i] * b[i];
  return (s0 + s1) + (s2 + s3);
}

// column -= factor * q over count rows.
inline void Subtract(double* column, double factor, const double* q, int count) {
  for (int i = 0; i < count; ++i) column[i] -= factor * q[i];
}

// The projected problem at the model's frequencies: the design (rows weighted, one column after
// another), its columns orthonormalised by modified Gram-Schmidt with column pivoting, and the
// residual model - target of the optimal linear part. Its buffers are reused from one solve to
// the next.
struct LinearFit {
  int Rows = 0, Cols = 0, Rank = 0;
  double* Design = nullptr;        // Rows x Cols
  double* Orthonormal = nullptr;   // Rows x Cols; the first Rank columns are q_0..q_Rank-1
  double* Residual = nullptr;      // Rows
  double* Work = nullptr;          // Rows: the target as it is projected
  int Order[kMaxParameters] = {};  // q_k orthonormalises design column Order[k]
  double R[kMaxParameters][kMaxParameters] = {};
  double Objective = 0;

  double* Column(int j) { return Design + static_cast<std::ptrdiff_t>(j) * Rows; }
  const double* Column(int j) const { return Design + static_cast<std::ptrdiff_t>(j) * Rows; }
  double* Q(int k) { return Orthonormal + static_cast<std::ptrdiff_t>(k) * Rows; }
  const double* Q(int k) const { return Orthonormal + static_cast<std::ptrdiff_t>(k) * Rows; }
  void Resize(int rows, int cols) {
    const std::size_t cells = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    Design = buffer_.Get(2 * cells + 2 * static_cast<std::size_t>(rows));
    Orthonormal = Design + cells;
    Residual = Orthonormal + cells;
    Work = Residual + rows;
    Rows = rows;
    Cols = cols;
  }

 private:
  Scratch<kObservationCapacity*(2 * kMaxLinear + 2)> buffer_;  // all four
};

// The design of the linear part: sin, cos per harmonic, then the extra columns, rows weighted.
void FillDesign(const ScaledProblem& problem, const ScaledModel& model, LinearFit& fit) {
  fit.Resize(problem.Count, LinearColumns(problem, model.Count));
  for (int k = 0; k < model.Count; ++k) {
    SinesAndCosines(problem, model.Omega[k], fit.Column(2 * k), fit.Column(2 * k + 1));
  }
  for (int j = 0; j < problem.Extra; ++j) {
    const double* column = problem.Columns[j];
    std::copy(column, column + problem.Count, fit.Column(2 * model.Count + j));
  }
  if (!problem.Weighted) return;
  for (int j = 0; j < fit.Cols; ++j) {
    double* c = fit.Column(j);
    for (int i = 0; i < problem.Count; ++i) c[i] *= problem.W[i];
  }
}

// Brings the longest remaining of columns k.. to k, with its order, lengths and R's column.
void PivotLongest(LinearFit& fit, int k, double* remaining, double* computed) {
  int pivot = k;
  for (int j = k + 1; j < fit.Cols; ++j) {
    if (remaining[j] > remaining[pivot]) pivot = j;
  }
  if (pivot == k) return;
  std::swap_ranges(fit.Q(k), fit.Q(k) + fit.Rows, fit.Q(pivot));
  std::swap(fit.Order[k], fit.Order[pivot]);
  std::swap(remaining[k], remaining[pivot]);
  std::swap(computed[k], computed[pivot]);
  for (int i = 0; i < k; ++i) std::swap(fit.R[i][k], fit.R[i][pivot]);
}

// Takes the unit column k out of the columns after it, filling R's row k and downdating what
// remains of their squared lengths (recomputed where the downdate cancels most of it).
void TakeOutOfRest(LinearFit& fit, int k, double* remaining, double* computed) {
  const int rows = fit.Rows;
  const double* q = fit.Q(k);
  for (int j = k + 1; j < fit.Cols; ++j) {
    const double r = Dot(q, fit.Q(j), rows);
    fit.R[k][j] = r;
    Subtract(fit.Q(j), r, q, rows);
    remaining[j] -= r * r;
    if (!(remaining[j] > kRecompute * computed[j])) {
      remaining[j] = computed[j] = Dot(fit.Q(j), fit.Q(j), rows);
    }
  }
}

// The kept columns' coefficients from R and the projected target, in the columns' own order
// (zero for the columns not kept).
void BackSubstitute(const LinearFit& fit, const double* projected, double* linear) {
  double z[kMaxParameters] = {};
  for (int k = fit.Rank - 1; k >= 0; --k) {
    double v = projected[k];
    for (int j = k + 1; j < fit.Rank; ++j) v -= fit.R[k][j] * z[j];
    z[k] = v / fit.R[k][k];
  }
  for (int j = 0; j < fit.Cols; ++j) linear[j] = 0;
  for (int k = 0; k < fit.Rank; ++k) linear[fit.Order[k]] = z[k];
}

// Orthonormalises the design's columns, the longest remaining one first, until what remains of
// every column is below kRankThreshold times the first column's length: such columns (B = 0, two
// equal frequencies) get zero weight, instead of huge cancelling ones. Projects the weighted
// target alongside, and returns the coefficients of the columns kept (zero for the others).
void Factor(const ScaledProblem& problem, LinearFit& fit, double* linear) {
  const int rows = fit.Rows, cols = fit.Cols;
  std::copy(fit.Design, fit.Design + static_cast<std::ptrdiff_t>(rows) * cols, fit.Orthonormal);
  double* target = fit.Work;
  for (int i = 0; i < rows; ++i)
    target[i] = problem.Weighted ? problem.W[i] * problem.T[i] : problem.T[i];
  double projected[kMaxParameters] = {};
  // What remains of each column's squared length, downdated as columns are taken out and
  // recomputed where that cancels most of it.
  double remaining[kMaxParameters], computed[kMaxParameters];
  for (int j = 0; j < cols; ++j) {
    fit.Order[j] = j;
    remaining[j] = computed[j] = Dot(fit.Q(j), fit.Q(j), rows);
  }
  double first = 0;
  fit.Rank = 0;
  for (int k = 0; k < cols; ++k) {
    PivotLongest(fit, k, remaining, computed);
    const double norm = std::sqrt(Dot(fit.Q(k), fit.Q(k), rows));
    if (k == 0) first = norm;
    if (!(norm > kRankThreshold * first) || !std::isfinite(norm)) break;
    fit.R[k][k] = norm;
    double* q = fit.Q(k);
    const double inverse = 1 / norm;
    for (int i = 0; i < rows; ++i) q[i] *= inverse;
    TakeOutOfRest(fit, k, remaining, computed);
    projected[k] = Dot(q, target, rows);
    Subtract(target, projected[k], q, rows);
    fit.Rank = k + 1;
  }
  BackSubstitute(fit, projected, linear);
}

// Takes out of column (Rows long) its part in the span of the kept design columns.
void Project(const LinearFit& fit, double* column) {
  for (int k = 0; k < fit.Rank; ++k)
    Subtract(column, Dot(fit.Q(k), column, fit.Rows), fit.Q(k), fit.Rows);
}

void Solve(const ScaledProblem& problem, ScaledModel& model, LinearFit& fit) {
  FillDesign(problem, model, fit);
  double linear[kMaxParameters] = {};
  Factor(problem, fit, linear);
  if (!AllFinite(linear, fit.Cols)) std::fill(linear, linear + fit.Cols, 0.0);
  for (int k = 0; k < model.Count; ++k) {
    model.Alpha[k] = linear[2 * k];
    model.Beta[k] = linear[2 * k + 1];
  }
  for (int j = 0; j < problem.Extra; ++j) model.Linear[j] = linear[2 * model.Count + j];
  double* residual = fit.Residual;
  for (int i = 0; i < fit.Rows; ++i)
    residual[i] = problem.Weighted ? -problem.W[i] * problem.T[i] : -problem.T[i];
  for (int j = 0; j < fit.Cols; ++j) {
    if (linear[j] != 0) Subtract(residual, -linear[j], fit.Column(j), fit.Rows);
  }
  fit.Objective = Dot(residual, residual, fit.Rows);
  if (!std::isfinite(fit.Objective)) fit.Objective = std::numeric_limits<double>::infinity();
  model.Objective = fit.Objective;
}

// The model at the observations minus the target, times the weights when `weighted`.
void ModelResidual(const ScaledProblem& problem,
                   const ScaledModel& model,
                   double* residual,
                   bool weighted = true) {
  for (int i = 0; i < problem.Count; ++i) {
    double terms = 0;
    for (int j = 0; j < problem.Extra; ++j) terms += model.Linear[j] * problem.Columns[j][i];
    residual[i] = terms;
  }
  RowArray sines(problem.Count), cosines(problem.Count);
  for (int k = 0; k < model.Count; ++k) {
    SinesAndCosines(problem, model.Omega[k], sines, cosines);
    for (int i = 0; i < problem.Count; ++i) {
      residual[i] += model.Alpha[k] * sines[i] + model.Beta[k] * cosines[i];
    }
  }
  for (int i = 0; i < problem.Count; ++i) residual[i] -= problem.T[i];
  if (weighted && problem.Weighted) {
    for (int i = 0; i < problem.Count; ++i) residual[i] *= problem.W[i];
  }
}

// One double per observation.
using Rows = Scratch<kObservationCapacity>;

double SquaredNorm(const double* v, int count) {
  return Eigen::Map<const Vector>(v, count).squaredNorm();
}

// Solves (H + damping * diag(H)) step = -gradient; the diagonal gets a floor so that a direction
// without curvature (an unused harmonic) cannot make the system singular.
Step DampedStep(const Square& curvature, const Step& gradient, double damping) {
  Square system = curvature;
  const double floor = std::max(curvature.diagonal().maxCoeff(), 1e-300) * 1e-12;
  for (int j = 0; j < system.rows(); ++j) {
    system(j, j) += damping * std::max(curvature(j, j), floor) + floor;
  }
  return system.ldlt().solve(-gradient);
}

// The decrease of the objective that the damped system's quadratic model promises for step.
double Promised(const Step& step, const Step& gradient, const Square& curvature) {
  return -(2 * step.dot(gradient) + step.dot(curvature * step));
}

// Whether a failed step ends the iteration: it promised less than a stall (stallShare of the
// objective), and so does the least damped step, which promises the most (more damping only
// promises less: MINPACK's ftol test, made independent of how high failures have pushed the
// damping). At a stationary point or at the objective's rounding floor every further trial
// fails too: with the damping growing until it gives up, that cost ten to twenty-five wasted
// solves per run, at the end of nearly every polish. undamped: the least damped step's promise,
// worked out on first need (NaN until then).
bool Converged(double promised,
               double& undamped,
               const Step& gradient,
               const Square& curvature,
               double stallShare,
               double objective) {
  const auto below = [&](double v) { return std::isfinite(v) && v <= stallShare * objective; };
  if (!below(promised)) return false;
  if (std::isnan(undamped))
    undamped = Promised(DampedStep(curvature, gradient, kMinDamping), gradient, curvature);
  return below(undamped);
}

// One stall-counting rule for both iterations: true once the objective stops moving, or once it
// moves slowly while still above FarLevel.
struct Convergence {
  double StallShare = kStallShare;
  double FarLevel = std::numeric_limits<double>::infinity();
  int Stalls = 0;
  int SlowSteps = 0;
  bool Done(double before, double after, double exact) {
    if (after <= exact) return true;
    Stalls = (before - after <= StallShare * before) ? Stalls + 1 : 0;
    SlowSteps = (before - after <= kFarStallShare * before) ? SlowSteps + 1 : 0;
    return Stalls >= 2 || (SlowSteps >= 2 && after > FarLevel);
  }
};

// On a grid, a step of the full iteration may not leave [0, AliasPeriod / 2]: beyond it the
// frequencies only repeat, and the folded frequencies are the ones a user can read.
bool InsideFold(const ScaledProblem& problem, const ScaledModel& model) {
  if (!(problem.AliasPeriod > 0)) return true;
  for (int k = 0; k < model.Count; ++k) {
    if (!(model.Omega[k] >= 0 && model.Omega[k] <= problem.AliasPeriod / 2)) return false;
  }
  return true;
}

}  // namespace

double FoldFrequency(const ScaledProblem& problem, double omega) {
  omega = std::fabs(omega);
  const double period = problem.AliasPeriod;
  if (!(period > 0) || !std::isfinite(omega)) return omega;
  omega = std::fmod(omega, period);
  return omega > period / 2 ? period - omega : omega;
}

double SolveLinear(const ScaledProblem& problem, ScaledModel& model) {
  LinearFit fit;
  Solve(problem, model, fit);
  return fit.Objective;
}

double ScaledObjective(const ScaledProblem& problem, const ScaledModel& model) {
  Rows rows;
  double* const residual = rows.Get(static_cast<std::size_t>(problem.Count));
  ModelResidual(problem, model, residual);
  const double objective = SquaredNorm(residual, problem.Count);
  return std::isfinite(objective) ? objective : std::numeric_limits<double>::infinity();
}

void ScaledResiduals(const ScaledProblem& problem, const ScaledModel& model, double* out) {
  ModelResidual(problem, model, out, false);
  for (int i = 0; i < problem.Count; ++i) out[i] = -out[i];
}

namespace {

// d(model)/d(omega_k) with the linear part fixed, then projected off the design's columns:
// Kaufman's approximation of the projected Jacobian, into derivative (Count rows per k). Its
// transpose times the residual is the exact gradient, the residual being orthogonal to the
// design.
void FrequencyDerivatives(const ScaledProblem& problem,
                          const ScaledModel& model,
                          const LinearFit& fit,
                          double* derivative,
                          Step& gradient,
                          Square& curvature) {
  for (int k = 0; k < model.Count; ++k) {
    double* column = derivative + static_cast<std::ptrdiff_t>(k) * problem.Count;
    const double* sines = fit.Column(2 * k);
    const double* cosines = fit.Column(2 * k + 1);
    for (int i = 0; i < problem.Count; ++i) {
      column[i] = problem.U[i] * (model.Alpha[k] * cosines[i] - model.Beta[k] * sines[i]);
    }
    Project(fit, column);
    gradient(k) = Dot(column, fit.Residual, problem.Count);
    for (int j = 0; j <= k; ++j) {
      curvature(k, j) = curvature(j, k) =
          Dot(column, derivative + static_cast<std::ptrdiff_t>(j) * problem.Count, problem.Count);
    }
  }
}

// Whether even the full Gauss-Newton step could not bring the objective below hopelessLevel.
bool Hopeless(double objective,
              double hopelessLevel,
              const Step& gradient,
              const Square& curvature) {
  if (!(objective > hopelessLevel)) return false;
  const Step full = DampedStep(curvature, gradient, 0);
  const double reach = -(2 * full.dot(gradient) + full.dot(curvature * full));
  return objective - reach > hopelessLevel;
}

// Where the frequencies' step starts from: the model, its solve, derivatives and stall share.
struct FrequencyStep {
  const ScaledProblem& Problem;
  const ScaledModel& Model;
  const LinearFit& Fit;
  const Step& Gradient;
  const Square& Curvature;
  double StallShare;
};

// Damped steps of the frequencies, the damping multiplied by growth (then doubled) after each
// failure, until one lowers the objective: true with it in trial and trialFit and the share
// of the promised gain it made; false when none does.
bool TryFrequencySteps(const FrequencyStep& at,
                       double& damping,
                       double& growth,
                       ScaledModel& trial,
                       LinearFit& trialFit,
                       double& gain) {
  double undamped = std::numeric_limits<double>::quiet_NaN();
  const double objective = at.Fit.Objective;
  while (damping <= kMaxDamping) {
    const Step step = DampedStep(at.Curvature, at.Gradient, damping);
    if (step.allFinite()) {
      for (int k = 0; k < at.Model.Count; ++k)
        trial.Omega[k] = FoldFrequency(at.Problem, at.Model.Omega[k] + step(k));
      Solve(at.Problem, trial, trialFit);
      const double predicted = Promised(step, at.Gradient, at.Curvature);
      if (trialFit.Objective < objective) {
        gain = predicted > 0 ? (objective - trialFit.Objective) / predicted : 0;
        return true;
      }
      if (Converged(predicted, undamped, at.Gradient, at.Curvature, at.StallShare, objective)) {
        return false;
      }
    }
    damping *= growth;
    growth *= 2;
  }
  return false;
}

}  // namespace

void RefineFrequencies(const ScaledProblem& problem,
                       ScaledModel& model,
                       double stallShare,
                       int maxIterations,
                       double farLevel,
                       double hopelessLevel) {
  const int n = model.Count;
  const double exact = kExactShare * TargetSize(problem);
  for (int k = 0; k < n; ++k) model.Omega[k] = FoldFrequency(problem, model.Omega[k]);
  LinearFit fits[2];
  LinearFit* fit = &fits[0];
  LinearFit* trialFit = &fits[1];
  Solve(problem, model, *fit);
  if (n == 0) return;
  double damping = kInitialDamping;
  double growth = 2;
  Convergence convergence{stallShare, farLevel};
  Scratch<kObservationCapacity * kMaxHarmonics> derivativeRows;
  double* const derivative = derivativeRows.Get(static_cast<std::size_t>(problem.Count) * n);
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (fit->Objective <= exact) break;
    StopIfCancelled(problem.Cancelled);
    Step gradient(n);
    Square curvature(n, n);
    FrequencyDerivatives(problem, model, *fit, derivative, gradient, curvature);
    if (!gradient.allFinite() || !curvature.allFinite()) break;
    if (iteration >= kHopelessAfter &&
        Hopeless(fit->Objective, hopelessLevel, gradient, curvature)) {
      break;
    }
    ScaledModel trial = model;
    double gain = 0;
    const FrequencyStep at{problem, model, *fit, gradient, curvature, stallShare};
    if (!TryFrequencySteps(at, damping, growth, trial, *trialFit, gain)) break;
    // Nielsen's update: the damping falls by up to a third after a step that did as well as
    // its quadratic model promised and rises after one that did poorly; a failed step
    // multiplies it by 2, 4, 8, ... so that fewer trial solves are wasted.
    const double g = 2 * gain - 1;
    damping = std::max(damping * std::max(1.0 / 3, 1 - g * g * g), kMinDamping);
    growth = 2;
    const double before = fit->Objective;
    model = trial;
    std::swap(fit, trialFit);
    if (convergence.Done(before, fit->Objective, exact)) break;
  }
}

namespace {

// The Jacobian of the weighted residual in (alpha, beta, omega) per harmonic, then the terms.
void FillFullJacobian(const ScaledProblem& problem,
                      const ScaledModel& model,
                      Eigen::Map<Matrix>& jacobian) {
  const int n = model.Count;
  for (int k = 0; k < n; ++k) {
    SinesAndCosines(problem, model.Omega[k], &jacobian(0, 3 * k), &jacobian(0, 3 * k + 1));
    for (int i = 0; i < problem.Count; ++i) {
      jacobian(i, 3 * k + 2) = problem.U[i] * (model.Alpha[k] * jacobian(i, 3 * k + 1) -
                                               model.Beta[k] * jacobian(i, 3 * k));
    }
  }
  for (int j = 0; j < problem.Extra; ++j) {
    jacobian.col(3 * n + j) = Eigen::Map<const Vector>(problem.Columns[j], problem.Count);
  }
  WeighRows(problem, jacobian);
}

// The model moved by step, in the order of the Jacobian's columns.
void StepModel(const ScaledProblem& problem,
               const ScaledModel& model,
               const Step& step,
               ScaledModel& trial) {
  const int n = model.Count;
  for (int k = 0; k < n; ++k) {
    trial.Alpha[k] = model.Alpha[k] + step(3 * k);
    trial.Beta[k] = model.Beta[k] + step(3 * k + 1);
    trial.Omega[k] = model.Omega[k] + step(3 * k + 2);
  }
  for (int j = 0; j < problem.Extra; ++j) trial.Linear[j] = model.Linear[j] + step(3 * n + j);
}

// Where a step of every parameter starts from: the model and its derivatives.
struct FullStep {
  const ScaledProblem& Problem;
  const ScaledModel& Model;
  const Step& Gradient;
  const Square& Curvature;
};

// Damped steps of every parameter, the damping multiplied by 4 after each failure (or step out
// of the fold), until one lowers the objective: true with it in trial (its objective set) and
// its residual in trialResidual; false when none does.
bool TryFullSteps(const FullStep& at, double& damping, ScaledModel& trial, double* trialResidual) {
  double undamped = std::numeric_limits<double>::quiet_NaN();
  const ScaledProblem& problem = at.Problem;
  while (damping <= kMaxDamping) {
    const Step step = DampedStep(at.Curvature, at.Gradient, damping);
    if (step.allFinite()) {
      StepModel(problem, at.Model, step, trial);
      if (!InsideFold(problem, trial)) {
        damping *= 4;
        continue;
      }
      ModelResidual(problem, trial, trialResidual);
      const double objective = SquaredNorm(trialResidual, problem.Count);
      if (objective < at.Model.Objective) {
        trial.Objective = objective;
        return true;
      }
      const double promised = Promised(step, at.Gradient, at.Curvature);
      if (Converged(
              promised, undamped, at.Gradient, at.Curvature, kStallShare, at.Model.Objective)) {
        return false;
      }
    }
    damping *= 4;
  }
  return false;
}

}  // namespace

void RefineAll(const ScaledProblem& problem, ScaledModel& model, int maxIterations) {
  const int n = model.Count;
  const int parameters = 3 * n + problem.Extra;
  if (parameters == 0) {
    model.Objective = ScaledObjective(problem, model);
    return;
  }
  const double exact = kExactShare * TargetSize(problem);
  Rows rows[2];
  double* residual = rows[0].Get(static_cast<std::size_t>(problem.Count));
  double* trialResidual = rows[1].Get(static_cast<std::size_t>(problem.Count));
  ModelResidual(problem, model, residual);
  model.Objective = SquaredNorm(residual, problem.Count);
  if (!std::isfinite(model.Objective)) model.Objective = std::numeric_limits<double>::infinity();
  double damping = kInitialDamping;
  Convergence convergence;
  Scratch<kObservationCapacity * kMaxParameters> jacobianRows;
  Eigen::Map<Matrix> jacobian(
      jacobianRows.Get(static_cast<std::size_t>(problem.Count) * parameters),
      problem.Count,
      parameters);
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (model.Objective <= exact) break;
    FillFullJacobian(problem, model, jacobian);
    const Step gradient = jacobian.transpose() * Eigen::Map<const Vector>(residual, problem.Count);
    const Square curvature = jacobian.transpose() * jacobian;
    if (!gradient.allFinite() || !curvature.allFinite()) break;

    ScaledModel trial = model;
    const FullStep at{problem, model, gradient, curvature};
    if (!TryFullSteps(at, damping, trial, trialResidual)) break;
    damping = std::max(damping * 0.3, kMinDamping);
    const double before = model.Objective;
    model = trial;
    std::swap(residual, trialResidual);
    if (convergence.Done(before, model.Objective, exact)) break;
  }
}
