#include "cli/harmora_fit.h"

#include <exception>

#include "base/run_time_fault.h"
#include "cli/file_fit.h"
#include "cli/fit_options.h"
#include "cli/fit_output.h"

namespace {

constexpr const char* kProgram = "harmora-fit";

// Writes one fitted file in the chosen format; returns false, having said why on err, when its
// results cannot be written.
bool WriteFit(const FileFit& fit,
              const FitOptions& options,
              bool first,
              std::ostream& out,
              std::ostream& err) {
  try {
    switch (options.Format) {
      case OutputFormat::Report:
        if (!first) out << '\n';
        WriteReportFormat(fit, options, out);
        break;
      case OutputFormat::Json:
        out << JsonLine(fit, options) << '\n';
        break;
      case OutputFormat::Csv:
        if (first) out << CsvHeader();
        WriteCsvFormat(fit, options, out);
        break;
    }
  } catch (const RunTimeFault& fault) {
    out.flush();
    err << kProgram << ": " << fit.Path << ": " << FaultText(fault, options.Messages) << '\n';
    return false;
  } catch (const std::exception& fault) {
    out.flush();
    err << kProgram << ": " << fit.Path << ": " << fault.what() << '\n';
    return false;
  }
  return true;
}

}  // namespace

int RunHarmoraFit(const std::vector<std::string>& args,
                  std::ostream& out,
                  std::ostream& err,
                  Language language) {
  const ParsedOptions parsed = ParseFitOptions(args, language);
  if (!parsed.Error.empty()) {
    err << kProgram << ": " << parsed.Error << '\n'
        << Say(language, "Try 'harmora-fit --help'.", "Справка: harmora-fit --help") << '\n';
    return kFitUsageError;
  }
  const FitOptions& options = parsed.Options;
  if (options.Help) {
    out << HelpText();
    return kFitAllDone;
  }
  if (options.Version) {
    out << kProgram << ' ' << HARMORA_VERSION << '\n';
    return kFitAllDone;
  }
  int status = kFitAllDone;
  bool first = true;
  for (const std::string& path : options.Files) {
    const FileFit fit = FitDataFile(path, options);
    out.flush();  // keeps the order of the two streams on a terminal
    for (const FileNotice& notice : fit.Notices) {
      err << kProgram << ": " << path << ':' << notice.Line << ": " << notice.Text << '\n';
    }
    if (!fit.Fitted) {
      err << kProgram << ": ";
      if (!fit.ErrorNamesFile) err << path << ": ";
      err << fit.Error << '\n';
      if (options.Format == OutputFormat::Json) out << RefusedJsonLine(fit) << '\n';
      status = kFitFileFailed;
      continue;
    }
    if (!WriteFit(fit, options, first, out, err)) status = kFitFileFailed;
    first = false;
  }
  out.flush();
  return status;
}
