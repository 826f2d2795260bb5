#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

inline constexpr int kObservationCapacity = 100;

// One double per observation. Up to kObservationCapacity (the window's hundred) they are held in
// the object itself, so the window's data, their copies and a fit over them touch no heap; above
// that they move to the heap. Reads as the plain array it stands for (indexing, and a pointer to
// the first row). RowArray{} starts with zeros; RowArray(count) leaves its rows unset, for
// scratch rows that are written before they are read.
class RowArray {
 public:
  RowArray() = default;
  explicit RowArray(int count) { Reserve(count); }

  // Makes room for `count` rows; the rows held keep their values. Never shrinks.
  void Reserve(int count) {
    if (count <= Capacity()) return;
    if (heap_.empty()) heap_.assign(inline_, inline_ + kObservationCapacity);
    heap_.resize(static_cast<std::size_t>(count));
  }
  int Capacity() const {
    return heap_.empty() ? kObservationCapacity : static_cast<int>(heap_.size());
  }

  double* data() { return heap_.empty() ? inline_ : heap_.data(); }
  const double* data() const { return heap_.empty() ? inline_ : heap_.data(); }
  double& operator[](std::ptrdiff_t i) { return data()[i]; }
  const double& operator[](std::ptrdiff_t i) const { return data()[i]; }
  operator double*() { return data(); }
  operator const double*() const { return data(); }

 private:
  double inline_[kObservationCapacity];
  std::vector<double> heap_;
};
