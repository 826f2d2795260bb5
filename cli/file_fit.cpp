#include "cli/file_fit.h"

#include <exception>

#include "base/run_time_fault.h"
#include "data/data_file_messages.h"
#include "data/data_file_reader.h"
#include "fit/fit_harmonics.h"

FileFit FitDataFile(const std::string& path, const FitOptions& options) {
  FileFit result;
  result.Path = path;
  AppState& state = result.State;
  state.DataPath = path;
  try {
    bool readFailed = false;
    LoadDataFile(path, state.Observations, readFailed);
    state.ReadFailed = readFailed;
    if (readFailed || state.Observations.LastIndex < 3) {
      result.Error = readFailed ? kUnreadableDataText : kTooShortDataText;
      return result;
    }
    PrepareData(state.Observations);
    if (options.MinPeriod > 0) state.Observations.MinPeriod = options.MinPeriod;
    state.Coefficients.HarmonicCount = static_cast<std::uint8_t>(options.Harmonics);
    state.Controls.UpDown1 = options.Harmonics;
    state.Controls.ComboBox1 = options.Depth;
    if (options.FixedSeeds) state.Random.Clock = SeedSequence(options.Seeds[0], options.Seeds[1]);
    FitBothModels(state);
    if (options.Refine) {
      result.Refinement = RefineBothModels(
          state.Observations, state.Coefficients, state.Observations.MinPeriod, RefineOptions{});
      result.Refined = true;
    }
    result.Fitted = true;
  } catch (const RunTimeFault& fault) {
    result.Error = fault.what();
    result.ErrorNamesFile = fault.FaultKind == RunTimeFault::Kind::InputOutput;
  } catch (const std::exception& fault) {
    result.Error = fault.what();
  }
  return result;
}
