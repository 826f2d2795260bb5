#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/file_fit.h"
#include "cli/fit_options.h"

// harmora-fit --table: a CSV, TSV or semicolon table read by the table reader, its x, y and σ
// columns picked by name or number, each y column fitted as a series of its own.

// Reads the table at path (or the stream) and calls each for every y column's fit, in the
// order given: series i with the stage seeds (S1 + 2i, S2 + 2i), S1 and S2 those of --seed or,
// without it, drawn at random. A table or a column that cannot be taken gives one record that
// is not fitted, with Error saying why.
using FileFitSink = std::function<void(std::unique_ptr<FileFit>)>;
void FitTableFile(const std::string& path, const FitOptions& options, const FileFitSink& each);

// Whether this build has the table reader (the cross build may leave it out).
bool TableReaderBuilt();
