#include "cli/fit_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "cli/cairo_plot.h"

namespace {

constexpr int kMaxHarmonicCount = 5;  // the coefficient table's capacity

// A whole decimal number in [low, high], nothing before or after it.
std::optional<std::int64_t> ParseInteger(std::string_view text,
                                         std::int64_t low,
                                         std::int64_t high) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
  return value;
}

// A finite positive decimal number, full stop as the decimal point whatever the locale.
std::optional<double> ParsePositive(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value) || !(value > 0)) {
    return std::nullopt;
  }
  return value;
}

// "S1" or "S1,S2", each an unsigned 32-bit number; S2 defaults to S1 + 1 (mod 2^32).
bool ParseSeeds(std::string_view text, std::uint32_t seeds[2]) {
  constexpr std::int64_t kMaxSeed = 4294967295;
  const std::size_t comma = text.find(',');
  const auto first = ParseInteger(text.substr(0, comma), 0, kMaxSeed);
  if (!first) return false;
  seeds[0] = static_cast<std::uint32_t>(*first);
  seeds[1] = seeds[0] + 1u;  // wraps modulo 2^32
  if (comma == std::string_view::npos) return true;
  const auto second = ParseInteger(text.substr(comma + 1), 0, kMaxSeed);
  if (!second) return false;
  seeds[1] = static_cast<std::uint32_t>(*second);
  return true;
}

std::string DepthList() {
  std::string list;
  for (const int depth : kSearchDepths) {
    if (!list.empty()) list += ", ";
    list += std::to_string(depth);
  }
  return list;
}

// text in quotes: 'text' in English, «text» in Russian.
std::string Quote(Language language, std::string_view text) {
  const bool russian = language == Language::Russian;
  std::string quoted = russian ? "«" : "'";  // appended: GCC 12 warns wrongly on the sum
  quoted += text;
  quoted += russian ? "»" : "'";
  return quoted;
}

// The plot's format from the file name's ending, in either case; none for another ending.
std::optional<PlotFormat> PlotFormatOf(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || path.size() - dot != 4) return std::nullopt;
  std::string ending;
  for (const char ch : path.substr(dot + 1)) ending += static_cast<char>(ch | 0x20);
  if (ending == "svg") return PlotFormat::Svg;
  if (ending == "png") return PlotFormat::Png;
  if (ending == "pdf") return PlotFormat::Pdf;
  return std::nullopt;
}

// "WxH", each side a whole number of pixels in the allowed range.
bool ParsePlotSize(std::string_view text, PlotLook& look) {
  const std::size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  const auto width = ParseInteger(text.substr(0, x), kMinPlotSide, kMaxPlotSide);
  const auto height = ParseInteger(text.substr(x + 1), kMinPlotSide, kMaxPlotSide);
  if (!width || !height) return false;
  look.Width = static_cast<int>(*width);
  look.Height = static_cast<int>(*height);
  return true;
}

// Applies --plot, --plot-size, --plot-theme, --x-title or --y-title; returns the error text,
// empty when it is accepted.
std::string ApplyPlotOption(FitOptions& options, std::string_view name, std::string_view value) {
  const Language l = options.Messages;
  const std::string shown = Quote(l, value);
  if (name == "plot") {
    const std::optional<PlotFormat> format = PlotFormatOf(value);
    if (!format) {
      return Say(l,
                 "the plot is written as FILE.svg, FILE.png or FILE.pdf, not ",
                 "график пишется в ФАЙЛ.svg, ФАЙЛ.png или ФАЙЛ.pdf, а не ") +
             shown;
    }
    if (*format != PlotFormat::Svg && !CairoPlotBuilt()) {
      return Say(l,
                 "this harmora-fit is built without Cairo, which PNG and PDF plots need: "
                 "write FILE.svg",
                 "эта сборка harmora-fit собрана без Cairo, а без неё графики PNG и PDF не "
                 "пишутся: укажите ФАЙЛ.svg");
    }
    options.PlotPath = value;
    options.PlotKind = *format;
  } else if (name == "plot-size") {
    if (!ParsePlotSize(value, options.Plot)) {
      return Say(l,
                 "the plot size must be WxH in pixels, each 100 to 4000, not ",
                 "размер графика должен быть ШxВ в пикселях, каждый от 100 до 4000, а не ") +
             shown;
    }
  } else if (name == "plot-theme") {
    if (value != "dark" && value != "light") {
      return Say(l,
                 "the plot theme must be dark or light, not ",
                 "тема графика должна быть dark или light, а не ") +
             shown;
    }
    options.Plot.Theme = value == "light" ? PlotTheme::Light : PlotTheme::Dark;
  } else {
    (name == "x-title" ? options.XTitle : options.YTitle) = value;
  }
  if (name != "plot") options.PlotLookGiven = true;
  return {};
}

