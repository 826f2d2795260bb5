#pragma once

#include <stdexcept>
#include <string>

// A run-time fault of the kind the program reports with the default error box: a floating-point
// division by zero, an invalid operation, an overflow, or an I/O error. Raised at the places the
// design names and caught only at the window's handler wrapper.
class RunTimeFault : public std::runtime_error {
 public:
  enum class Kind { DivisionByZero, InvalidOperation, Overflow, InputOutput };
  RunTimeFault(Kind kind, const std::string& text) : std::runtime_error(text), FaultKind(kind) {}
  Kind FaultKind;
};

// The texts shown for the floating-point faults (UTF-8), in the interface's language.
inline constexpr const char* kDivisionByZeroText = "Деление на ноль в вычислениях";
inline constexpr const char* kInvalidOperationText = "Недопустимая операция в вычислениях";
inline constexpr const char* kOverflowText = "Переполнение: число вышло за пределы допустимого";
inline constexpr const char* kInputOutputText = "Ошибка ввода-вывода";

[[noreturn]] void RaiseFault(RunTimeFault::Kind kind);

// Returns a / b; raises DivisionByZero when b is 0 and a is a nonzero number, InvalidOperation
// for 0/0 or a NaN result, and Overflow when a finite quotient rounds to infinity.
double CheckedDivide(double a, double b);

// Returns v when it is finite; raises Overflow for an infinity and InvalidOperation for a NaN.
// Used where a sum or product of finite values first leaves the doubles.
double CheckedValue(double v);
