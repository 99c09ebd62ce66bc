// The simulation, bootstrap and Poisson-Gamma runs leave the program's count
// table and fitted mixture as they found them: a calculation afterwards fits
// the file the user opened.
#include <gtest/gtest.h>

#include <tuple>

#include "common/FieldLayout.h"
#include "commands/Data.h"
#include "commands/Calc.h"
#include "commands/Boot.h"
#include "support/CommandFixture.h"
#include "commands/SimPoisonnGamma.h"
#include "commands/Simu.h"
#include "windows/DialogIds.h"

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
    run(dialogCalculation, startCalculation, [criterion](RecordingDialog& d) {
      d.setChecked(criterion, true);
      d.press(idOk);
    });
  }
  std::string offeredSize() {
    std::string offered;
    rec.expectDialog(dialogPoissonGamma, [&offered](RecordingDialog& d) {
      offered = d.text(idPopulationSize);
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
  run(dialogPoissonGamma, startPoissonGamma, [](RecordingDialog& d) { d.press(idOk); });
  EXPECT_EQ(loadedState(), opened);
  run(dialogSimulation, startSimulation, [](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.setText(idBootReplications, "3");
    d.press(idOk);
  });
  EXPECT_EQ(loadedState(), opened) << "a study without a fit";

  // Cottontail's NPMLE has three components and N = 369.
  calculate(idCalcNpmle);
  EXPECT_TRUE(test::contains(rec.drawnTexts(25), formatI(369, 10)));
  EXPECT_EQ(offeredSize(), formatI(369, 10));
  const auto fitted = loadedState();
  // The bootstrap under MAX fits two components to its copy and gives the
  // three back; the population size is its own estimate.
  run(dialogBootstrap, startBootstrap, [](RecordingDialog& d) {
    d.setChecked(idMax, true);
    d.setText(idReplications, "2");
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
  calculate(idCalcMax);
  loadData({50, 0, 0});
  calculate(idCalcMax);
  run(dialogBootstrap, startBootstrap, [](RecordingDialog& d) { d.press(idOk); });
  EXPECT_TRUE(test::contains(rec.drawnTexts(30), " Number of Replications"));
  EXPECT_EQ(offeredSize(), formatI(5000, 10));
  EXPECT_EQ(loadedState(), std::tuple(std::vector<std::int32_t>{50, 0, 0}, 3, 1, 1, std::vector<double>{},
                                      std::vector<double>{}, std::vector<double>{}));
}

}  // namespace
}  // namespace tallyfold
