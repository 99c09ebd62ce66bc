#include "commands/BusyGuard.h"

#include <gtest/gtest.h>

#include <future>

#include "numeric/ErrorReporting.h"
#include "numeric/GammaFunctions.h"
#include "state/GlobalVar.h"
#include "support/RecordingWindows.h"

namespace tallyfold {
namespace {

class BusyGuard : public ::testing::Test {
 protected:
  void SetUp() override { globalVar().resetAll(); }
  RecordingWindows rec;
};

TEST_F(BusyGuard, ATerminalNumericalErrorAbandonsTheRunAndKeepsTheProgram) {
  rec.setThreadMode(ThreadMode::real);
  ErrorOutput quiet = setErrorOutput([](std::string_view) {});
  bool restored = false;
  bool finished = false;
  ASSERT_TRUE(startComputation(
      [&] {
        GAMMA(0.0f);  // ends the computation
        finished = true;
      },
      [&] { restored = true; }));
  rec.waitForThreads();
  setErrorOutput(quiet);

  EXPECT_FALSE(finished);
  EXPECT_TRUE(restored);
  ASSERT_EQ(rec.messageBoxes().size(), 1u);
  EXPECT_EQ(rec.messageBoxes()[0].title, "Error");
  EXPECT_EQ(rec.messageBoxes()[0].text.rfind(" *** TERMINAL ERROR 5 from GAMMA.  The argument for the function can\n", 0),
            0u);
  EXPECT_EQ(globalVar().calcThread.load(), -1);
  EXPECT_EQ(rec.statusBarText(), "Waiting");
  EXPECT_EQ(errorStackDepth(), 0);

  // The next computation starts normally.
  EXPECT_TRUE(startComputation([&] { finished = true; }));
  rec.waitForThreads();
  EXPECT_TRUE(finished);
}

TEST_F(BusyGuard, OneComputationAtATime) {
  rec.setThreadMode(ThreadMode::real);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  ASSERT_TRUE(startComputation([released] { released.wait(); }));
  EXPECT_TRUE(computationActive());
  EXPECT_FALSE(startComputation([] { ADD_FAILURE() << "a second computation ran"; }));
  EXPECT_TRUE(refuseWhileBusy());
  release.set_value();
  rec.waitForThreads();
  EXPECT_FALSE(computationActive());
  EXPECT_FALSE(refuseWhileBusy());
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"Calculation is active!", "STATUS"},
                                                                  {"Calculation is active!", "STATUS"}}));
}

}  // namespace
}  // namespace tallyfold
