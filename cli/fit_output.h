#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/file_fit.h"
#include "cli/fit_options.h"

// The line that heads a file's report: its name and count, the settings and the seeds, which
// repeat the fit with --seed. Starts with '#' so that the report's own lines stand apart.
std::string ReportHeading(const FileFit& fit, const FitOptions& options);

// The report after its heading: the window's report of the engine's fit and, with a refinement,
// each refined model's statistics, standard errors and notes.
// With one model asked for, only its lines.
void WriteReportBody(const Engine& core,
                     const RefinementResult* refinement,
                     std::ostream& out,
                     ModelChoice models = ModelChoice::Both);

// For a fit without a constant, one note per model asked for that parks a harmonic at less than
// half a cycle over the data, where it carries the data's level (from the refined model when
// there is one): said on standard error and in the JSON's notes.
std::vector<std::string> LevelNotes(const FileFit& fit, const FitOptions& options);

// Writes the heading and then exactly the lines of the window's report for the fit, followed,
// after a refinement, by each refined model's statistics and standard errors. Raises the report's
// division fault for a zero frequency after the lines before it were written.
void WriteReportFormat(const FileFit& fit, const FitOptions& options, std::ostream& out);

// The CSV table's one header line, written before the first file's rows; read as tables (without
// --pairs) it has a series column after the file's. A model not asked for has empty fields.
std::string CsvHeader(const FitOptions& options);

// A CSV field: quoted, with its quotes doubled, when it holds a separator, a quote or a line end.
std::string CsvField(const std::string& text);

// With --comments: the heading and the window's export's '#' lines with the coefficients.
void WriteCsvComments(const FileFit& fit, const FitOptions& options, std::ostream& out);

// Writes the file's rows of the tidy table across files: file,x,y,model1,model2,residual1,
// residual2, one row per observation, numbers in their shortest exact text. With --comments the
// heading and the window's export's '#' lines with the coefficients come first.
void WriteCsvFormat(const FileFit& fit, const FitOptions& options, std::ostream& out);

// The fit as one JSON object on one line (no line end): file, count, harmonics, depth, min_period,
// seeds, and model1 and model2 (only those asked for) with A, B, C, period, relative_deviation and
// residual; after a refinement also refined.model1 and refined.model2 with those fields and se,
// lower and upper (the 95 % interval), each with A, B, C and period (null where undetermined),
// r2, rmse, aic, bic, starts, hits and termination (how the refinement of the model ended); and
// reader ("table" or "pairs"); notices, the import check's findings; notes (LevelNotes) where
// there are any; predict (PredictJson's object) where `predicted` is given.
std::string JsonLine(const FileFit& fit,
                     const FitOptions& options,
                     const std::string& predicted = {});

// A file that was not fitted as one JSON object on one line: file, error, reader and notices.
std::string RefusedJsonLine(const FileFit& fit, const FitOptions& options);

struct JsonObject;

// Read as a table, after "file": series (the y column), rows_left_out, and x_origin_days (days
// since 1970-01-01 of x = 0) when x holds dates.
void AddTableFields(JsonObject& line, const FileFit& fit, const FitOptions& options);
