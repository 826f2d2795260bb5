#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

// Makes results 0..count-1 by make(i) on `threads` threads and hands each to take on the calling
// thread in index order, as soon as it and every one before it are made: what take sees is what
// a loop on one thread gives it. A thread starts result i only while fewer than 2 * threads
// results are made and not yet taken, so memory stays bounded however many there are. make
// must not throw; its result must be default-constructible and movable. With one thread (or
// one result) everything runs on the calling thread.
template <typename Make, typename Take>
void InInputOrder(std::size_t count, int threads, Make make, Take take) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) take(make(i));
    return;
  }
  using Result = std::invoke_result_t<Make&, std::size_t>;
  const std::size_t ahead = 2 * static_cast<std::size_t>(threads);
  std::vector<Result> made(count);
  std::vector<char> ready(count, 0);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0, taken = 0;
  const auto work = [&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return next >= count || next < taken + ahead; });
      if (next >= count) return;
      const std::size_t i = next++;
      lock.unlock();
      Result result = make(i);
      lock.lock();
      made[i] = std::move(result);
      ready[i] = 1;
      changed.notify_all();
    }
  };
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(work);
  while (taken < count) {
    Result result;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return ready[taken] != 0; });
      result = std::move(made[taken]);
    }
    take(std::move(result));
    {
      std::lock_guard lock(mutex);
      ++taken;
    }
    changed.notify_all();
  }
  for (std::thread& worker : workers) worker.join();
}
