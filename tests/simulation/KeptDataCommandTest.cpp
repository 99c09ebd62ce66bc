// The simulation, bootstrap and Poisson-Gamma runs leave the program's count
// table and fitted mixture as they found them: a calculation afterwards fits
// the file the user opened.
#include <gtest/gtest.h>

#include <tuple>

#include "common/FieldLayout.h"
#include "data/Data.h"
#include "estimation/Calc.h"
#include "simulation/Boot.h"
#include "simulation/CommandFixture.h"
#include "simulation/SimPoisonnGamma.h"
#include "simulation/Simu.h"

namespace tallyfold {
namespace {

auto loadedState() {
  const GlobalVar& g = globalVar();
  return std::tuple(g.counts, g.numCountClasses, g.dataAvailable, g.numComponents, g.lambda, g.weight,
                    g.results ? g.results->resNall : std::vector<double>{});
}

class KeptData : public test::SimulationCommandTest {
 protected:
  KeptData() : SimulationCommandTest("kept", 1967) {}

  void run(int templateId, void (*start)(), RecordingWindows::DialogScript script) {
    rec.expectDialog(templateId, std::move(script));
    start();
    ASSERT_TRUE(rec.messageBoxes().empty());
  }
  void calculate(int criterion) {
    run(101, startCalculation, [criterion](RecordingDialog& d) {
      d.setChecked(criterion, true);
      d.press(idOk);
    });
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

TEST_F(KeptData, EveryRunLeavesTheOpenedFileAndItsFit) {
  rec.openWindow(12, "Start window");
  rec.answerFileDialog(std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt");
  openData();
  const auto opened = loadedState();
  run(107, startPoissonGamma, [](RecordingDialog& d) { d.press(idOk); });
  EXPECT_EQ(loadedState(), opened);
  run(102, startSimulation, [](RecordingDialog& d) {
    d.setText(1014, "2");
    d.setText(1030, "3");
    d.press(idOk);
  });
  EXPECT_EQ(loadedState(), opened) << "a study without a fit";

  // Cottontail's NPMLE has three components and N = 369.
  calculate(1001);
  EXPECT_TRUE(test::contains(rec.drawnTexts(25), formatI(369, 10)));
  EXPECT_EQ(offeredSize(), formatI(369, 10));
  const auto fitted = loadedState();
  // The bootstrap under MAX fits two components to its copy and gives the
  // three back; the population size is its own estimate.
  run(105, startBootstrap, [](RecordingDialog& d) {
    d.setChecked(1007, true);
    d.setText(1014, "2");
    d.press(idOk);
  });
  EXPECT_EQ(loadedState(), fitted);
  EXPECT_EQ(globalVar().populationSize, 155);
  EXPECT_EQ(offeredSize(), formatI(369, 10));
}

TEST_F(KeptData, ATableOfSingleSightingsBootstrapsWithoutAnInventedSize) {
  // Its calculation after another table's leaves no fit and no result
  // tables; its bootstrap runs on the closed forms and sets no size.
  loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
  calculate(1003);
  loadData({50, 0, 0});
  calculate(1003);
  run(105, startBootstrap, [](RecordingDialog& d) { d.press(idOk); });
  EXPECT_TRUE(test::contains(rec.drawnTexts(30), " Number of Replications"));
  EXPECT_EQ(offeredSize(), formatI(5000, 10));
  EXPECT_EQ(loadedState(), std::tuple(std::vector<std::int32_t>{50, 0, 0}, 3, 1, 1, std::vector<double>{},
                                      std::vector<double>{}, std::vector<double>{}));
}

}  // namespace
}  // namespace tallyfold
