// work(i) for every i below n: 0 on this thread, the others each on a thread
// of their own, or on this one in turn where no thread is to be had.
#pragma once
#include <cstddef>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

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