// Applies an option whose value is a number (the harmonics, the depth, a period, sigma, the
// budget); returns the error text, empty when it is accepted.
std::string ApplyNumber(FitOptions& options, std::string_view name, std::string_view value) {
  const Language l = options.Messages;
  const std::string shown = Quote(l, value);
  if (name == "harmonics") {
    const auto n = ParseInteger(value, 1, kMaxHarmonicCount);
    if (!n) {
      return Say(l,
                 "the number of harmonics must be 1 to 5, not ",
                 "число гармоник должно быть от 1 до 5, а не ") +
             shown;
    }
    options.Harmonics = static_cast<int>(*n);
  } else if (name == "depth") {
    const auto d = ParseInteger(value, 1, kSearchDepths[std::size(kSearchDepths) - 1]);
    if (!d || std::find(std::begin(kSearchDepths), std::end(kSearchDepths), *d) ==
                  std::end(kSearchDepths)) {
      return Say(l, "the search depth must be one of ", "глубина поиска должна быть одной из ") +
             DepthList() + Say(l, ", not ", ", а не ") + shown;
    }
    options.Depth = static_cast<int>(*d);
  } else if (name == "min-period") {
    const auto p = ParsePositive(value);
    if (!p) {
      return Say(l,
                 "the minimum period must be a positive number, not ",
                 "минимальный период должен быть положительным числом, а не ") +
             shown;
    }
    options.MinPeriod = *p;
  } else if (name == "refine-budget") {
    const auto b = ParsePositive(value);
    if (!b || *b > kMaxRefineBudget) {
      return Say(l,
                 "the refinement's budget must be a number above 0 and at most 1000, not ",
                 "бюджет уточнения должен быть числом больше 0 и не больше 1000, а не ") +
             shown;
    }
    options.RefineBudget = *b;
  } else if (name == "period") {
    const auto p = ParsePositive(value);
    if (!p) {
      return Say(l,
                 "a known period must be a positive number, not ",
                 "известный период должен быть положительным числом, а не ") +
             shown;
    }
    if (options.Periods.size() >= static_cast<std::size_t>(kMaxHarmonicCount)) {
      return Say(l, "at most 5 known periods can be given", "можно задать не более 5 периодов");
    }
    options.Periods.push_back(*p);
  } else if (name == "band") {
    const auto b = ParsePositive(value);
    if (!b || *b >= 1) {
      return Say(l,
                 "the band's level must be above 0 and below 1 (such as 0.95), not ",
                 "уровень полосы должен быть больше 0 и меньше 1 (например, 0.95), а не ") +
             shown;
    }
    options.BandLevel = *b;
    options.BandGiven = true;
  } else if (name == "sigma") {
    const auto p = ParsePositive(value);
    if (!p) {
      return Say(l,
                 "sigma must be a positive number, not ",
                 "сигма должна быть положительным числом, а не ") +
             shown;
    }
    options.Sigma = *p;
  }
  return {};
}

// Applies --seed, --search, --model or --format; returns the error text, empty when accepted.
std::string ApplyChoice(FitOptions& options, std::string_view name, std::string_view value) {
  const Language l = options.Messages;
  const std::string shown = Quote(l, value);
  if (name == "seed") {
    if (!ParseSeeds(value, options.Seeds)) {
      return Say(l,
                 "the seeds must be S1 or S1,S2, each 0 to 4294967295, not ",
                 "затравки должны быть S1 или S1,S2, каждая от 0 до 4294967295, а не ") +
             shown;
    }
    options.FixedSeeds = true;
  } else if (name == "search") {
    const std::optional<SearchKind> search = SearchNamed(value);
    if (!search || *search == SearchKind::Auto) {
      return Say(l,
                 "the search must be random or periodogram, not ",
                 "поиск должен быть random или periodogram, а не ") +
             shown;
    }
    options.Search = *search;
  } else if (name == "model") {
    if (value != "1" && value != "2" && value != "both") {
      return Say(l,
                 "the model must be 1, 2 or both, not ",
                 "модель должна быть 1, 2 или both, а не ") +
             shown;
    }
    options.Models = value == "1"   ? ModelChoice::Sum
                     : value == "2" ? ModelChoice::SquaredSum
                                    : ModelChoice::Both;
  } else if (name == "format") {
    options.FormatGiven = true;
    if (value == "report") {
      options.Format = OutputFormat::Report;
    } else if (value == "json") {
      options.Format = OutputFormat::Json;
    } else if (value == "csv") {
      options.Format = OutputFormat::Csv;
    } else {
      return Say(l,
                 "the format must be report, json or csv, not ",
                 "формат должен быть report, json или csv, а не ") +
             shown;
    }
  }
  return {};
}

