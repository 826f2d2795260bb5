#pragma once

#include <string>
#include <vector>

#include "data/import_check.h"

// What the user reads about how a data stream was read: the listing of its first lines beside
// the numbers they gave, and the details that follow the messages for a rejected file. All texts
// are Russian, in UTF-8.

// Lines shown at most by the listing; the reader takes 200 numbers, so its lines fit.
inline constexpr int kListedLines = 400;

// The listing of a read: the counts (numbers read, pairs, numbers left out), every sign with its
// line, then the stream's first lines (from the report's prefix), each beside the numbers it
// gave as x1, y1, x2, ... and marked when a sign stands on it. Ends after the line where the
// reader stopped, after maxLines lines, or at the end of the kept prefix.
std::vector<std::string> ImportListing(const ImportReport& report, int maxLines = kListedLines);

// The counts line of the listing: "Прочитано чисел: 200, пар: 100, ...".
std::string ImportCounts(const ImportReport& report);

// The detail shown on its own line after the message for a file whose number could not be
// converted: the file's name, the line and the token.
std::string UnreadableDetail(const std::string& fileName, const ImportReport& report);

// The detail after the message for a file with fewer than 4 pairs: the name and what was read.
std::string TooShortDetail(const std::string& fileName, const ImportReport& report);
