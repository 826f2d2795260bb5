#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <string>

#include "data/table_reader.h"

namespace {

constexpr std::size_t kPiece = 1u << 20;   // bytes read at a time
constexpr std::size_t kSampleLines = 200;  // as DetectSeparator samples them
constexpr std::uint64_t kKiB = 1024;

PathKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return PathKind::Regular;
  if (S_ISDIR(mode)) return PathKind::Directory;
  if (S_ISFIFO(mode)) return PathKind::Fifo;
  if (S_ISCHR(mode)) return PathKind::CharDevice;
  if (S_ISBLK(mode)) return PathKind::BlockDevice;
  if (S_ISSOCK(mode)) return PathKind::Socket;
  return PathKind::Other;
}

// The number after key in a "key: value" file such as /proc/meminfo; false when it has none.
bool ReadField(const char* path, const std::string& key, std::uint64_t& value) {
  std::ifstream file(path);
  std::string name;
  while (file >> name) {
    if (name == key) return static_cast<bool>(file >> value);
    file.ignore(1 << 12, '\n');
  }
  return false;
}

// A number alone in a file such as memory.max; false for "max" or none.
bool ReadNumber(const std::string& path, std::uint64_t& value) {
  std::ifstream file(path);
  return static_cast<bool>(file >> value);
}

// This process's cgroup v2 folder ("0::/user.slice/..." in /proc/self/cgroup), or "".
std::string CgroupFolder() {
  std::ifstream file("/proc/self/cgroup");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("0::", 0) == 0) return "/sys/fs/cgroup" + line.substr(3);
  }
  return {};
}

void Lower(FreeMemory& free, std::uint64_t bytes, const char* source) {
  if (bytes < free.Bytes) free = {bytes, source};
}

