#pragma once

#include <pybind11/pybind11.h>

#include <optional>
#include <utility>

// A Python callable called from engine threads: holds the GIL for the call, and keeps the first
// exception it raises to be raised again once the engine has returned (it then cancels).
class ProgressCallback {
 public:
  explicit ProgressCallback(pybind11::object function) : function_(std::move(function)) {}
  bool operator()(const char* stage, double fraction) {
    if (function_.is_none()) return true;
    pybind11::gil_scoped_acquire hold;
    if (error_) return false;
    try {
      const pybind11::object answer = function_(stage, fraction);
      return answer.is_none() || answer.cast<bool>();
    } catch (pybind11::error_already_set& raised) {
      error_.emplace(std::move(raised));
      return false;
    }
  }
  bool Cancelled() const { return cancelled_; }
  void Cancel() { cancelled_ = true; }
  void RaiseIfFailed() {
    if (error_) throw std::move(*error_);
  }

 private:
  pybind11::object function_;
  std::optional<pybind11::error_already_set> error_;
  bool cancelled_ = false;
};
