#include "analysis/scaled_fit.h"

#include <Eigen/Cholesky>
#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "sine/sine_kernel.h"

namespace {

// Free harmonics take three parameters, known ones two, and a trend and a constant one each.
constexpr int kMaxParameters = 3 * kMaxHarmonics + 2;

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

double TargetSize(const ScaledProblem& problem) {
  double size = 0;
  for (int i = 0; i < problem.Count; ++i) {
    const double t = problem.Weighted ? problem.W[i] * problem.T[i] : problem.T[i];
    size += t * t;
  }
  return size;
}

int LinearColumns(const ScaledProblem& problem, int harmonics) {
  return 2 * harmonics + problem.Extra;
}

// sines[i] = sin(omega u[i]), cosines[i] = cos(omega u[i]) by the vector kernel (cos as the sine a
// quarter turn on, which costs one rounding of the argument).
void SinesAndCosines(const ScaledProblem& problem, double omega, double* sines, double* cosines) {
  constexpr double kQuarterTurn = std::numbers::pi / 2;
  for (int i = 0; i < problem.Count; ++i) {
    sines[i] = omega * problem.U[i];
    cosines[i] = sines[i] + kQuarterTurn;
  }
  SinArray(sines, sines, problem.Count);
  SinArray(cosines, cosines, problem.Count);
}

void WeighRows(const ScaledProblem& problem, Matrix& m) {
  if (!problem.Weighted) return;
  for (int i = 0; i < problem.Count; ++i) m.row(i) *= problem.W[i];
}

// The design of the linear part: sin, cos per harmonic, then the extra columns, rows weighted.
void FillDesign(const ScaledProblem& problem, const ScaledModel& model, Matrix& design) {
  design.resize(problem.Count, LinearColumns(problem, model.Count));
  for (int k = 0; k < model.Count; ++k) {
    SinesAndCosines(problem, model.Omega[k], &design(0, 2 * k), &design(0, 2 * k + 1));
  }
  for (int j = 0; j < problem.Extra; ++j) {
    design.col(2 * model.Count + j) = Eigen::Map<const Vector>(problem.Columns[j], problem.Count);
  }
  WeighRows(problem, design);
}

// The target as the fit weighs it.
Vector WeightedTarget(const ScaledProblem& problem) {
  Vector target = Eigen::Map<const Vector>(problem.T, problem.Count);
  if (problem.Weighted) {
    for (int i = 0; i < problem.Count; ++i) target(i) *= problem.W[i];
  }
  return target;
}

// The projected problem at the model's frequencies: design, its factorisation and the residual
// model - target of the optimal linear part.
struct LinearFit {
  Matrix Design;
  Eigen::ColPivHouseholderQR<Matrix> Qr;
  Vector Residual;
  double Objective = 0;
};

// The basic least-squares solution of design * x = rhs for the columns the factorisation keeps
// (rank by kRankThreshold), zero for the others. Eigen's own solve keeps every column whose
// pivot is above rounding, which lets a column of rounding noise take a weight of 1e13.
template <typename Rhs>
Eigen::Matrix<double,
              Eigen::Dynamic,
              Rhs::ColsAtCompileTime,
              Eigen::ColMajor,
              kMaxParameters,
              Rhs::MaxColsAtCompileTime>
BasicSolve(const Eigen::ColPivHouseholderQR<Matrix>& qr, const Rhs& rhs) {
  using Result = Eigen::Matrix<double,
                               Eigen::Dynamic,
                               Rhs::ColsAtCompileTime,
                               Eigen::ColMajor,
                               kMaxParameters,
                               Rhs::MaxColsAtCompileTime>;
  const int rank = static_cast<int>(qr.rank());
  const int cols = static_cast<int>(qr.cols());
  Rhs rotated = rhs;
  rotated.applyOnTheLeft(qr.householderQ().adjoint());
  Result z = Result::Zero(cols, rhs.cols());
  if (rank > 0) {
    z.topRows(rank) = qr.matrixR()
                          .topLeftCorner(rank, rank)
                          .template triangularView<Eigen::Upper>()
                          .solve(rotated.topRows(rank));
  }
  Result x(cols, rhs.cols());
  for (int j = 0; j < cols; ++j) x.row(qr.colsPermutation().indices()(j)) = z.row(j);
  return x;
}

void Solve(const ScaledProblem& problem, ScaledModel& model, LinearFit& fit) {
  FillDesign(problem, model, fit.Design);
  const Vector target = WeightedTarget(problem);
  fit.Qr.setThreshold(kRankThreshold);
  fit.Qr.compute(fit.Design);
  Step linear = BasicSolve(fit.Qr, target);
  if (!linear.allFinite()) linear.setZero(fit.Design.cols());
  for (int k = 0; k < model.Count; ++k) {
    model.Alpha[k] = linear(2 * k);
    model.Beta[k] = linear(2 * k + 1);
  }
  for (int j = 0; j < problem.Extra; ++j) model.Linear[j] = linear(2 * model.Count + j);
  fit.Residual = fit.Design * linear - target;
  fit.Objective = fit.Residual.squaredNorm();
  if (!std::isfinite(fit.Objective)) fit.Objective = std::numeric_limits<double>::infinity();
  model.Objective = fit.Objective;
}

// The model at the observations minus the target, times the weights when `weighted`.
void ModelResidual(const ScaledProblem& problem,
                   const ScaledModel& model,
                   Vector& residual,
                   bool weighted = true) {
  residual.resize(problem.Count);
  for (int i = 0; i < problem.Count; ++i) {
    double terms = 0;
    for (int j = 0; j < problem.Extra; ++j) terms += model.Linear[j] * problem.Columns[j][i];
    residual(i) = terms;
  }
  RowArray sines(problem.Count), cosines(problem.Count);
  for (int k = 0; k < model.Count; ++k) {
    SinesAndCosines(problem, model.Omega[k], sines, cosines);
    for (int i = 0; i < problem.Count; ++i) {
      residual(i) += model.Alpha[k] * sines[i] + model.Beta[k] * cosines[i];
    }
  }
  for (int i = 0; i < problem.Count; ++i) residual(i) -= problem.T[i];
  if (weighted && problem.Weighted) {
    for (int i = 0; i < problem.Count; ++i) residual(i) *= problem.W[i];
  }
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

// One stall-counting rule for both iterations: true once the objective stops moving.
struct Convergence {
  double StallShare = kStallShare;
  int Stalls = 0;
  bool Done(double before, double after, double exact) {
    if (after <= exact) return true;
    Stalls = (before - after <= StallShare * before) ? Stalls + 1 : 0;
    return Stalls >= 2;
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
  Vector residual;
  ModelResidual(problem, model, residual);
  const double objective = residual.squaredNorm();
  return std::isfinite(objective) ? objective : std::numeric_limits<double>::infinity();
}

void ScaledResiduals(const ScaledProblem& problem, const ScaledModel& model, double* out) {
  Vector residual;
  ModelResidual(problem, model, residual, false);
  for (int i = 0; i < problem.Count; ++i) out[i] = -residual(i);
}

void RefineFrequencies(const ScaledProblem& problem,
                       ScaledModel& model,
                       double stallShare,
                       int maxIterations) {
  const int n = model.Count;
  const double exact = kExactShare * TargetSize(problem);
  for (int k = 0; k < n; ++k) model.Omega[k] = FoldFrequency(problem, model.Omega[k]);
  LinearFit fit;
  Solve(problem, model, fit);
  if (n == 0) return;
  LinearFit trialFit;
  double damping = kInitialDamping;
  Convergence convergence{stallShare};
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (fit.Objective <= exact) break;
    // d(model)/d(omega_k) with the linear part fixed, then projected off the design's columns:
    // Kaufman's approximation of the projected Jacobian. Its transpose times the residual is the
    // exact gradient, the residual being orthogonal to the design.
    Matrix derivative(problem.Count, n);
    for (int k = 0; k < n; ++k) {
      for (int i = 0; i < problem.Count; ++i) {
        derivative(i, k) = problem.U[i] * (model.Alpha[k] * fit.Design(i, 2 * k + 1) -
                                           model.Beta[k] * fit.Design(i, 2 * k));
      }
    }
    const Matrix projected = derivative - fit.Design * BasicSolve(fit.Qr, derivative);
    const Step gradient = projected.transpose() * fit.Residual;
    const Square curvature = projected.transpose() * projected;
    if (!gradient.allFinite() || !curvature.allFinite()) break;

    bool improved = false;
    ScaledModel trial = model;
    while (damping <= kMaxDamping) {
      const Step step = DampedStep(curvature, gradient, damping);
      if (step.allFinite()) {
        for (int k = 0; k < n; ++k)
          trial.Omega[k] = FoldFrequency(problem, model.Omega[k] + step(k));
        Solve(problem, trial, trialFit);
        if (trialFit.Objective < fit.Objective) {
          improved = true;
          break;
        }
      }
      damping *= 4;
    }
    if (!improved) break;
    damping = std::max(damping * 0.3, kMinDamping);
    const double before = fit.Objective;
    model = trial;
    std::swap(fit, trialFit);
    if (convergence.Done(before, fit.Objective, exact)) break;
  }
}

void RefineAll(const ScaledProblem& problem, ScaledModel& model, int maxIterations) {
  const int n = model.Count;
  const int parameters = 3 * n + problem.Extra;
  if (parameters == 0) {
    model.Objective = ScaledObjective(problem, model);
    return;
  }
  const double exact = kExactShare * TargetSize(problem);
  Vector residual;
  ModelResidual(problem, model, residual);
  model.Objective = residual.squaredNorm();
  if (!std::isfinite(model.Objective)) model.Objective = std::numeric_limits<double>::infinity();
  double damping = kInitialDamping;
  Convergence convergence;
  Matrix jacobian(problem.Count, parameters);
  for (int iteration = 0; iteration < maxIterations; ++iteration) {
    if (model.Objective <= exact) break;
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
    const Step gradient = jacobian.transpose() * residual;
    const Square curvature = jacobian.transpose() * jacobian;
    if (!gradient.allFinite() || !curvature.allFinite()) break;

    bool improved = false;
    ScaledModel trial = model;
    Vector trialResidual;
    while (damping <= kMaxDamping) {
      const Step step = DampedStep(curvature, gradient, damping);
      if (step.allFinite()) {
        for (int k = 0; k < n; ++k) {
          trial.Alpha[k] = model.Alpha[k] + step(3 * k);
          trial.Beta[k] = model.Beta[k] + step(3 * k + 1);
          trial.Omega[k] = model.Omega[k] + step(3 * k + 2);
        }
        for (int j = 0; j < problem.Extra; ++j) trial.Linear[j] = model.Linear[j] + step(3 * n + j);
        if (!InsideFold(problem, trial)) {
          damping *= 4;
          continue;
        }
        ModelResidual(problem, trial, trialResidual);
        const double objective = trialResidual.squaredNorm();
        if (objective < model.Objective) {
          trial.Objective = objective;
          improved = true;
          break;
        }
      }
      damping *= 4;
    }
    if (!improved) break;
    damping = std::max(damping * 0.3, kMinDamping);
    const double before = model.Objective;
    model = trial;
    residual = trialResidual;
    if (convergence.Done(before, model.Objective, exact)) break;
  }
}
