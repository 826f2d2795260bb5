#include "cli/stop_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

extern "C" void RememberStop(int signal) { gStopSignal = signal; }

}  // namespace

void CatchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = RememberStop;
  action.sa_flags = SA_RESETHAND;  // the second signal takes its default course
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() { return gStopSignal; }
