#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/messages.h"

// Where harmora-fit --predict evaluates the fitted models: a range start:stop:step, or the x of
// a file (one a line, or a table's first column), numbers or dates.

// The most points a range may give: a million rows are already some 100 MB of CSV.
inline constexpr std::int64_t kMaxPredictPoints = 1000000;

// The x asked for, as given: numbers, or dates in days since 1970-01-01 00:00 (TimesOfDay: days
// since 00:00 of no day in particular), which each fit takes to its own origin.
struct PredictPoints {
  std::vector<double> X;
  bool Dates = false, TimesOfDay = false;
};

// Whether --predict's text is taken for a range: it names no file and holds a ':'.
bool IsPredictRange(const std::string& text);

// start, start + step, ... up to stop, which is included where it falls on the grid (decimals
// are counted exactly: 0:0.3:0.1 ends at 0.3, each point the double nearest its decimal). Start
// and stop may be ISO dates (2024-01-01:2024-12-29:7), the step then in days. Error is one line
// naming --predict for a malformed range, a step of 0, a step leading away from stop, or more
// than kMaxPredictPoints points.
struct PredictRange {
  std::vector<double> X;  // days since 1970-01-01 where Dates
  bool Dates = false;
  std::string Error;
};
PredictRange ParsePredictRange(std::string_view text, Language language);

// Reads an ISO date (2024-03-01) into days since 1970-01-01, as the table reader does; false
// for anything else, and always in a build without the table reader.
bool ReadRangeDate(std::string_view text, double& days);

// Reads the file's x as harmora-fit's table reader reads an x column: numbers (',' as the
// decimal mark with decimalComma or where the cells show it), or dates and times as that reader
// converts them. Error, one line without the program's name, when the file cannot be read or a
// cell is no x.
struct PredictFile {
  PredictPoints Points;
  std::string Error;
};
PredictFile ReadPredictFile(const std::string& path, bool decimalComma, Language language);
