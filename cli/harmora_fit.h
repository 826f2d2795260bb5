#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/messages.h"

// Exit statuses of harmora-fit.
inline constexpr int kFitAllDone = 0;       // every file fitted and written
inline constexpr int kFitFileFailed = 1;    // a file refused or its fit failed; the others done
inline constexpr int kFitUsageError = 2;    // the command line is wrong; nothing was fitted
inline constexpr int kFitOutputFailed = 3;  // the results could not all be written (disk full,
                                            // a closed pipe): the rest were not fitted
// Stopped by SIGINT or SIGTERM (StopSignal): 128 + the signal, as a shell reports it.

// Runs harmora-fit with the arguments after the program's name: fits the files (side by side on
// the CPUs the process may use) and writes each one's results to out, in the order given; to err, a
// line "harmora-fit: FILE:LINE: text" for each notice of the import check, and a line naming the
// file and the reason for each file that is refused or fails (with --format json it also gets a
// line with its error on out). Messages are in the given language. Every file's results are
// flushed and checked: when out cannot take them, the cause is said and nothing more is fitted.
// After a stop signal the line being written is finished and the rest are not fitted. Returns the
// exit status. Throws nothing.
int RunHarmoraFit(const std::vector<std::string>& args,
                  std::ostream& out,
                  std::ostream& err,
                  Language language = Language::English);
