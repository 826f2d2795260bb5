#include "cli/progress_line.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr auto kQuietStart = std::chrono::seconds(2);
constexpr auto kInterval = std::chrono::milliseconds(250);

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, std::string name, bool russian)
    : err_(err),
      name_(std::move(name)),
      russian_(russian),
      start_(std::chrono::steady_clock::now()),
      last_(start_) {}

ProgressLine::~ProgressLine() {
  if (width_ == 0) return;
  err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
}

void ProgressLine::Searching() { Show(russian_ ? "поиск" : "searching"); }

void ProgressLine::Refining(double fraction) {
  const int percent = std::isfinite(fraction) ? static_cast<int>(std::lround(100 * fraction)) : 0;
  Show((russian_ ? "уточнение " : "refining ") + std::to_string(percent) + " %");
}

void ProgressLine::Show(const std::string& what) {
  std::unique_lock lock(writing_, std::try_to_lock);
  if (!lock.owns_lock()) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietStart || now - last_ < kInterval) return;
  last_ = now;
  const long seconds =
      static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(now - start_).count());
  std::string line = "harmora-fit: " + name_ + ": " + what + ", " + std::to_string(seconds) +
                     (russian_ ? " с" : " s");
  const std::size_t shown = line.size();
  if (shown < width_) line += std::string(width_ - shown, ' ');
  width_ = std::max(width_, shown);
  err_ << '\r' << line << std::flush;
}

bool ProgressWanted(bool quiet) { return !quiet && isatty(STDERR_FILENO) == 1; }
