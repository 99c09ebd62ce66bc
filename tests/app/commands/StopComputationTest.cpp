// Computations on real workers: stopping them from the menu, the busy
// refusals while one runs, and the menu item's state.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "commands/Boot.h"
#include "commands/BusyGuard.h"
#include "commands/Calc.h"
#include "commands/Data.h"
#include "commands/SimPoisonnGamma.h"
#include "commands/Simu.h"
#include "startup/main.h"
#include "state/GlobalVar.h"
#include "windows/DialogIds.h"
#include "support/CommandFixture.h"

namespace tallyfold {
namespace {

using namespace std::chrono_literals;
using test::contains;
using test::readLines;

// Unstopped, the NPMLE search of this table runs for minutes.
const std::vector<std::int32_t> slowTable{222, 4, 222, 28, 66, 12, 1, 0, 7, 15, 0};

class StopComputation : public test::SimulationCommandTest {
 protected:
  StopComputation() : SimulationCommandTest("stop", 7) {}
  void SetUp() override {
    SimulationCommandTest::SetUp();
    ASSERT_TRUE(buildMenus());
    rec.setThreadMode(ThreadMode::real);
  }

  // Waits (at most 20 s) until `done` holds.
  template <class Condition>
  static bool waitFor(Condition done) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }

  // Starts the NPMLE calculation of the slow table and waits until its
  // search is under way.
  void startSlowCalculation() {
    rec.expectDialog(dialogCalculation, [](RecordingDialog& d) {
      d.setChecked(idCalcNpmle, true);
      d.press(idOk);
    });
    startCalculation();
    ASSERT_TRUE(waitFor([&] { return rec.lines(globalVar().logUnit).size() >= 3; }));
    std::this_thread::sleep_for(300ms);  // deep in the search
    ASSERT_TRUE(computationActive());
  }

  // Presses "Stop Computation" and joins the worker; the seconds it took.
  double stopAndJoin() {
    const auto start = std::chrono::steady_clock::now();
    rec.clickMenu("Stop Computation");
    rec.joinThreads();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

TEST_F(StopComputation, StoppingTheCalculationLeavesTheSharedStateAsItWas) {
  GlobalVar& g = globalVar();
  loadData(slowTable);
  g.numComponents = 2;
  g.lambda = {1.5, 6.0};
  g.weight = {0.25, 0.75};
  ResultTables earlier;
  earlier.resN0 = {12.0};
  earlier.resNall = {590.0};
  earlier.resLogLik = {-1.0};
  g.results = earlier;

  EXPECT_FALSE(rec.menuEntryEnabled("Stop Computation"));
  startSlowCalculation();
  EXPECT_TRUE(rec.menuEntryEnabled("Stop Computation"));
  const double seconds = stopAndJoin();
  std::printf("stopped the calculation in %.6f s\n", seconds);
  EXPECT_LT(seconds, 2.0);
  rec.runPostedTasks();

  EXPECT_EQ(g.counts, slowTable);
  EXPECT_EQ(g.numCountClasses, 11);
  EXPECT_EQ(g.numComponents, 2);
  EXPECT_EQ(g.lambda, (std::vector<double>{1.5, 6.0}));
  EXPECT_EQ(g.weight, (std::vector<double>{0.25, 0.75}));
  ASSERT_TRUE(g.results.has_value());
  EXPECT_EQ(g.results->resNall, earlier.resNall);
  EXPECT_EQ(g.results->resN0, earlier.resN0);
  EXPECT_FALSE(rec.isOpen(g.logUnit));
  EXPECT_FALSE(rec.isOpen(g.resultsUnit));
  EXPECT_EQ(rec.lines(g.statusUnit).back(), " Computation stopped.");
  EXPECT_EQ(rec.statusBarText(), "Waiting");
  EXPECT_FALSE(rec.menuEntryEnabled("Stop Computation"));
  EXPECT_FALSE(computationActive());
  EXPECT_TRUE(rec.messageBoxes().empty());
}

TEST_F(StopComputation, WhileARealWorkerRunsEveryOtherComputationAndOpeningDataAreRefused) {
  loadData(slowTable);
  startSlowCalculation();
  startBootstrap();
  startSimulation();
  startPoissonGamma();
  openData();
  rec.expectDialog(dialogCalculation, [](RecordingDialog& d) { d.press(idOk); });  // its OK refuses
  startCalculation();
  const RecordedMessageBox busy{"Calculation is active!", "STATUS"};
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>(5, busy)));
  EXPECT_EQ(rec.threadsStarted(), 1);
  stopAndJoin();
  rec.runPostedTasks();
  EXPECT_FALSE(computationActive());
  rec.clickMenu("Stop Computation");  // idle: disabled, nothing happens
  EXPECT_EQ(rec.threadsStarted(), 1);
}

TEST_F(StopComputation, ExitWhileRunningAsksAndOnYesStopsJoinsAndExits) {
  loadData(slowTable);
  startSlowCalculation();
  rec.answerYesNo(false);
  rec.clickMenu("E&xit");
  EXPECT_FALSE(rec.exitRequested());
  EXPECT_TRUE(computationActive());
  EXPECT_TRUE(rec.isOpen(globalVar().logUnit));

  rec.answerYesNo(true);
  rec.pressCloseButton();
  EXPECT_TRUE(rec.exitRequested());
  ASSERT_EQ(rec.questions().size(), 2u);
  EXPECT_EQ(rec.questions()[1].title, "Exit");
  // The worker had ended (its LOG window closed) before the program exited.
  const std::vector<std::string> events = rec.events();
  const auto closed = std::find(events.begin(), events.end(), "close 19 delete");
  const auto exited = std::find(events.begin(), events.end(), "exit");
  EXPECT_LT(closed, exited);
  EXPECT_NE(exited, events.end());
  rec.runPostedTasks();
}

// Every file under `folder` ends with a whole line (or is empty).
void expectWholeLines(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(text.empty() || text.back() == '\n') << entry.path();
  }
}

TEST_F(StopComputation, AStoppedBootstrapWritesNoSummaryAndOnlyWholeLines) {
  GlobalVar& g = globalVar();
  loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
  rec.expectDialog(dialogBootstrap, [](RecordingDialog& d) {
    d.setText(idReplications, "3000");
    d.setChecked(idPrintInterim, true);
    d.setChecked(idPrintSamples, true);
    d.press(idOk);
  });
  startBootstrap();
  ASSERT_TRUE(waitFor([&] { return test::countPrefix(rec.lines(g.simLogUnit), " ********  rep ") >= 3; }));
  const double seconds = stopAndJoin();
  std::printf("stopped the bootstrap in %.6f s\n", seconds);
  EXPECT_LT(seconds, 2.0);
  rec.runPostedTasks();

  EXPECT_FALSE(std::filesystem::exists(root.path() / "Simoutput.txt"));
  expectWholeLines(root.path());
  EXPECT_FALSE(rec.isOpen(g.simLogUnit));
  EXPECT_FALSE(rec.isOpen(g.simResultsUnit));
  EXPECT_EQ(rec.lines(g.statusUnit).back(), " Computation stopped.");
  EXPECT_EQ(rec.statusBarText(), "Waiting");
  EXPECT_EQ(g.populationSize, 5000);
  EXPECT_EQ(g.counts, (std::vector<std::int32_t>{120, 60, 30, 20, 15, 10, 8, 6, 4, 2}));
}

}  // namespace
}  // namespace tallyfold
