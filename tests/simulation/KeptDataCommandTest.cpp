// The simulation, bootstrap and Poisson-Gamma commands work on copies: after
// a run the program's count table, its class count and the fitted mixture
// are the ones it had before, so a calculation afterwards fits the file the
// user opened.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "data/Data.h"
#include "estimation/Calc.h"
#include "shell/GlobalVar.h"
#include "simulation/Boot.h"
#include "simulation/CommandFixture.h"
#include "simulation/SimPoisonnGamma.h"
#include "simulation/Simu.h"
#include "support/RecordingWindows.h"

namespace tallyfold {
namespace {

// What a run must give back as it found it.
struct LoadedState {
  std::vector<std::int32_t> counts;
  std::int32_t numCountClasses;
  std::int32_t dataAvailable;
  std::int32_t numComponents;
  std::vector<double> lambda;
  std::vector<double> weight;
  std::optional<std::vector<double>> resNall;
  bool operator==(const LoadedState&) const = default;
};

LoadedState loadedState() {
  const GlobalVar& g = globalVar();
  return {g.counts, g.numCountClasses, g.dataAvailable, g.numComponents, g.lambda, g.weight,
          g.results ? std::optional(g.results->resNall) : std::nullopt};
}

class KeptData : public test::SimulationCommandTest {
 protected:
  KeptData() : SimulationCommandTest("kept", 1967) {}

  void openCottontail() {
    rec.openWindow(12, "Start window");
    rec.answerFileDialog(std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt");
    openData();
    ASSERT_EQ(globalVar().counts, (std::vector<std::int32_t>{43, 16, 8, 6, 0, 2, 1}));
  }

  // The calculation under the NPMLE criterion: cottontail's third fit is
  // its NPMLE, N = 369. Returns the Nall of the third block.
  std::string calculateNpmle() {
    rec.expectDialog(101, [](RecordingDialog& d) {
      d.setChecked(1001, true);
      d.press(idOk);
    });
    startCalculation();
    for (const RecordedText& t : rec.texts(25)) {
      if (t.x == 535 && t.y == 190) return t.text;
    }
    return {};
  }

  std::string offeredSize() {
    std::string offered;
    rec.expectDialog(107, [&offered](RecordingDialog& d) {
      offered = d.text(1015);
      d.press(idCancel);
    });
    startPoissonGamma();
    return offered;
  }
};

TEST_F(KeptData, APoissonGammaRunLeavesTheOpenedFileToTheCalculation) {
  openCottontail();
  const LoadedState before = loadedState();
  rec.expectDialog(107, [](RecordingDialog& d) { d.press(idOk); });
  startPoissonGamma();
  ASSERT_TRUE(rec.messageBoxes().empty());
  EXPECT_TRUE(loadedState() == before);
  EXPECT_EQ(globalVar().numEstimators, 7);

  EXPECT_EQ(calculateNpmle(), "       369");
  EXPECT_EQ(offeredSize(), formatI(369, 10));
}

TEST_F(KeptData, AStudyWithoutAFitLeavesTheOpenedFileAndNoFit) {
  openCottontail();
  const LoadedState before = loadedState();
  ASSERT_TRUE(before.lambda.empty());
  for (const bool fromDataset : {false, true}) {
    rec.expectDialog(102, [fromDataset](RecordingDialog& d) {
      d.setText(1014, "2");
      d.setChecked(1009, fromDataset);
      d.setChecked(1010, !fromDataset);
      d.setText(1015, "500");
      d.setText(1030, "3");
      d.press(idOk);
    });
    startSimulation();
    ASSERT_TRUE(rec.messageBoxes().empty());
    EXPECT_TRUE(loadedState() == before) << fromDataset;
  }
  EXPECT_EQ(calculateNpmle(), "       369");
}

TEST_F(KeptData, ABootstrapGivesBackTheFitThatWasThere) {
  // The calculation's fit has two components; the bootstrap under NPMLE
  // fits three to the same table, and still gives the two back.
  openCottontail();
  rec.expectDialog(101, [](RecordingDialog& d) { d.press(idOk); });
  startCalculation();
  ASSERT_EQ(globalVar().numComponents, 2);
  const LoadedState before = loadedState();
  rec.expectDialog(105, [](RecordingDialog& d) {
    d.setChecked(1005, true);
    d.setText(1014, "2");
    d.press(idOk);
  });
  startBootstrap();
  ASSERT_TRUE(rec.messageBoxes().empty());
  EXPECT_TRUE(loadedState() == before);
  EXPECT_EQ(globalVar().populationSize, 369) << "the observed table's own estimate";
  EXPECT_EQ(offeredSize(), formatI(155, 10)) << "the calculation's estimate";
}

TEST_F(KeptData, ATableOfSingleSightingsBootstrapsWithoutAnInventedSize) {
  // After a calculation of another table, a table whose units were all seen
  // once: its calculation leaves no fit and no result tables, and its
  // bootstrap runs on the closed forms and sets no population size.
  loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
  rec.expectDialog(101, [](RecordingDialog& d) { d.press(idOk); });
  startCalculation();
  ASSERT_TRUE(globalVar().results);
  loadData({50, 0, 0});
  rec.expectDialog(101, [](RecordingDialog& d) { d.press(idOk); });
  startCalculation();
  EXPECT_FALSE(globalVar().results);
  EXPECT_TRUE(globalVar().lambda.empty());

  rec.expectDialog(105, [](RecordingDialog& d) {
    d.setText(1014, "3");
    d.press(idOk);
  });
  startBootstrap();
  EXPECT_TRUE(rec.messageBoxes().empty());
  EXPECT_TRUE(test::contains(rec.drawnTexts(30), " Number of Replications"));
  EXPECT_EQ(globalVar().populationSize, 5000);
  EXPECT_EQ(offeredSize(), formatI(5000, 10));
  EXPECT_EQ(globalVar().counts, (std::vector<std::int32_t>{50, 0, 0}));
  EXPECT_TRUE(globalVar().lambda.empty());
}

}  // namespace
}  // namespace tallyfold
