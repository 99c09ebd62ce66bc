#pragma once
// Runs a read that might block (a pipe without a writer, an endless device)
// on a thread of its own. When it has not returned within the limit the test
// program fails and ends at once: a blocked read cannot be stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

namespace tallyfold {

template <class Read>
auto finishesWithin(std::chrono::seconds limit, const std::string& what, Read read) {
  std::packaged_task<decltype(read())()> task(std::move(read));
  auto result = task.get_future();
  std::thread(std::move(task)).detach();
  if (result.wait_for(limit) == std::future_status::timeout) {
    ADD_FAILURE() << what << " did not end within " << limit.count() << " s";
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
  }
  return result.get();
}

}  // namespace tallyfold
