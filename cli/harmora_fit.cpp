#include "cli/harmora_fit.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>

#include "base/run_time_fault.h"
#include "cli/cairo_plot.h"
#include "cli/file_fit.h"
#include "cli/fit_options.h"
#include "cli/fit_output.h"
#include "cli/help_text.h"
#include "cli/in_input_order.h"
#include "cli/predict_output.h"
#include "cli/progress_line.h"
#include "cli/stop_signals.h"
#include "cli/stream_input.h"
#include "cli/svg_plot.h"
#include "cli/table_fit.h"
#include "data/import_check.h"

namespace {

constexpr const char* kProgram = "harmora-fit";

// The predicted rows in place of the observations' (csv), or in the fit's JSON line.
void WritePrediction(const FileFit& fit,
                     const Prediction& prediction,
                     const FitOptions& options,
                     bool first,
                     std::ostream& out) {
  if (options.Format == OutputFormat::Json) {
    out << JsonLine(fit, options, PredictJson(prediction, options)) << '\n';
    return;
  }
  // A blank line between the files' blocks: gnuplot draws each series as a line of its own;
  // pandas, R and csv.DictReader skip it.
  out << (first ? PredictCsvHeader(options) : "\n");
  WriteCsvComments(fit, options, out);
  WritePredictCsv(fit, prediction, options, out);
}

// Writes one fitted file in the chosen format (with --predict, its prediction); returns false,
// having said why on err, when its results cannot be written.
bool WriteFit(const FileFit& fit,
              const FitOptions& options,
              const Prediction* prediction,
              bool first,
              std::ostream& out,
              std::ostream& err) {
  try {
    if (prediction) {
      WritePrediction(fit, *prediction, options, first, out);
      return true;
    }
    switch (options.Format) {
      case OutputFormat::Report:
        if (!first) out << '\n';
        WriteReportFormat(fit, options, out);
        break;
      case OutputFormat::Json:
        out << JsonLine(fit, options) << '\n';
        break;
      case OutputFormat::Csv:
        if (first) out << CsvHeader(options);
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

// A day given in days since 1970-01-01, as YYYY-MM-DD.
std::string IsoDay(double days) {
  const std::chrono::year_month_day date{
      std::chrono::sys_days(std::chrono::days(static_cast<long>(days)))};
  char iso[16] = {};
  std::snprintf(iso,
                sizeof iso,
                "%04d-%02u-%02u",
                static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()));
  return iso;
}

// The x axis's title by default: the column's name, with the days' origin where x was dates
// (an axis of 0 ... 3561 under "quarter" says nothing of where it starts).
std::string DefaultXTitle(const FileFit& fit, Language language) {
  const std::string name = fit.XName.empty() ? "x" : fit.XName;
  if (!fit.XIsDate) return name;
  const bool russian = language == Language::Russian;
  if (fit.XTimesOfDay) return name + (russian ? ", сутки от 00:00" : ", days since 00:00");
  return name + (russian ? ", сутки от " : ", days since ") + IsoDay(fit.XOrigin);
}

// The plot's look: the options' size and theme, and their titles or else the table's column
// names (x's with its days' origin), or "x" and "y".
PlotLook PlotLookOf(const FileFit& fit, const FitOptions& options, Language language) {
  PlotLook look = options.Plot;
  look.XTitle = options.XTitle.value_or(DefaultXTitle(fit, language));
  look.YTitle = options.YTitle.value_or(fit.YName.empty() ? "y" : fit.YName);
  const ModelTerms& terms = fit.Core.Terms();
  if (terms.Constant || terms.Trend) look.Models = fit.Fit.Models;
  return look;
}

// Writes the fit's plot to the --plot file; returns false, having said why on err, when it
// cannot be drawn or written.
bool WritePlot(const FileFit& fit,
               const FitOptions& options,
               Language language,
               std::ostream& err) {
  const PlotLook look = PlotLookOf(fit, options, language);
  std::string bytes;
  try {
    bytes = options.PlotKind == PlotFormat::Svg
                ? PlotSvgText(fit.Core.State(), look)
                : CairoPlotBytes(fit.Core.State(), look, options.PlotKind);
  } catch (const RunTimeFault& fault) {
    err << kProgram << ": " << options.PlotPath << ": " << FaultText(fault, options.Messages)
        << '\n';
    return false;
  }
  if (bytes.empty()) {
    err << kProgram << ": " << options.PlotPath << ": "
        << Say(options.Messages,
               "Cairo could not draw the plot",
               "Cairo не смогла нарисовать график")
        << '\n';
    return false;
  }
  std::ofstream file(options.PlotPath, std::ios::binary);
  file << bytes;
  file.close();
  if (!file) {
    err << kProgram << ": " << options.PlotPath << ": "
        << Say(options.Messages, "cannot be written", "не удаётся записать") << '\n';
    return false;
  }
  return true;
}

// "x is days since 00:00 of 1880-01-01 (periods in days)" for an x read from dates.
std::string DaysNote(double originDays, bool timesOfDay, Language language) {
  if (timesOfDay) {
    return language == Language::Russian
               ? "x — сутки от 00:00 (время суток без даты; периоды в сутках)"
               : "x is days since 00:00 (times of day without a date; periods in days)";
  }
  const std::string iso = IsoDay(originDays);
  return language == Language::Russian
             ? std::string("x — сутки от 00:00 ") + iso + " (периоды в сутках)"
             : std::string("x is days since 00:00 of ") + iso + " (periods in days)";
}

// Why the output could not be written: the system's reason (disk full, broken pipe).
std::string OutputFault(int error, Language language) {
  std::string text =
      Say(language, "the results cannot be written: ", "не удаётся записать результаты: ");
  text += error != 0 ? std::strerror(error) : Say(language, "output error", "ошибка вывода");
  return text;
}

std::string StopText(int signal, std::size_t written, Language language) {
  const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
  return Say(language, "stopped by ", "остановлено по ") + std::string(name) +
         Say(language, " after ", " после ") + std::to_string(written) +
         Say(language, " results written", " записанных результатов");
}

// "3 rows left out for ...": the cells a table's series lost, in the chosen language.
std::string LeftOutText(const FileFit& fit, Language language) {
  const std::int64_t n = fit.RowsLeftOut;
  if (language == Language::Russian) {
    return (fit.LeftOutCells
                ? RussianCount(n, "ячейка пропущена", "ячейки пропущены", "ячеек пропущено")
                : RussianCount(n, "строка пропущена", "строки пропущены", "строк пропущено")) +
           ": пустая ячейка, NA, нечитаемое значение или код пропуска";
  }
  return std::to_string(n) +
         (fit.LeftOutCells ? (n == 1 ? " value" : " values") : (n == 1 ? " row" : " rows")) +
         " left out for an empty, NA or unreadable cell or a missing-value code";
}

// One run over the files: each fit's messages and results written in the order given, every
// write checked, and the run ended early, once said why, by a failed output or a stop signal.
class BatchRun {
 public:
  BatchRun(const FitOptions& options, std::ostream& out, std::ostream& err, Language language)
      : options_(options), out_(out), err_(err), language_(language) {
    // One fit at a time: a single file of a single series.
    options_.ShowProgress = ProgressWanted(options.Quiet) && options.Files.size() == 1 &&
                            !options.AllColumns && options.YColumns.size() <= 1;
  }

  // The files read as tables (or as pairs where they have no columns): one at a time, its
  // series handed on as they are done (side by side within it); a batch side by side, each
  // file's series kept until they are written.
  void FitTables() {
    const std::vector<std::string>& files = options_.Files;
    const bool stream = std::any_of(files.begin(), files.end(), IsStreamInput);
    const int threads = SideBySideFits(stream ? 1 : files.size()).Threads;
    const auto write = [this](std::unique_ptr<FileFit> fit) { Handle(*fit); };
    if (threads <= 1) {
      for (const std::string& path : files) {
        if (!Going()) return;
        FitTableFile(path, options_, write);
      }
      return;
    }
    using Fits = std::vector<std::unique_ptr<FileFit>>;
    InInputOrder(
        files.size(),
        threads,
        [&](std::size_t i) {
          Fits fits;
          if (StopSignal()) return fits;  // not fitted, not written
          FitTableFile(files[i], options_, [&fits](std::unique_ptr<FileFit> fit) {
            fits.push_back(std::move(fit));
          });
          return fits;
        },
        [&](Fits fits) {
          for (const auto& fit : fits) Handle(*fit);
        });
  }

  // The files read as the window reads them: side by side, one per CPU the process may use, each
  // fit on one thread, written in the order given. A stream can be read only once, so a batch
  // that holds one is fitted in turn.
  void FitPairs() {
    const std::vector<std::string>& files = options_.Files;
    const bool stream = std::any_of(files.begin(), files.end(), IsStreamInput);
    const SideBySide run = SideBySideFits(stream ? 1 : files.size());
    InInputOrder(
        files.size(),
        run.Threads,
        [&](std::size_t i) {
          if (StopSignal()) return std::make_unique<FileFit>();  // not fitted, not written
          return std::make_unique<FileFit>(FitDataFile(files[i], options_, run.Engine));
        },
        [&](std::unique_ptr<FileFit> fit) { Handle(*fit); });
  }

  // The exit status, once everything is written: a late signal changes nothing.
  int Finish() {
    Going(false);
    return status_;
  }

 private:
  // Flushes what was written and says, once, why the run ends early; false when it must.
  bool Going(bool stoppable = true) {
    if (ended_) return false;
    out_.flush();
    if (!out_) {
      err_ << kProgram << ": " << OutputFault(errno, language_) << '\n';
      End(kFitOutputFailed);
    } else if (const int signal = stoppable ? StopSignal() : 0) {
      err_ << kProgram << ": " << StopText(signal, written_, language_) << '\n';
      End(128 + signal);
    }
    return !ended_;
  }

  void End(int status) {
    status_ = status;
    ended_ = true;
  }

  // What is said on standard error before a file's results: how it was read, its notices.
  void SayReading(const FileFit& fit, const std::string& name) {
    if (!fit.Note.empty()) err_ << kProgram << ": " << fit.Path << ": " << fit.Note << '\n';
    // Dates become days: say so, or a period of 54,855 reads as years.
    if (fit.XIsDate && fit.Fitted) {
      err_ << kProgram << ": " << name << ": " << DaysNote(fit.XOrigin, fit.XTimesOfDay, language_)
           << '\n';
    }
    for (const FileNotice& notice : fit.Notices) {
      err_ << kProgram << ": " << fit.Path << ':' << notice.Line << ": " << notice.Text << '\n';
    }
    if (fit.RowsLeftOut > 0) {
      err_ << kProgram << ": " << name << ": " << LeftOutText(fit, language_) << '\n';
    }
  }

  void Handle(const FileFit& fit) {
    if (!Going()) return;  // also keeps the order of the two streams on a terminal
    errno = 0;             // a failed write below leaves its reason
    const std::string name = fit.Series.empty() ? fit.Path : fit.Path + " [" + fit.Series + "]";
    SayReading(fit, name);
    if (!fit.Fitted) {
      err_ << kProgram << ": " << (fit.ErrorNamesFile ? "" : name + ": ") << fit.Error << '\n';
      if (options_.Format == OutputFormat::Json) out_ << RefusedJsonLine(fit, options_) << '\n';
      status_ = kFitFileFailed;
      Going();
      return;
    }
    for (const std::string& note : LevelNotes(fit, options_)) {
      err_ << kProgram << ": " << name << ": " << note << '\n';
    }
    std::optional<Prediction> prediction;
    if (!options_.Predict.empty()) prediction = Predicted(fit, name);
    if (!WriteFit(fit, options_, prediction ? &*prediction : nullptr, first_, out_, err_)) {
      status_ = kFitFileFailed;
    }
    if (!options_.PlotPath.empty() && !WritePlot(fit, options_, language_, err_)) {
      status_ = kFitFileFailed;
    }
    first_ = false;
    ++written_;
    Going();
  }

  // The fit's prediction, its notes and any error said on err (an error fails the file).
  Prediction Predicted(const FileFit& fit, const std::string& name) {
    Prediction prediction = PredictFit(fit, options_);
    if (!prediction.Error.empty()) {
      err_ << kProgram << ": " << name << ": " << prediction.Error << '\n';
      status_ = kFitFileFailed;
    }
    for (const ModelPrediction& model : prediction.Models) {
      if (!model.Note.empty()) err_ << kProgram << ": " << name << ": " << model.Note << '\n';
    }
    return prediction;
  }

  FitOptions options_;  // the caller's, with ShowProgress decided here
  std::ostream& out_;
  std::ostream& err_;
  const Language language_;
  int status_ = kFitAllDone;
  bool first_ = true;
  bool ended_ = false;  // the output failed or a stop signal came: nothing more is written
  std::size_t written_ = 0;
};

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
  FitOptions options = parsed.Options;
  if (options.Help) {
    out << HelpText(language);
    return kFitAllDone;
  }
  if (options.Version) {
    out << kProgram << ' ' << HARMORA_VERSION << '\n';
    return kFitAllDone;
  }
  if (!options.Predict.empty() && !options.PredictIsRange) {  // read once, before any fit
    PredictFile file = ReadPredictFile(options.Predict, options.DecimalComma, language);
    if (!file.Error.empty()) {
      err << kProgram << ": --predict " << file.Error << '\n';
      return kFitUsageError;
    }
    options.PredictAt = std::move(file.Points);
  }
  BatchRun run(options, out, err, language);
  if (options.Table) {
    run.FitTables();
  } else {
    run.FitPairs();
  }
  return run.Finish();
}
