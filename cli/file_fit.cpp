#include "cli/file_fit.h"

#include <algorithm>
#include <exception>
#include <iostream>
#include <optional>

#include "base/run_time_fault.h"
#include "cli/progress_line.h"
#include "cli/stop_signals.h"
#include "cli/stream_input.h"
#include "data/data_file_messages.h"
#include "fit/fit_worker.h"

namespace {

// Why the reader refused the file, in the chosen language.
std::string RefusalText(const DataOutcome& data, Language language) {
  if (!data.ReadFailed) {
    return Say(language, "the file must hold at least 4 pairs (8 numbers)", kTooShortDataText);
  }
  const std::string cause = UnreadableCause(data.Findings, language);
  const std::string text =
      Say(language, "the numbers of the file cannot be read", kUnreadableDataText);
  return cause.empty() ? text : text + " (" + cause + ")";
}

// A refusal for a fault, which the engine passes on as the fault's text: in the chosen language.
std::string LoadFaultText(const DataOutcome& data, Language language) {
  if (data.ErrorNamesFile) {
    return FaultText(RunTimeFault(RunTimeFault::Kind::InputOutput, data.Error), language);
  }
  const struct {
    const char* Text;
    RunTimeFault::Kind Kind;
  } faults[] = {{kDivisionByZeroText, RunTimeFault::Kind::DivisionByZero},
                {kInvalidOperationText, RunTimeFault::Kind::InvalidOperation},
                {kOverflowText, RunTimeFault::Kind::Overflow}};
  for (const auto& fault : faults) {
    if (data.Error == fault.Text) return FaultText(RunTimeFault(fault.Kind, data.Error), language);
  }
  return data.Error;
}

// A file with NUL bytes is no text (a zip archive such as an xlsx or ods workbook, an image):
// the digits the reader picks out of it are not data, so it is refused rather than fitted. The
// notice before says where the first NUL stands.
bool NotText(const std::vector<FileNotice>& notices) {
  return std::any_of(notices.begin(), notices.end(), [](const FileNotice& notice) {
    return notice.Kind == "nul_bytes";
  });
}

std::string NotTextText(const ImportReport& findings, Language language) {
  if (findings.Prefix.starts_with("PK\x03\x04")) {
    return Say(language,
               "not fitted: the file is a zip archive (an xlsx or ods workbook?), not text; save "
               "the sheet as CSV and fit it with --table",
               "не подобран: файл — zip-архив (книга xlsx или ods?), а не текст; сохраните лист "
               "как CSV и подберите его с --table");
  }
  return Say(language,
             "not fitted: the numbers read from a file that is not text are not data",
             "не подобран: числа, прочитанные из файла, который не текст, — не данные");
}

}  // namespace

FileFit FitDataFile(const std::string& path,
                    const FitOptions& options,
                    const EngineChoice& engine,
                    const std::string* bytes) {
  FileFit result;
  result.Path = path;
  DataOutcome data;
  if (bytes) {
    data = result.Core.LoadBytes(*bytes, path);
  } else if (IsStreamInput(path)) {
    try {
      data = result.Core.LoadBytes(ReadStreamInput(path), path);
    } catch (const RunTimeFault& fault) {
      data.Error = fault.what();
      data.ErrorNamesFile = true;
    }
  } else {
    data = result.Core.LoadFile(path);
  }
  result.Notices = ImportNotices(data.Findings, options.Messages);
  if (NotText(result.Notices)) {
    result.Error = NotTextText(data.Findings, options.Messages);
    return result;
  }
  if (!data.Accepted) {
    result.ErrorNamesFile = data.ErrorNamesFile;
    // The reader's own refusals are said in the chosen language, a fault's text as it is.
    const bool readerRefused = data.Error == kUnreadableDataText || data.Error == kTooShortDataText;
    result.Error =
        readerRefused ? RefusalText(data, options.Messages) : LoadFaultText(data, options.Messages);
    return result;
  }
  if (options.Strict && !result.Notices.empty()) {
    result.Error = Say(options.Messages,
                       "refused by --strict: the import check found what is said above",
                       "отклонён по --strict: проверка чтения нашла сказанное выше");
    return result;
  }
  FitRequest request = SeriesRequest(ManyRequestOf(options), 0);
  request.FixedSeeds = options.FixedSeeds;
  request.Engine = engine;
  FitHeldData(result, request, options);
  return result;
}

SideBySide SideBySideFits(std::size_t items) {
  SideBySide run;
  run.Threads =
      static_cast<int>(std::max<std::size_t>(1, std::min<std::size_t>(UsableCpus(), items)));
  run.Engine.SecondThread = run.Threads <= 1;
  return run;
}

ManyRequest ManyRequestOf(const FitOptions& options) {
  ManyRequest many;
  many.Harmonics = options.Harmonics;
  many.Depth = options.Depth;
  many.Search = options.Search;
  many.MinPeriod = options.MinPeriod;
  many.Seeds[0] = options.Seeds[0];
  many.Seeds[1] = options.Seeds[1];
  many.Refine = RefineRuns(options);
  if (options.RefineBudget > 0) many.RefineBudget = options.RefineBudget;
  many.Constant = options.Constant;
  many.Trend = options.Trend;
  many.Periods = options.Periods;
  many.Sigma = options.Sigma;
  many.AbsoluteSigma = options.AbsoluteSigma;
  for (int m = 0; m < 2; ++m) many.Models[m] = ModelWanted(options, m);
  return many;
}

void FitHeldData(FileFit& result, const FitRequest& given, const FitOptions& options) {
  // Ctrl-C stops a long fit where it stands; the batch then ends without writing it.
  FitRequest request = given;
  std::optional<ProgressLine> progress;
  if (options.ShowProgress) {
    progress.emplace(std::cerr, result.Path, options.Messages == Language::Russian);
  }
  request.Cancelled = [&progress] {
    if (progress) progress->Searching();
    return StopSignal() != 0;
  };
  try {
    result.Fit = result.Core.Fit(request);
    if (RefineRuns(options)) {
      RefineOptions refine;
      if (options.RefineBudget > 0) refine.StartBudget = options.RefineBudget;
      refine.Progress = [&progress](double fraction) {
        if (progress) progress->Refining(fraction);
        return StopSignal() == 0;
      };
      result.Refinement = result.Core.Refine(refine);
      result.Refined = true;
      if (options.CompareCounts) {
        result.Counts = CompareHarmonicCounts(result.Core, request, refine);
        result.Compared = true;
      }
    }
    result.Fitted = true;
  } catch (const RunTimeFault& fault) {
    result.Error = FaultText(fault, options.Messages);
    result.ErrorNamesFile = fault.FaultKind == RunTimeFault::Kind::InputOutput;
  } catch (const std::exception& fault) {
    result.Error = fault.what();
  }
}
