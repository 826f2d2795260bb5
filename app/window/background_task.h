#pragma once

#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>

class QWidget;

// What a task running off the window's thread shares with the window: the fraction done (below 0
// while unknown), a line saying what it is doing, and the window's request to stop.
struct TaskControl {
  std::atomic<double> Fraction{-1};
  std::atomic<bool> Cancel{false};
  std::atomic<bool> Done{false};
};

// Shows a modal progress dialog for `control` over `parent` (after a short delay, so quick work
// shows none), with "Отменить" setting control->Cancel. Polls the control on the window's thread;
// when it is done runs finished, or cancelled once the user cancelled (the work's result, which
// may still come, is then dropped). The dialog blocks input to every window while it is open.
void WatchTask(QWidget* parent,
               const QString& label,
               std::shared_ptr<TaskControl> control,
               std::function<void()> finished,
               std::function<void()> cancelled);

// A task's result, or the fault that ended it; Get() rethrows that fault.
template <class T>
struct TaskOutcome {
  std::optional<T> Value;
  std::exception_ptr Fault;
  T Get() {
    if (Fault) std::rethrow_exception(Fault);
    return std::move(*Value);
  }
};

// Runs work(control) on a thread of its own while WatchTask shows it; done(outcome) runs on the
// window's thread unless the user cancelled. The thread holds only what work captured and the
// shared control, so a cancelled task may end after its window is gone.
template <class T>
void RunInBackground(QWidget* parent,
                     const QString& label,
                     std::function<T(TaskControl&)> work,
                     std::function<void(TaskOutcome<T>&)> done,
                     std::function<void()> cancelled = {}) {
  auto control = std::make_shared<TaskControl>();
  auto outcome = std::make_shared<TaskOutcome<T>>();
  std::thread([control, outcome, work = std::move(work)] {
    try {
      outcome->Value.emplace(work(*control));
    } catch (...) {
      outcome->Fault = std::current_exception();
    }
    control->Done.store(true);
  }).detach();
  WatchTask(
      parent,
      label,
      control,
      [outcome, done = std::move(done)] { done(*outcome); },
      std::move(cancelled));
}
