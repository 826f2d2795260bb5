// harmora-fit: the window's fit from the command line, for batches and repeatable results.
#include <iostream>
#include <string>
#include <vector>

#include "cli/harmora_fit.h"
#include "cli/stop_signals.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  CatchStopSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunHarmoraFit(args, std::cout, std::cerr, LanguageFromEnvironment());
}
