// What the import check adds to reading a data file of about 100 MB. Three files, each read
// (a) by the plain LoadDataFile, (b) by LoadDataFile with the check fed every byte it reads (and
// the rest of the file, as the window opens it), and (c) by a bare loop of read() calls over the
// whole file, the cost of reading its bytes at all. Times are the thread's CPU time, the best of
// several runs, the three side by side in each round so that load from other work hits them
// alike.
//
//   numeric: 100 MB of "x y" rows. The reader stops after 100 pairs; the check counts the
//            numbers left out in the next 1 MiB and estimates the rest from the file's size.
//   sparse:  100 MB of text lines with 150 numbers among them: the reader reads it all.
//   digits:  one number 100 MB long (0.777...): the reader reads it all, and the check sees a
//   number byte
//            at every byte (the check's slowest case).
//
// Usage: import_check_bench [megabytes] [rounds]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "data/data_file_reader.h"
#include "data/import_check.h"

namespace {

// CPU time of this thread: with several builds sharing two cores, wall time mostly measures
// waiting for a core.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
  }
};

std::string WriteFile(const std::filesystem::path& path, const std::string& kind, long bytes) {
  std::ofstream out(path, std::ios::binary);
  std::string block;
  long written = 0;
  if (kind == "numeric") {
    for (long i = 1; written < bytes; ++i) {
      block = std::to_string(i) + " " + std::to_string(i % 997) + ".25\n";
      out << block;
      written += static_cast<long>(block.size());
    }
  } else if (kind == "sparse") {
    const std::string filler = "measured at the north station; see the notes below\n";
    const long lines = bytes / static_cast<long>(filler.size());
    const long every = std::max(1l, lines / 75);
    int pairs = 0;
    for (long i = 0; written < bytes; ++i) {
      if (i % every == 0 && pairs < 75) {
        block = std::to_string(pairs) + " " + std::to_string(pairs * 3) + ".5\n";
        ++pairs;
      } else {
        block = filler;
      }
      out << block;
      written += static_cast<long>(block.size());
    }
  } else {
    out << "1 2 3 4 5 6 7 0.";
    const std::string digits(1 << 20, '7');
    for (; written < bytes; written += static_cast<long>(digits.size())) out << digits;
  }
  return path.string();
}

double Seconds(double from) { return Clock::now() - from; }

double PlainRead(const std::string& path) {
  const auto start = Clock::now();
  ObservationSet obs;
  bool failed = false;
  LoadDataFile(path, obs, failed);
  return Seconds(start);
}

double CheckedRead(const std::string& path, ImportReport& report) {
  const auto start = Clock::now();
  ObservationSet obs;
  bool failed = false;
  report = LoadCheckedDataFile(path, obs, failed);
  return Seconds(start);
}

double BareRead(const std::string& path) {
  const auto start = Clock::now();
  const int fd = open(path.c_str(), O_RDONLY);
  const auto buffer = std::make_unique<char[]>(64 * 1024);
  long total = 0;
  for (;;) {
    const ssize_t count = read(fd, buffer.get(), 64 * 1024);
    if (count <= 0) break;
    total += count;
  }
  close(fd);
  if (total < 0) std::puts("");
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::atol(argv[1]) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  std::printf("%-8s %8s %12s %12s %12s %9s %9s  signs\n",
              "file",
              "MB",
              "a plain ms",
              "b checked ms",
              "c bytes ms",
              "(b-a)/a",
              "(b-a)/c");
  for (const char* kind : {"numeric", "sparse", "digits"}) {
    const std::filesystem::path path =
        dir / ("harmora_import_bench_" + std::string(kind) + "_" + std::to_string(getpid()));
    const std::string file = WriteFile(path, kind, megabytes * 1000 * 1000);
    double a = 1e9, b = 1e9, c = 1e9;
    ImportReport report;
    BareRead(file);  // into the page cache
    for (int r = 0; r < rounds; ++r) {
      a = std::min(a, PlainRead(file));
      b = std::min(b, CheckedRead(file, report));
      c = std::min(c, BareRead(file));
    }
    std::printf("%-8s %8ld %12.3f %12.3f %12.3f %8.1f%% %8.1f%%  %zu (left out %s%lld)\n",
                kind,
                megabytes,
                a * 1e3,
                b * 1e3,
                c * 1e3,
                100 * (b - a) / a,
                100 * (b - a) / c,
                report.Signs.size(),
                report.LeftOutEstimated ? "~" : "",
                static_cast<long long>(report.NumbersLeftOut));
    std::filesystem::remove(path);
  }
  return 0;
}
