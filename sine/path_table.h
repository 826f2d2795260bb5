#pragma once

#include <atomic>
#include <cstddef>

#include "sine/sine_kernel.h"

// The run-time choice among code built once per instruction set, shared by the sine kernel and
// the search's tile screening: a constant table with one entry per SinKernel, in SinKernel's
// order (IndexedBySinKernel checks it at compile time), and the entry in use, picked on first
// use as the fastest the CPU supports.

// True when entry i of the table is the one for SinKernel i, for every path. Entry needs a
// `SinKernel Kernel` field.
template <typename Entry, std::size_t Count>
consteval bool IndexedBySinKernel(const Entry (&paths)[Count]) {
  constexpr SinKernel kAll[] = {SinKernel::Sse2, SinKernel::Avx2, SinKernel::Avx512};
  if (Count != std::size(kAll)) return false;
  for (std::size_t i = 0; i < Count; ++i) {
    if (paths[i].Kernel != kAll[i]) return false;
  }
  return true;
}

template <typename Entry>
class PathChoice {
 public:
  // table must hold one entry per SinKernel, in order, and outlive the choice.
  constexpr explicit PathChoice(const Entry* table) : table_(table) {}

  // The entry in use. Relaxed is enough: the table is constant, every entry gives the same
  // results within its contract, and the choice only changes between uses.
  const Entry& Active() {
    const Entry* entry = active_.load(std::memory_order_relaxed);
    if (entry == nullptr) {
      entry = &table_[static_cast<int>(BestSinKernel())];
      active_.store(entry, std::memory_order_relaxed);
    }
    return *entry;
  }

  // Uses the entry of `kernel` from now on; false, and no change, when the CPU cannot run it.
  bool Force(SinKernel kernel) {
    if (!SinKernelSupported(kernel)) return false;
    active_.store(&table_[static_cast<int>(kernel)], std::memory_order_relaxed);
    return true;
  }

 private:
  const Entry* table_;
  std::atomic<const Entry*> active_{nullptr};  // null until first use
};