// Whether a piece of UTF-8 ends inside a character: the length of that unfinished tail.
std::size_t UnfinishedTail(std::string_view text) {
  for (std::size_t back = 1; back <= std::min<std::size_t>(3, text.size()); ++back) {
    const auto c = static_cast<unsigned char>(text[text.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// A file read a piece at a time as UTF-8: each piece handed on whole characters only.
class PieceReader {
 public:
  explicit PieceReader(int fd) : fd_(fd) {}

  // The next piece (empty at the end); false when the file cannot be read.
  bool Next(std::string& piece) {
    piece.assign(carry_);
    carry_.clear();
    const std::size_t start = piece.size();
    piece.resize(start + kPiece);
    ssize_t count = 0;
    do {
      count = read(fd_, piece.data() + start, kPiece);
    } while (count < 0 && errno == EINTR);
    if (count < 0) return false;
    piece.resize(start + static_cast<std::size_t>(count));
    total_ += static_cast<std::uint64_t>(count);
    if (count == 0) return true;
    const std::size_t tail = UnfinishedTail(piece);
    carry_.assign(piece, piece.size() - tail, tail);
    piece.resize(piece.size() - tail);
    return true;
  }

  // Whether the file ended inside a character.
  bool Unfinished() const { return !carry_.empty(); }
  // The bytes read so far.
  std::uint64_t Total() const { return total_; }

 private:
  int fd_;
  std::string carry_;
  std::uint64_t total_ = 0;
};

// What the first lines of the text show.
struct Sample {
  std::string Text;  // the first lines (at least kSampleLines, unless the file is shorter)
  std::uint64_t Lines = 0;
  bool Whole = false;  // the sample cannot stand for the text: it holds NUL bytes, or no lines
};

// Lines of a megabyte on average are no table a piece at a time can sample; nor is binary.
constexpr std::size_t kSampleMost = 16 * kPiece;

bool ReadSample(PieceReader& reader, Sample& sample) {
  std::string piece;
  while (sample.Lines < kSampleLines) {
    if (!reader.Next(piece)) return false;
    if (piece.empty()) break;
    sample.Lines += static_cast<std::uint64_t>(std::count(piece.begin(), piece.end(), '\n'));
    sample.Text += piece;
    if (sample.Text.find('\0') != std::string::npos || sample.Text.size() > kSampleMost) {
      sample.Whole = true;
      break;
    }
  }
  return true;
}

std::size_t CellsIn(std::string_view text, char separator) {
  return separator == 0 ? 0 : SplitTable(text, separator).CellEnd.size();
}

bool IsUtf8Text(std::string_view text) {
  return text.find('\0') == std::string_view::npos && utf8::is_valid(text.begin(), text.end());
}

Table Refused(TableFault fault, const TableFileFacts& facts) {
  Table table;
  table.Fault = fault;
  table.File = facts;
  return table;
}

// The whole file read as ReadTable reads bytes: for text that is no plain UTF-8.
Table ReadWhole(int fd, const TableFileFacts& facts, const TableOptions& options) {
  std::string bytes(facts.Bytes, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = pread(fd, bytes.data() + done, bytes.size() - done, done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    done += static_cast<std::size_t>(count);
  }
  bytes.resize(done);
  return ReadTable(bytes, options);
}

enum class Streamed { Done, NotPlainUtf8, CannotRead, TooLarge };

// The rest of the file after the sample, split as it is read; NotPlainUtf8 where a NUL byte or
// a byte that is no UTF-8 turns up, for ReadWhole to take it as ReadTable would.
Streamed SplitRest(PieceReader& reader, TableSplitter& splitter, std::uint64_t limit) {
  std::string piece;
  for (;;) {
    if (!reader.Next(piece)) return Streamed::CannotRead;
    if (reader.Total() > limit) return Streamed::TooLarge;  // a file grown since it was looked at
    if (piece.empty()) return reader.Unfinished() ? Streamed::NotPlainUtf8 : Streamed::Done;
    if (!IsUtf8Text(piece)) return Streamed::NotPlainUtf8;
    splitter.Add(piece);
  }
}

Table ReadOpenFile(int fd,
                   TableFileFacts facts,
                   const TableOptions& options,
                   const TableFileLimits& limits) {
  PieceReader reader(fd);
  Sample sample;
  if (!ReadSample(reader, sample)) return Refused(TableFault::CannotOpen, facts);
  Table table;
  std::string_view text = sample.Text;
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    table.Encoding = TableEncoding::Utf8Bom;
    text.remove_prefix(3);
  }
  // NUL bytes with no UTF-16 mark refuse the file as ReadTable would, without reading on.
  if (sample.Text.rfind("\xFF\xFE", 0) != 0 && sample.Text.rfind("\xFE\xFF", 0) != 0 &&
      text.find('\0') != std::string_view::npos) {
    table.Fault = TableFault::NulBytes;
    return table;
  }
  const bool plain = !sample.Whole && IsUtf8Text(text);
  table.Separator = !plain ? 0 : options.Separator != 0 ? options.Separator : DetectSeparator(text);
  const std::size_t sampleCells = CellsIn(text, table.Separator);
  const std::uint64_t rows = sample.Lines + 1;
  facts.Estimate = EstimateTableMemory(facts.Bytes,
                                       std::max<std::size_t>(text.size(), 1),
                                       rows,
                                       sampleCells,
                                       table.Separator == 0,
                                       limits.BytesPerRowAfter);
  facts.Free = limits.Available != 0 ? FreeMemory{limits.Available, ""} : AvailableMemory();
  if (facts.Estimate > facts.Free.Bytes) return Refused(TableFault::NoMemory, facts);
  // Text a piece at a time cannot be taken (faults, conversions, no separator in its first
  // lines): read whole, as ReadTable reads it.
  if (table.Separator == 0) return ReadWhole(fd, facts, options);
  const double scale = static_cast<double>(facts.Bytes) / static_cast<double>(text.size() + 1);
  TableSplitter splitter(table.Separator,
                         facts.Bytes,
                         static_cast<std::size_t>(1.05 * scale * static_cast<double>(rows)),
                         static_cast<std::size_t>(1.05 * scale * static_cast<double>(sampleCells)));
  splitter.Add(text);
  sample.Text = std::string();
  switch (SplitRest(reader, splitter, facts.Limit)) {
    case Streamed::CannotRead:
      return Refused(TableFault::CannotOpen, facts);
    case Streamed::TooLarge:
      facts.Bytes = reader.Total();
      return Refused(TableFault::TooLarge, facts);
    case Streamed::NotPlainUtf8: {
      splitter.Finish();  // its cells freed before the whole text is read
      return ReadWhole(fd, facts, options);
    }
    case Streamed::Done:
      break;
  }
  return ReadTableCells(std::move(table), splitter.Finish(), options);
}

}  // namespace

FreeMemory AvailableMemory() {
  FreeMemory free;
  std::uint64_t value = 0, used = 0;
  if (ReadField("/proc/meminfo", "MemAvailable:", value)) Lower(free, value * kKiB, "MemAvailable");
  const std::string cgroup = CgroupFolder();
  if (!cgroup.empty() && ReadNumber(cgroup + "/memory.max", value) &&
      ReadNumber(cgroup + "/memory.current", used)) {
    Lower(free, value > used ? value - used : 0, "memory.max");
  }
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      ReadField("/proc/self/status", "VmSize:", used)) {
    const std::uint64_t mapped = used * kKiB;
    Lower(free, limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0, "ulimit -v");
  }
  return free;
}

std::uint64_t EstimateTableMemory(std::uint64_t bytes,
                                  std::uint64_t sampleBytes,
                                  std::uint64_t sampleRows,
                                  std::uint64_t sampleCells,
                                  bool wholeText,
                                  std::uint64_t bytesPerRowAfter) {
  const double scale =
      static_cast<double>(bytes) / static_cast<double>(std::max<std::uint64_t>(sampleBytes, 1));
  const auto rows = static_cast<std::uint64_t>(scale * static_cast<double>(sampleRows)) + 1;
  // Without a sample of cells, one in every four bytes ("1,2\n" holds two cells in four).
  const auto cells = sampleCells != 0
                         ? static_cast<std::uint64_t>(scale * static_cast<double>(sampleCells))
                         : bytes / 2;
  // Held whole: the bytes, their UTF-16 units or UTF-8 copy, beside the cells' text.
  const std::uint64_t text = wholeText ? 3 * bytes : bytes;
  // Each cell's end; each row's end and line; each row's x, y, σ and its cell's place.
  constexpr std::uint64_t kPerCell = 8, kPerRow = 16 + 24 + 16;
  return text + kPerCell * cells + (kPerRow + bytesPerRowAfter) * rows;
}

Table ReadTableFile(const std::string& path,
                    const TableOptions& options,
                    const TableFileLimits& limits) {
  TableFileFacts facts;
  facts.Limit = limits.MaxBytes;
  // Opened without waiting: a named pipe's open would wait for a writer.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) {
    if (fd >= 0) close(fd);
    return Refused(TableFault::CannotOpen, facts);
  }
  facts.Kind = KindOf(status.st_mode);
  facts.Bytes = static_cast<std::uint64_t>(status.st_size);
  Table table;
  if (facts.Kind != PathKind::Regular) {
    table = Refused(TableFault::NotAFile, facts);
  } else if (facts.Bytes > limits.MaxBytes) {
    table = Refused(TableFault::TooLarge, facts);
  } else {
    try {
      table = ReadOpenFile(fd, facts, options, limits);
    } catch (const std::bad_alloc&) {
      table = Refused(TableFault::OutOfMemory, facts);
    }
  }
  close(fd);
  return table;
}

Table ReadTableBytes(std::string_view bytes,
                     const TableOptions& options,
                     const TableFileLimits& limits) {
  TableFileFacts facts;
  facts.Kind = PathKind::Fifo;
  facts.Bytes = bytes.size();
  facts.Limit = limits.MaxBytes;
  if (facts.Bytes > limits.MaxBytes) return Refused(TableFault::TooLarge, facts);
  const std::string_view sample = bytes.substr(0, 64 * kKiB);
  const auto lines = static_cast<std::uint64_t>(std::count(sample.begin(), sample.end(), '\n'));
  // Held whole already: its text and cells beside it, counted as a file held whole.
  facts.Estimate = EstimateTableMemory(bytes.size(),
                                       std::max<std::size_t>(sample.size(), 1),
                                       lines + 1,
                                       0,
                                       true,
                                       limits.BytesPerRowAfter) -
                   bytes.size();
  facts.Free = limits.Available != 0 ? FreeMemory{limits.Available, ""} : AvailableMemory();
  if (facts.Estimate > facts.Free.Bytes) return Refused(TableFault::NoMemory, facts);
  try {
    return ReadTable(bytes, options);
  } catch (const std::bad_alloc&) {
    return Refused(TableFault::OutOfMemory, facts);
  }
}
