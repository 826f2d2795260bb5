#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "cli/plot_look.h"
#include "cli/predict_points.h"
#include "engine/search_kind.h"

// How the results of each file are written.
enum class OutputFormat { Report, Json, Csv };

// The models fitted: model 1 (the sum), model 2 (its square), or both.
enum class ModelChoice { Both, Sum, SquaredSum };

// Everything harmora-fit was asked to do.
struct FitOptions {
  int Harmonics = 1;  // 1..5
  int Depth = 10000;  // one of kSearchDepths
  SearchKind Search = SearchKind::Auto;
  double MinPeriod = 0;  // 0: twice the mean x spacing of each file, as the window starts with
  bool FixedSeeds = false;
  std::uint32_t Seeds[2] = {0, 0};  // with FixedSeeds: the state after each stage's reseed
  bool Refine = false;
  // The refinement's starts, as a multiple of its default budget (implies the refinement); 0: not
  // given, the default.
  double RefineBudget = 0;
  ModelChoice Models = ModelChoice::Both;
  // Terms and weights (each implies the refinement, which fits them jointly with their errors).
  // A constant unless --no-constant: most data have a level, which the sums alone cannot carry.
  bool Constant = true;
  bool ConstantGiven = false;  // --constant, which --no-constant contradicts
  bool NoConstant = false;     // --no-constant
  bool Trend = false;
  std::vector<double> Periods;  // known periods, in x units
  double Sigma = 0;             // one sigma for every y; 0: unweighted
  bool AbsoluteSigma = false;
  // Also fit 1 .. N harmonics and say how many the data support (implies --refine).
  bool CompareCounts = false;
  bool Strict = false;  // refuse a file in which the import check finds anything
  bool Quiet = false;   // --quiet: no progress line on a terminal
  // Not an option: set by the caller where one fit at a time runs and standard error is a
  // terminal; a long fit then shows its progress there.
  bool ShowProgress = false;
  OutputFormat Format = OutputFormat::Report;
  bool FormatGiven = false;  // --format; without it --predict writes csv
  // --predict: the models evaluated at a range start:stop:step (its points here at once) or at a
  // file's x (read by the run, before fitting), written instead of the observations' rows.
  std::string Predict;
  bool PredictIsRange = false;
  PredictPoints PredictAt;
  double BandLevel = 0.95;  // --band: the level of the predicted bands
  bool BandGiven = false;
  // The table reader reads the files; a file it finds no columns in is read as pairs. --pairs:
  // the window's reader alone; --table: the table reader alone.
  bool Table = true;                          // false with --pairs
  bool Pairs = false;                         // --pairs
  bool TableOnly = false;                     // --table
  bool AllColumns = false;                    // every column of numbers but x and σ a series
  std::string XColumn;                        // with Table: by name or number from 1; empty:
                                              // the likely one (LikelyColumns)
  std::vector<std::string> YColumns;          // empty: column 2; several: one series each
  std::string SigmaColumn;                    // empty: none
  bool DecimalComma = false;                  // with Table: ',' is the decimal mark
  std::string PlotPath;                       // --plot: the file the fit's plot is written to
  PlotFormat PlotKind = PlotFormat::Svg;      // from PlotPath's ending
  PlotLook Plot;                              // size and theme; its titles are not used
  std::optional<std::string> XTitle, YTitle;  // unset: the columns' names, or "x" and "y"
  bool PlotLookGiven = false;                 // any of the plot's size, theme and titles
  bool Help = false;
  bool Version = false;
  bool Comments = false;                  // with csv: the '#' lines of each file
  Language Messages = Language::English;  // not an option: the locale's, set by the caller
  std::vector<std::string> Files;
};

// The largest --refine-budget: a thousand times the default is minutes per fit at full size.
inline constexpr double kMaxRefineBudget = 1000;

// The search depths the window offers, and so the only ones the tool takes.
inline constexpr int kSearchDepths[] = {10000, 50000, 100000, 500000, 998888};

// The outcome of reading the command line: Error is empty when it is usable.
struct ParsedOptions {
  FitOptions Options;
  std::string Error;  // one line saying what is wrong, without the program's name
};

// Reads the arguments after the program's name. Accepts "--name value", "--name=value", "-n
// value" and "-nvalue"; "--" ends the options; "-" alone is a file (standard input). Without
// --help or --version at least one file is required. Errors are in the given language, which
// the options keep for the messages that follow.
ParsedOptions ParseFitOptions(const std::vector<std::string>& args,
                              Language language = Language::English);

// Whether the refinement runs: asked for, or implied by terms or weights.
bool RefineRuns(const FitOptions& options);

// Whether the file must be read as a table: --table, or an option naming its columns or its
// decimal mark.
bool TableAsked(const FitOptions& options);

// Whether model 1 (ModelKind::Sum) or model 2 is fitted.
bool ModelWanted(const FitOptions& options, int kind);
