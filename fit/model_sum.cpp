#include "fit/model_sum.h"

#include <cmath>

double ModelSum(const double* a, const double* b, const double* c, int count, double x) {
  double s = 0;
  for (int k = 0; k < count; ++k) s += a[k] * std::sin(b[k] * x + c[k]);
  return s;
}
