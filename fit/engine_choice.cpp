#include "fit/engine_choice.h"

EngineChoice Runnable(const EngineChoice& choice) {
  EngineChoice runs = choice;
  if (!SinKernelSupported(runs.SinePath)) runs.SinePath = BestSinKernel();
  if (!SinKernelSupported(runs.TilePath)) runs.TilePath = BestSinKernel();
  return runs;
}
