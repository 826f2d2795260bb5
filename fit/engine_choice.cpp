#include "fit/engine_choice.h"

#include "fit/fit_worker.h"
#include "fit/trial_block.h"

namespace {

// Applies choice; returns whether both paths could be forced.
bool Apply(const EngineChoice& choice) {
  SetSearchMethod(choice.Search);
  SetFitSineSource(choice.Sines);
  SetSecondThread(choice.SecondThread);
  const bool sine = ForceSinKernel(choice.SinePath);
  const bool tile = ForceTilePath(choice.TilePath);
  return sine && tile;
}

}  // namespace

EngineChoice EngineChoiceInUse() {
  return EngineChoice{SearchMethodInUse(),
                      FitSineSourceInUse(),
                      SinKernelInUse(),
                      TilePathInUse(),
                      SecondThreadInUse()};
}

ScopedEngineChoice::ScopedEngineChoice(const EngineChoice& choice)
    : previous_(EngineChoiceInUse()), applied_(Apply(choice)) {}

ScopedEngineChoice::~ScopedEngineChoice() { Apply(previous_); }
