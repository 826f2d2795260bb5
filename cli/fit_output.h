#pragma once

#include <ostream>

#include "cli/file_fit.h"
#include "cli/fit_options.h"

// The line that heads a file's report: its name and count, the settings and the seeds, which
// repeat the fit with --seed. Starts with '#' so that the report's own lines stand apart.
std::string ReportHeading(const FileFit& fit, const FitOptions& options);

// Writes the heading and then exactly the lines of the window's report for the fit, followed,
// after a refinement, by each refined model's statistics and standard errors. Raises the report's
// division fault for a zero frequency after the lines before it were written.
void WriteReportFormat(const FileFit& fit, const FitOptions& options, std::ostream& out);

// Writes the heading and then the data with both models as the window's data export writes them:
// '#' lines with the coefficients, then x,y,model1,model2,residual1,residual2, one row per
// observation.
void WriteCsvFormat(const FileFit& fit, const FitOptions& options, std::ostream& out);

// The fit as one JSON object on one line (no line end): file, count, harmonics, depth,
// min_period, seeds, and model1 and model2 with A, B, C, relative_deviation and residual; after a
// refinement also refined.model1 and refined.model2 with those fields and se (A, B, C; null
// where undetermined), r2, rmse, aic, bic, starts, hits and termination (how the
// refinement of the model ended); and notices, the import check's findings.
std::string JsonLine(const FileFit& fit, const FitOptions& options);

// A file that was not fitted as one JSON object on one line: file, error and notices.
std::string RefusedJsonLine(const FileFit& fit);
