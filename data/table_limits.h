#pragma once

#include <cstdint>

// The bounds of reading a table file: what a path may name, how large a file may be, and the
// memory a read may take, so that a device, a pipe without a writer or a file too large for the
// memory is refused at once, saying why, rather than read until the memory runs out.

// A file larger than this is refused before it is read: 2 GiB of CSV holds about 10^8 rows,
// and their cells, numbers and fit take several times the file's size.
inline constexpr std::uint64_t kTableFileLimit = std::uint64_t{2} << 30;

// What a path names.
enum class PathKind { Regular, Directory, Fifo, CharDevice, BlockDevice, Socket, Other };

struct TableFileLimits {
  std::uint64_t MaxBytes = kTableFileLimit;
  std::uint64_t Available = 0;  // memory the read may take; 0: what the system says is free
  // What the caller will take for each row after the read (a fit's own arrays), counted in the
  // estimate so that a read is not begun that its fit could not finish.
  std::uint64_t BytesPerRowAfter = 0;
};

// The memory this process may still take: the least of the system's MemAvailable, its control
// group's memory.max less memory.current, and its address-space limit (ulimit -v) less what it
// has mapped. Source names the bound that is least.
struct FreeMemory {
  std::uint64_t Bytes = UINT64_MAX;
  const char* Source = "";  // "MemAvailable", "memory.max" or "ulimit -v"; "" when none is known
};
FreeMemory AvailableMemory();

// What was found about a file refused for what it is or its size.
struct TableFileFacts {
  PathKind Kind = PathKind::Regular;
  std::uint64_t Bytes = 0;     // the file's size (a stream's: as read)
  std::uint64_t Limit = 0;     // the size limit it was held to
  std::uint64_t Estimate = 0;  // the memory reading (and what follows) was estimated to take
  FreeMemory Free;             // and the memory there was
};

// The memory a table of bytes takes to read and select from, estimated from a sample of its
// text (sampleBytes bytes holding sampleRows lines and sampleCells cells): its cells' text,
// their ends and the rows' lines, the selected numbers, and bytesPerRowAfter for each row.
// wholeText: the file is held whole and converted (UTF-16, or bytes that are no UTF-8).
std::uint64_t EstimateTableMemory(std::uint64_t bytes,
                                  std::uint64_t sampleBytes,
                                  std::uint64_t sampleRows,
                                  std::uint64_t sampleCells,
                                  bool wholeText,
                                  std::uint64_t bytesPerRowAfter);
