#pragma once
// Threads that share one loop with the thread that owns them: run(parts,
// part) calls part(0) .. part(parts - 1), each once, on the calling thread
// and the helpers, and returns once every part is done. The threads take
// the parts one at a time, the calling thread among them, so a helper that
// is slow to wake (its core busy with another process) never holds the loop
// up: the caller does the parts the helper has not taken.
//
// Meant for short, frequent loops (an E-step over the classes x takes tens
// of microseconds): a helper waits for the next loop polling for a short
// while before it sleeps. The helpers start with the first loop that needs
// them and are joined by the destructor. Which thread computes a part never
// changes a value: each part writes its own slice.
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace tallyfold {

// The number of threads a `threads` setting asks for: 0 means every core
// (std::thread::hardware_concurrency, 1 where it is not known); never
// below 1.
int threadsOfSetting(int threads);

class HelperThreads {
 public:
  explicit HelperThreads(int count);  // count >= 1 threads in all, the caller's among them
  ~HelperThreads();
  HelperThreads(const HelperThreads&) = delete;
  HelperThreads& operator=(const HelperThreads&) = delete;

  int count() const { return count_; }
  void run(int parts, const std::function<void(int part)>& part);  // parts <= maxParts

  static constexpr int maxParts = 0xFFFF;

 private:
  void serve();
  // Takes and computes parts of the loop of `generation` while there are
  // any; returns how many it did.
  int takeParts(std::uint32_t generation);

  int count_;
  // The loop's generation (bits 32..63), its number of parts (16..31) and
  // the next part to take (0..15), in one word, so a part is only ever
  // taken from the loop it belongs to.
  std::atomic<std::uint64_t> state_{0};
  const std::function<void(int)>* task_ = nullptr;  // read only while holding a part
  std::atomic<int> done_{0};                        // parts of this loop finished
  std::atomic<bool> quit_{false};
  std::vector<std::jthread> helpers_;
};

}  // namespace tallyfold
