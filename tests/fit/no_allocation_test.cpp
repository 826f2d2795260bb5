#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "fit/engine_choice.h"
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

class NoAllocationTest : public FixedSeedTest {
 protected:
  // Allocations made by a fit of both models, and its redraws.
  static std::size_t AllocationsOfAFit(AppState& state,
                                       int& redraws,
                                       const EngineChoice& engine = {}) {
    state.Hooks.Redraw = [&redraws] { ++redraws; };
    const std::size_t before = gAllocations;
    FitBothModels(state, state.Controls.ComboBox1, engine);
    return gAllocations - before;
  }
};

TEST_F(NoAllocationTest, AFitOfBothModelsWithThePlainSearchAllocatesNothing) {
  EngineChoice plain;
  plain.Search = SearchMethod::Plain;
  AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, 30, 0, 0.3), 2, 300);
  int redraws = 0;
  EXPECT_EQ(AllocationsOfAFit(state, redraws, plain), 0u);
  EXPECT_GT(redraws, 4);
}

// 100 observations and 2 x 1500 trials: the first block is large enough to be shared with the
// second thread, the last is a partial one.
TEST_F(NoAllocationTest, AFitOfBothModelsWithTheBlockSearchAllocatesNothing) {
  for (int count : {30, 100}) {
    SCOPED_TRACE(count);
    AppState state = MakeState(MakeSineSample(3, 1.3, 0.4, count, 0, 0.3), 3, 1500);
    int redraws = 0;
    EXPECT_EQ(AllocationsOfAFit(state, redraws), 0u);
    EXPECT_GT(redraws, 4);
  }
}

}  // namespace
