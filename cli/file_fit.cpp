#include "cli/file_fit.h"

#include <exception>

#include "base/run_time_fault.h"

FileFit FitDataFile(const std::string& path, const FitOptions& options) {
  FileFit result;
  result.Path = path;
  const DataOutcome data = result.Core.LoadFile(path);
  if (!data.Accepted) {
    result.Error = data.Error;
    result.ErrorNamesFile = data.ErrorNamesFile;
    return result;
  }
  FitRequest request;
  request.Harmonics = options.Harmonics;
  request.Depth = options.Depth;
  request.MinPeriod = options.MinPeriod;
  request.FixedSeeds = options.FixedSeeds;
  request.Seeds[0] = options.Seeds[0];
  request.Seeds[1] = options.Seeds[1];
  request.Constant = options.Constant;
  request.Trend = options.Trend;
  request.Periods = options.Periods;
  request.Sigma = options.Sigma;
  request.AbsoluteSigma = options.AbsoluteSigma;
  try {
    result.Fit = result.Core.Fit(request);
    if (RefineRuns(options)) {
      result.Refinement = result.Core.Refine(RefineOptions{});
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
