#include "export/model_value.h"

#include <cmath>

namespace {

double SineSum(const double* a, const double* b, const double* c, int count, double x) {
  double s = 0;
  for (int k = 0; k < count; ++k) s += a[k] * std::sin(b[k] * x + c[k]);
  return s;
}

}  // namespace

double ModelOneValue(const CoefficientTable& table, double x) {
  return SineSum(table.A, table.B, table.C, table.HarmonicCount, x);
}

double ModelTwoValue(const CoefficientTable& table, double x) {
  const double s = SineSum(table.A2, table.B2, table.C2, table.HarmonicCount, x);
  return s * s;
}