// Applies one option with its value; returns the error text, empty when it is accepted.
std::string Apply(FitOptions& options, std::string_view name, std::string_view value) {
  static constexpr std::string_view kNumbers[] = {
      "harmonics", "depth", "min-period", "refine-budget", "period", "sigma", "band"};
  static constexpr std::string_view kPlot[] = {
      "plot", "plot-size", "plot-theme", "x-title", "y-title"};
  const auto among = [name](const auto& names) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
  };
  if (among(kNumbers)) return ApplyNumber(options, name, value);
  if (among(kPlot)) return ApplyPlotOption(options, name, value);
  if (name == "x-column") {
    options.XColumn = value;
  } else if (name == "y-column") {
    options.YColumns.emplace_back(value);
  } else if (name == "sigma-column") {
    options.SigmaColumn = value;
  } else if (name == "predict") {
    options.Predict = value;
    options.PredictIsRange = IsPredictRange(options.Predict);
    if (!options.PredictIsRange) return {};
    PredictRange range = ParsePredictRange(value, options.Messages);
    options.PredictAt.X = std::move(range.X);
    options.PredictAt.Dates = range.Dates;
    return range.Error;
  } else {
    return ApplyChoice(options, name, value);
  }
  return {};
}

// The long name of an option that takes a value, from its long or short spelling; empty when
// the option takes none or is unknown.
std::string_view ValueOption(std::string_view name) {
  static constexpr std::string_view kWithValue[] = {
      "harmonics", "depth",         "search",  "model",    "min-period", "seed",         "format",
      "period",    "refine-budget", "sigma",   "x-column", "y-column",   "sigma-column", "plot",
      "plot-size", "plot-theme",    "x-title", "y-title",  "predict",    "band"};
  if (name == "n") return "harmonics";
  if (name == "d") return "depth";
  for (const std::string_view known : kWithValue) {
    if (name == known) return known;
  }
  return {};
}

// The switch an option without a value sets, or null.
bool* FlagOf(FitOptions& options, std::string_view name) {
  if (name == "help" || name == "h") return &options.Help;
  if (name == "refine") return &options.Refine;
  if (name == "strict") return &options.Strict;
  if (name == "quiet") return &options.Quiet;
  if (name == "version") return &options.Version;
  if (name == "table") return &options.TableOnly;
  if (name == "pairs") return &options.Pairs;
  if (name == "all-columns") return &options.AllColumns;
  if (name == "no-constant") return &options.NoConstant;
  if (name == "decimal-comma") return &options.DecimalComma;
  if (name == "comments") return &options.Comments;
  if (name == "constant") return &options.ConstantGiven;
  if (name == "trend") return &options.Trend;
  if (name == "absolute-sigma") return &options.AbsoluteSigma;
  if (name == "compare-counts") return &options.CompareCounts;
  return nullptr;
}

// The options that cannot go together, as the error to say; empty when none.
std::string Contradiction(const FitOptions& options) {
  const Language l = options.Messages;
  const bool tableOptions = !options.YColumns.empty() || !options.XColumn.empty() ||
                            !options.SigmaColumn.empty() || options.DecimalComma ||
                            options.AllColumns;
  if (options.Pairs && (tableOptions || options.TableOnly)) {
    return Say(l,
               "--pairs reads the window's pairs, not tables: leave out --pairs for --table, "
               "--x-column, --y-column, --sigma-column, --decimal-comma and --all-columns",
               "--pairs читает пары, как окно, а не таблицы: уберите --pairs для --table, "
               "--x-column, --y-column, --sigma-column, --decimal-comma и --all-columns");
  }
  if (options.ConstantGiven && options.NoConstant) {
    return Say(l,
               "--constant and --no-constant contradict each other",
               "--constant и --no-constant противоречат друг другу");
  }
  if (options.AllColumns && !options.YColumns.empty()) {
    return Say(l,
               "--all-columns takes every column of numbers: leave out --y-column",
               "--all-columns берёт все столбцы чисел: уберите --y-column");
  }
  return {};
}

}  // namespace

