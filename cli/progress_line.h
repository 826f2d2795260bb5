#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>

// A line on a terminal's standard error that says what a long fit is doing: nothing for the
// first two seconds (most fits end before), then the file, the stage and the time so far,
// rewritten in place at most four times a second and wiped when the fit ends. Asked from the
// search's threads (its cancel checks are the heartbeat) and the refinement's progress; only one
// caller writes at a time, the others pass.
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, std::string name, bool russian);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Searching();
  void Refining(double fraction);

 private:
  void Show(const std::string& what);

  std::ostream& err_;
  std::string name_;
  bool russian_;
  std::chrono::steady_clock::time_point start_, last_;
  std::mutex writing_;
  std::size_t width_ = 0;  // of the line shown, to wipe it
};

// Whether progress lines go to standard error: a terminal, and not --quiet.
bool ProgressWanted(bool quiet);
