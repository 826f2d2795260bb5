#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "data/import_check.h"

// What harmora-fit says about a data file it read with the window's reader: the import check's
// signs of a misread, and two signs of its own that the window does not look for.
struct FileNotice {
  std::int64_t Line = 0;  // 1-based
  std::string Kind;       // a stable name for scripts: "exponent_split", "columns", ...
  std::string Token;      // the text as it stands in the file, shortened
  std::string Text;       // what the reader did, in the chosen language, without the line
};

// The notices for a file's import report, by line.
std::vector<FileNotice> ImportNotices(const ImportReport& report, Language language);

// Why a file whose reading failed was refused: the line and the token that is no number.
std::string UnreadableCause(const ImportReport& report, Language language);

// The notices as a JSON array of {"line", "kind", "token", "text"} objects.
std::string NoticesJson(const std::vector<FileNotice>& notices);
