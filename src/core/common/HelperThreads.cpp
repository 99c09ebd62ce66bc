#include "common/HelperThreads.h"

#include <stdexcept>

namespace tallyfold {

namespace {

// Polling rounds before a waiting thread sleeps (a few tens of
// microseconds): longer than the work between two E-steps of a large
// table, so a helper is awake when the next one comes.
constexpr int spinRounds = 2000;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Waits until done(value) holds, first polling, then sleeping on the atomic.
template <class T, class Done>
T waitFor(const std::atomic<T>& value, Done done) {
  for (int round = 0; round < spinRounds; ++round) {
    const T now = value.load(std::memory_order_acquire);
    if (done(now)) return now;
    pause();
  }
  for (T now = value.load(std::memory_order_acquire);; now = value.load(std::memory_order_acquire)) {
    if (done(now)) return now;
    value.wait(now, std::memory_order_acquire);
  }
}

constexpr std::uint32_t generationOf(std::uint64_t state) { return static_cast<std::uint32_t>(state >> 32); }
constexpr int partsOf(std::uint64_t state) { return static_cast<int>((state >> 16) & 0xFFFF); }
constexpr int nextPartOf(std::uint64_t state) { return static_cast<int>(state & 0xFFFF); }

}  // namespace

int threadsOfSetting(int threads) {
  if (threads >= 1) return threads;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

HelperThreads::HelperThreads(int count) : count_(count < 1 ? 1 : count) {}

HelperThreads::~HelperThreads() {
  quit_.store(true, std::memory_order_release);
  state_.fetch_add(std::uint64_t{1} << 32, std::memory_order_release);
  state_.notify_all();
  helpers_.clear();  // joins
}

void HelperThreads::run(int parts, const std::function<void(int part)>& part) {
  if (parts > maxParts) throw std::invalid_argument("HelperThreads::run: too many parts");
  if (count_ == 1 || parts <= 1) {
    for (int p = 0; p < parts; ++p) part(p);
    return;
  }
  if (helpers_.empty()) {
    helpers_.reserve(static_cast<std::size_t>(count_ - 1));
    for (int t = 1; t < count_; ++t) helpers_.emplace_back([this] { serve(); });
  }
  task_ = &part;
  done_.store(0, std::memory_order_relaxed);
  const std::uint32_t generation = generationOf(state_.load(std::memory_order_relaxed)) + 1;
  state_.store(std::uint64_t{generation} << 32 | static_cast<std::uint64_t>(parts) << 16, std::memory_order_release);
  state_.notify_all();
  const int mine = takeParts(generation);
  if (mine < parts) waitFor(done_, [parts](int done) { return done == parts; });
}

int HelperThreads::takeParts(std::uint32_t generation) {
  int taken = 0;
  std::uint64_t state = state_.load(std::memory_order_acquire);
  for (;;) {
    const int parts = partsOf(state);
    if (generationOf(state) != generation || nextPartOf(state) >= parts) return taken;
    if (!state_.compare_exchange_weak(state, state + 1, std::memory_order_acq_rel, std::memory_order_acquire)) continue;
    // task_ is read only while a part of this loop is held: it was written
    // before the loop was published and stays until its parts are all done.
    (*task_)(nextPartOf(state));
    ++taken;
    if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == parts) done_.notify_one();
    state = state_.load(std::memory_order_acquire);
  }
}

void HelperThreads::serve() {
  std::uint32_t seen = 0;
  for (;;) {
    const std::uint64_t state = waitFor(state_, [seen](std::uint64_t now) { return generationOf(now) != seen; });
    seen = generationOf(state);
    if (quit_.load(std::memory_order_acquire)) return;
    takeParts(seen);
  }
}

}  // namespace tallyfold
