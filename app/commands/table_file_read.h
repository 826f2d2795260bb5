#pragma once

#include <cstdint>
#include <string>

#include "data/table_reader.h"

struct TaskControl;

// The largest table file the window reads: ten columns of a million rows take about 150 MB, and
// reading holds the text, its cells and the table together (about four times the file).
inline constexpr std::int64_t kMaxTableFileBytes = 256ll << 20;
// The most pairs the window takes from a table; harmora-fit --table takes more.
inline constexpr std::int64_t kMaxWindowTablePairs = 1'000'000;

// A table file read for the window, or why it was not.
struct TableFileRead {
  std::string Refusal;  // empty when read; otherwise the Russian reason
  bool Cancelled = false;
  std::string Bytes;  // the file's bytes, which the table dialog reads again with other options
  Table Read;         // the table read with the detected options
};

// Reads the table file at path: only a regular file (a FIFO or a device is refused before any
// byte is read, so nothing waits for a writer), at most kMaxTableFileBytes, in chunks that
// report control's fraction and stop when it is cancelled. Running out of memory is a refusal,
// never a fault.
TableFileRead ReadTableForWindow(const std::string& path, TaskControl& control);