bool TableAsked(const FitOptions& options) {
  return options.TableOnly || options.AllColumns || !options.XColumn.empty() ||
         !options.YColumns.empty() || !options.SigmaColumn.empty() || options.DecimalComma;
}

bool ModelWanted(const FitOptions& options, int kind) {
  if (options.Models == ModelChoice::Both) return true;
  return (kind == 0) == (options.Models == ModelChoice::Sum);
}

bool RefineRuns(const FitOptions& options) {
  return options.Refine || options.RefineBudget > 0 || options.CompareCounts || options.Constant ||
         options.Trend || !options.Periods.empty() || options.Sigma > 0 ||
         !options.SigmaColumn.empty();
}

namespace {

// An option's name and, when written into it ("--name=value", "-nvalue"), its value.
struct SplitArgument {
  std::string_view Name, Value;
  bool HasValue = false;
};

SplitArgument SplitOption(std::string_view arg) {
  SplitArgument split;
  if (arg[1] == '-') {
    split.Name = arg.substr(2);
    const std::size_t equals = split.Name.find('=');
    if (equals != std::string_view::npos) {
      split.Value = split.Name.substr(equals + 1);
      split.Name = split.Name.substr(0, equals);
      split.HasValue = true;
    }
  } else {
    split.Name = arg.substr(1, 1);
    split.HasValue = arg.size() > 2;
    if (split.HasValue) split.Value = arg.substr(2);
  }
  return split;
}

// --predict's format, and --band without it; the error, empty when none. Without --format the
// predicted rows are written as csv.
std::string PredictContradiction(FitOptions& options) {
  const Language l = options.Messages;
  if (options.Predict.empty()) {
    return options.BandGiven ? Say(l, "--band needs --predict", "--band требует --predict")
                             : std::string();
  }
  if (options.FormatGiven && options.Format == OutputFormat::Report) {
    return Say(l,
               "--predict writes csv or json: leave out --format report",
               "--predict пишет csv или json: уберите --format report");
  }
  if (!options.FormatGiven) options.Format = OutputFormat::Csv;
  return {};
}

// The plot's options that need --plot, or one fit to draw; the error, empty when none.
std::string PlotContradiction(const FitOptions& options) {
  const Language l = options.Messages;
  if (options.PlotLookGiven && options.PlotPath.empty()) {
    return Say(l,
               "--plot-size, --plot-theme, --x-title and --y-title need --plot",
               "--plot-size, --plot-theme, --x-title и --y-title требуют --plot");
  }
  if (!options.PlotPath.empty() &&
      (options.Files.size() > 1 || options.YColumns.size() > 1 || options.AllColumns)) {
    return Say(l,
               "--plot draws one fit: give one file and at most one --y-column",
               "--plot рисует один подбор: укажите один файл и не больше одного --y-column");
  }
  return {};
}

}  // namespace

ParsedOptions ParseFitOptions(const std::vector<std::string>& args, Language language) {
  ParsedOptions parsed;
  FitOptions& options = parsed.Options;
  options.Messages = language;
  const Language l = language;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (onlyFiles || arg.size() < 2 || arg[0] != '-') {  // "-" alone is standard input
      options.Files.push_back(args[i]);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    const auto [name, value0, hasValue] = SplitOption(arg);
    std::string_view value = value0;
    if (bool* flag = FlagOf(options, name)) {
      if (hasValue) {
        parsed.Error = Say(l, "option ", "параметр ") + Quote(l, arg) +
                       Say(l, " takes no value", " не принимает значения");
        return parsed;
      }
      *flag = true;
      continue;
    }
    const std::string_view longName = ValueOption(name);
    if (longName.empty()) {
      parsed.Error = Say(l, "unknown option ", "неизвестный параметр ") + Quote(l, arg);
      return parsed;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        parsed.Error = Say(l, "option ", "параметру ") + Quote(l, arg) +
                       Say(l, " needs a value", " нужно значение");
        return parsed;
      }
      value = args[++i];
    }
    parsed.Error = Apply(options, longName, value);
    if (!parsed.Error.empty()) return parsed;
  }
  parsed.Error = Contradiction(options);
  if (!parsed.Error.empty()) return parsed;
  options.Table = !options.Pairs;
  options.Constant = !options.NoConstant;
  parsed.Error = PlotContradiction(options);
  if (parsed.Error.empty()) parsed.Error = PredictContradiction(options);
  if (!parsed.Error.empty()) return parsed;
  if (!options.Help && !options.Version && options.Files.empty()) {
    parsed.Error = Say(l, "no data file given", "не задан файл данных");
  }
  return parsed;
}
