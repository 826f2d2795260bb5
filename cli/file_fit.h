#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/fit_options.h"
#include "cli/import_notices.h"
#include "engine/count_comparison.h"
#include "engine/engine.h"
#include "engine/fit_many.h"

// One data file's fit, as harmora-fit reports it.
struct FileFit {
  std::string Path;
  const char* Reader = "pairs";  // "table" where the table reader read the series
  std::string Series;            // with --table: the y column's name (or its number)
  std::string XName, YName;      // with --table: the x and y columns' names, empty without any
  std::string XColumns;       // with --table: the columns x was read from ("1 'Year', 2 'Month'")
  bool LeftOutCells = false;  // RowsLeftOut counts cells (months side by side), not rows
  std::int64_t RowsLeftOut = 0;  // with --table: rows with a cell missing or unreadable
  std::string Note;              // with --table: said once, before the table's first series
  bool XIsDate = false;          // with --table: x is days since XOrigin (days since 1970-01-01)
  double XOrigin = 0;
  bool XTimesOfDay = false;  // with --table: x was times of day alone (days since 00:00)
  bool Fitted = false;
  std::string Error;                // when not fitted: why the file was refused, or a fault's text
  bool ErrorNamesFile = false;      // Error already names the file (the reader's I/O faults do)
  std::vector<FileNotice> Notices;  // what the import check found, refused files included
  Engine Core;                      // the data as read and prepared, and after a fit its results
  FitResult Fit;                    // when Fitted
  bool Refined = false;             // with --refine, after a fit
  RefinementResult Refinement;      // when Refined: both models' least-squares optimum
  bool Compared = false;            // with --compare-counts, after the refinement
  CountComparison Counts;           // when Compared
};

// Reads path with the window's reader and the import check beside it and, when the file is
// accepted (with --strict: and the check found nothing), fits both models as the find button
// does with the options' harmonics, depth, minimum period and seeds, then with --refine refines
// both models by least squares. A refused file, a file that cannot be read and a fault of the
// fit leave Fitted false and say why in Error, in the options' language; nothing is thrown.
// The search computes as `engine` says (the same bits with or without its second thread).
// `bytes`, when given, are the file's (a stream's, read before), not read again.
FileFit FitDataFile(const std::string& path,
                    const FitOptions& options,
                    const EngineChoice& engine = {},
                    const std::string* bytes = nullptr);

// How `items` fits run side by side: one thread per CPU the process may use (at most one per
// item), each fit on its thread alone, the search's second thread on only when they run one at a
// time. The bits are the same either way.
struct SideBySide {
  int Threads = 1;
  EngineChoice Engine;
};
SideBySide SideBySideFits(std::size_t items);

// The settings every series of a run shares, with the options' seeds as series 0's.
ManyRequest ManyRequestOf(const FitOptions& options);

// Fits the data the engine holds with the request, then refines when the options ask for it;
// a fault leaves Fitted false and says why in Error.
void FitHeldData(FileFit& result, const FitRequest& request, const FitOptions& options);
