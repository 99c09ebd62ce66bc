#include "simulation/ReplicatePool.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "numeric/ErrorReporting.h"
#include "support/CapturedErrorOutput.h"

namespace tallyfold {
namespace {

TEST(ReplicatePool, PreparesAndFinishesInOrderOnTheCallingThread) {
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<int> prepared;
  std::vector<int> finished;
  std::vector<int> fitted(40, 0);
  bool fittedElsewhere = true;
  ReplicateSteps steps;
  steps.prepare = [&](int rep) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    prepared.push_back(rep);
  };
  steps.fit = [&](int rep, std::stop_token) {
    if (std::this_thread::get_id() == caller) fittedElsewhere = false;
    // Later replicates are quicker: they are fitted before earlier ones.
    std::this_thread::sleep_for(std::chrono::microseconds(50 * (40 - rep)));
    fitted[static_cast<std::size_t>(rep - 1)] = rep;
  };
  steps.finish = [&](int rep) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_EQ(fitted[static_cast<std::size_t>(rep - 1)], rep) << "finished before it was fitted";
    finished.push_back(rep);
  };
  ASSERT_TRUE(runReplicates(40, 3, steps, {}));
  std::vector<int> order(40);
  for (int i = 0; i < 40; ++i) order[static_cast<std::size_t>(i)] = i + 1;
  EXPECT_EQ(prepared, order);
  EXPECT_EQ(finished, order);
  EXPECT_TRUE(fittedElsewhere);
}

TEST(ReplicatePool, AFailingFitEndsTheRunAtItsTurnAsASerialRunWould) {
  for (const int threads : {1, 2}) {
    std::vector<int> finished;
    ReplicateSteps steps;
    steps.fit = [](int rep, std::stop_token) {
      if (rep == 3 || rep == 5) throw std::runtime_error("replicate " + std::to_string(rep));
    };
    steps.finish = [&](int rep) { finished.push_back(rep); };
    try {
      runReplicates(20, threads, steps, {});
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "replicate 3") << threads;
    }
    EXPECT_EQ(finished, (std::vector<int>{1, 2})) << threads;
  }
}

// A fit's warnings come out where a serial run prints them: before its
// replicate's finish, in replicate order, however the workers raced.
TEST(ReplicatePool, WarningsOfTheFitsArePrintedInReplicateOrder) {
  std::vector<std::vector<std::string>> printed;
  for (const int threads : {1, 3}) {
    test::CapturedErrorOutput out;
    ReplicateSteps steps;
    steps.fit = [](int rep, std::stop_token) {
      std::this_thread::sleep_for(std::chrono::microseconds(100 * (12 - rep)));
      E1PSH("REPFIT");
      errStoreInteger(1, rep);
      E1MES(3, 1, "replicate %(I1)");
      E1POP("REPFIT");
    };
    std::vector<std::string> all;
    steps.finish = [&](int rep) {
      all.insert(all.end(), out.lines().begin(), out.lines().end());
      all.push_back("finish " + std::to_string(rep));
      out.clear();
    };
    ASSERT_TRUE(runReplicates(12, threads, steps, {}));
    printed.push_back(all);
  }
  ASSERT_EQ(printed[0].size(), 72u);  // each warning and its traceback: three lines
  EXPECT_EQ(printed[0][0], " *** WARNING ERROR 1 from REPFIT.  replicate 1");
  EXPECT_EQ(printed[1], printed[0]);
}

}  // namespace
}  // namespace tallyfold
