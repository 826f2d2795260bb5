// What reading a large table costs: a CSV file of n rows "date,x,y,sigma" (ISO date-times,
// exponent numbers, one NA in a thousand rows), read from disk by ReadTableFile and its x, y and
// σ columns taken by SelectColumns. Times are the thread's CPU time, the best of several rounds;
// the peak resident memory is the process's (the table written, read and selected from).
//
// Usage: table_read_bench [rows] [rounds] [file]: a file given is read instead, its first two
// columns taken as x and y.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/table_reader.h"

namespace {

// CPU time of this thread: with several builds sharing two cores, wall time mostly measures
// waiting for a core.
double Now() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

std::string WriteTable(long rows) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "harmora_table_bench.csv").string();
  std::ofstream out(path);
  out << "time,x,y,sigma\n";
  char line[128];
  for (long i = 0; i < rows; ++i) {
    const long hour = i % 24, day = i / 24;
    std::snprintf(line,
                  sizeof line,
                  "2024-01-01T%02ld:00:00,%ld,%.17g,%s\n",
                  hour,
                  i,
                  1.5e-3 * static_cast<double>(i % 977) + static_cast<double>(day),
                  i % 1000 == 999 ? "NA" : "2.5e-2");
    out << line;
  }
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const bool given = argc > 3;
  const std::string path = given ? argv[3] : WriteTable(rows);
  std::printf(
      "%ld rows, %.1f MB\n", rows, static_cast<double>(std::filesystem::file_size(path)) / 1e6);
  double bestRead = 1e30, bestSelect = 1e30;
  std::size_t kept = 0;
  for (int r = 0; r < rounds; ++r) {
    const double start = Now();
    const Table table = ReadTableFile(path);
    const double read = Now();
    const TableSeries series =
        SelectColumns(table, given ? TableSelection{0, 1} : TableSelection{1, 2, 3});
    const double end = Now();
    bestRead = std::min(bestRead, read - start);
    bestSelect = std::min(bestSelect, end - read);
    kept = series.X.size();
  }
  std::printf("ReadTableFile  %8.1f ms\nSelectColumns  %8.1f ms\nrows kept      %8zu\n",
              1e3 * bestRead,
              1e3 * bestSelect,
              kept);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident  %8ld kB\n", usage.ru_maxrss);
  if (!given) std::filesystem::remove(path);
}
