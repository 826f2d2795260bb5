#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

// Long native calls that Ctrl-C stops: the engine works on a thread of its own while the calling
// thread, without the GIL, runs Python's signal handlers every kSignalPoll. When a handler raises
// (KeyboardInterrupt) the work's cancel flag is set, the engine's own cancel hooks see it and
// return, the thread is joined and the handler's exception is raised: nothing is left running.

// A cancel that Python code holds for calls running on other threads (harmora.dask cancels its
// tasks with it when its wait is interrupted). A copy by pickle is a new, uncancelled token, as a
// cluster's worker cannot be reached through it.
class CancelToken {
 public:
  void Cancel() { cancelled_.store(true); }
  bool Cancelled() const { return cancelled_.load(); }
  // Waits, without the GIL, until no call holding the token runs, at most `seconds`; returns
  // whether none does.
  bool WaitIdle(double seconds);
  void Enter();
  void Leave();

 private:
  std::atomic<bool> cancelled_{false};
  std::mutex mutex_;
  std::condition_variable idle_;
  int running_ = 0;
};

// Runs work(cancel) on a new thread; the calling thread must hold the GIL and gets it back when
// the work has ended. work must not touch Python except through callbacks that take the GIL.
// cancel turns true once a signal handler raised or `token` (may be null) was cancelled; the
// handler's exception, else KeyboardInterrupt for a cancelled token, else the work's own
// exception is then raised here.
void RunInterruptibly(const std::function<void(const std::atomic<bool>& cancel)>& work,
                      const std::shared_ptr<CancelToken>& token);

// Registers CancelToken (cancel(), cancelled, wait_idle(seconds)) on the module.
void BindCancelToken(pybind11::module_& module);
