#pragma once

#include <cstddef>
#include <iterator>

#include "sine/sine_kernel.h"

// The code built once per instruction set, shared by the sine kernel and the search's tile
// screening: a constant table with one entry per SinKernel, in SinKernel's order
// (IndexedBySinKernel checks it at compile time), and the lookup of a path's entry.

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

// The entry of `kernel` in such a table or, where this CPU cannot run that path, the entry of
// the fastest one it can.
template <typename Entry>
const Entry& PathEntry(const Entry* table, SinKernel kernel) {
  return table[static_cast<int>(SinKernelSupported(kernel) ? kernel : BestSinKernel())];
}
