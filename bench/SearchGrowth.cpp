// How the component search's cost grows with the table: one search of a
// table file (one count a line) under NPMLE or BIC, ended after a time limit,
// printing the wall time, the EM passes, the mean-update steps and the
// accepted number of components.
//
//   search_growth FILE npmle|bic SECONDS [THREADS]
//
// THREADS (default 1) share the E-step's classes; 0 is every core.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: search_growth FILE npmle|bic SECONDS [THREADS]\n");
    return 1;
  }
  std::ifstream in(argv[1]);
  std::vector<std::int32_t> counts;
  for (std::int32_t f = 0; in >> f;) counts.push_back(f);
  const std::string criterion = argv[2];
  const tallyfold::SearchSettings settings{static_cast<double>(tallyfold::defaults::exactness),
                                           criterion == "bic" ? tallyfold::StopCriterion::bic
                                                              : tallyfold::StopCriterion::npmle,
                                           2, argc == 5 ? std::atoi(argv[4]) : 1};
  const auto limit = std::chrono::seconds(std::atoi(argv[3]));
  std::stop_source source;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  std::jthread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, limit, [&] { return finished; })) source.request_stop();
  });
  const auto start = std::chrono::steady_clock::now();
  const tallyfold::SearchResult result = tallyfold::componentSearch(counts, settings, false, {}, source.get_token());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  {
    std::lock_guard lock(mutex);
    finished = true;
  }
  done.notify_one();
  if (result.stopped) {
    std::printf("m=%zu %s: not finished in %.1f s\n", counts.size(), argv[2], seconds);
    return 0;
  }
  std::printf("m=%zu %s: %.2f s, %lld EM passes, %lld mean-update steps, k=%d\n", counts.size(), argv[2], seconds,
              static_cast<long long>(result.counters.emPasses), static_cast<long long>(result.counters.meanUpdateSteps),
              result.numComponents);
  return 0;
}
