#include "python/interruptible.h"

#include <chrono>
#include <exception>
#include <optional>
#include <thread>

namespace py = pybind11;

namespace {

// How often the waiting thread runs the signal handlers: well inside the tenth of a second a
// Ctrl-C may wait, and rare enough that taking the GIL costs the work nothing.
constexpr auto kSignalPoll = std::chrono::milliseconds(50);

// The token's count of running calls, held for one call also when it raises.
struct TokenEntry {
  explicit TokenEntry(CancelToken* token) : Token(token) {
    if (Token) Token->Enter();
  }
  ~TokenEntry() {
    if (Token) Token->Leave();
  }
  TokenEntry(const TokenEntry&) = delete;
  TokenEntry& operator=(const TokenEntry&) = delete;
  CancelToken* Token;
};

}  // namespace

bool CancelToken::WaitIdle(double seconds) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(
      lock, std::chrono::duration<double>(seconds), [this] { return running_ == 0; });
}

void CancelToken::Enter() {
  std::lock_guard lock(mutex_);
  ++running_;
}

void CancelToken::Leave() {
  std::lock_guard lock(mutex_);
  if (--running_ == 0) idle_.notify_all();
}

void RunInterruptibly(const std::function<void(const std::atomic<bool>& cancel)>& work,
                      const std::shared_ptr<CancelToken>& token) {
  const TokenEntry entry(token.get());
  std::atomic<bool> cancel{false};
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::exception_ptr failure;
  std::optional<py::error_already_set> raised;
  {
    py::gil_scoped_release release;
    std::thread worker([&] {
      try {
        work(cancel);
      } catch (...) {
        failure = std::current_exception();
      }
      std::lock_guard lock(mutex);
      done = true;
      finished.notify_all();
    });
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, kSignalPoll, [&] { return done; })) {
      if (cancel.load()) continue;  // asked once; the work is on its way out
      lock.unlock();
      {
        py::gil_scoped_acquire hold;
        if (PyErr_CheckSignals() != 0) raised.emplace();  // takes the handler's exception
      }
      if (raised || (token && token->Cancelled())) cancel.store(true);
      lock.lock();
    }
    lock.unlock();
    worker.join();
  }
  if (raised) throw std::move(*raised);
  if (cancel.load()) {
    PyErr_SetNone(PyExc_KeyboardInterrupt);
    throw py::error_already_set();
  }
  if (failure) std::rethrow_exception(failure);
}

void BindCancelToken(py::module_& module) {
  py::class_<CancelToken, std::shared_ptr<CancelToken>>(
      module, "CancelToken", "Cancels the native calls that were given it, on any thread.")
      .def(py::init<>())
      .def("cancel", &CancelToken::Cancel)
      .def_property_readonly("cancelled", &CancelToken::Cancelled)
      .def("wait_idle",
           &CancelToken::WaitIdle,
           py::arg("seconds"),
           py::call_guard<py::gil_scoped_release>())
      .def(py::pickle([](const CancelToken&) { return py::tuple(); },
                      [](const py::tuple&) { return std::make_shared<CancelToken>(); }));
}
