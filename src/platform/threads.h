// work(i) for every i below n: 0 on this thread, the others each on a thread
// of their own, or on this one in turn where no thread is to be had.
#pragma once
#include <algorithm>
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

template <class F>
void onThreads(size_t n, F&& work) {
  std::vector<std::thread> workers;
  for (size_t i = 1; i < n; ++i) {
    try {
      workers.emplace_back(std::ref(work), i);
    } catch (const std::exception&) {
      work(i);
    }
  }
  if (n > 0) work(0);
  for (std::thread& w : workers) w.join();
}

// The cores this process may run on: fewer than the machine's when it is
// held to some (taskset, a container's share), and threads beyond them only
// take turns.
inline size_t UsableCores() {
#if defined(__linux__)
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<size_t>(std::max(1, CPU_COUNT(&set)));
#endif
  return std::max(1u, std::thread::hardware_concurrency());
}
