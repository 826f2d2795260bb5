#pragma once

#include <functional>
#include <stdexcept>

// A fit stopped because its caller asked it to (Ctrl-C, a progress dialog's cancel): not a fault.
// The search raises it from its checks between blocks of work; what the fit had reached is not a
// result.
class FitCancelled : public std::runtime_error {
 public:
  FitCancelled() : std::runtime_error("cancelled") {}
};

// The caller's request to stop, asked now and then from the search's threads, possibly two at
// once: it must be safe to call concurrently (read an atomic). Empty: never cancelled.
using CancelCheck = std::function<bool()>;

inline void StopIfCancelled(const CancelCheck& cancelled) {
  if (cancelled && cancelled()) throw FitCancelled();
}
