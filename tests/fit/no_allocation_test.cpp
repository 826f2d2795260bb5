#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "fit/fit_harmonics.h"
#include "fit_test_support.h"

// Counts every allocation in this test program, so a fit can be shown to make none.
namespace {
std::size_t gAllocations = 0;
}

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class NoAllocationTest : public FixedSeedTest {};

TEST_F(NoAllocationTest, AFitOfBothModelsAllocatesNothing) {
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 30, 0, 0.3), 2, 300);
  int redraws = 0;
  state.Hooks.Redraw = [&redraws] { ++redraws; };

  const std::size_t before = gAllocations;
  FitBothModels(state);
  const std::size_t during = gAllocations - before;

  EXPECT_EQ(during, 0u);
  EXPECT_GT(redraws, 4);
}

}  // namespace
