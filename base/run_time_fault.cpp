#include "base/run_time_fault.h"

#include <cmath>

void RaiseFault(RunTimeFault::Kind kind) {
  switch (kind) {
    case RunTimeFault::Kind::DivisionByZero:
      throw RunTimeFault(kind, kDivisionByZeroText);
    case RunTimeFault::Kind::InvalidOperation:
      throw RunTimeFault(kind, kInvalidOperationText);
    case RunTimeFault::Kind::Overflow:
      throw RunTimeFault(kind, kOverflowText);
    case RunTimeFault::Kind::InputOutput:
      break;
  }
  throw RunTimeFault(RunTimeFault::Kind::InputOutput, kInputOutputText);
}

double CheckedDivide(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) RaiseFault(RunTimeFault::Kind::InvalidOperation);
  if (b == 0.0) {
    RaiseFault(a == 0.0 ? RunTimeFault::Kind::InvalidOperation
                        : RunTimeFault::Kind::DivisionByZero);
  }
  return CheckedValue(a / b);
}

double CheckedValue(double v) {
  if (std::isnan(v)) RaiseFault(RunTimeFault::Kind::InvalidOperation);
  if (std::isinf(v)) RaiseFault(RunTimeFault::Kind::Overflow);
  return v;
}
