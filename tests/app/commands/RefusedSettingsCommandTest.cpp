// The settings dialogs (101, 102, 105, 107) refuse what the command-line program refuses, with a
// message box, and stay open; nothing of a refused dialog is stored, so it
// shows the previous settings when it opens again.
#include <gtest/gtest.h>

#include <tuple>

#include "commands/Calc.h"
#include "commands/Boot.h"
#include "support/CommandFixture.h"
#include "simulation/RunMemory.h"
#include "commands/SimPoisonnGamma.h"
#include "commands/Simu.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

auto settings() {
  const GlobalVar& g = globalVar();
  return std::tuple(g.exactness, g.stopCriterion, g.maxComponents, g.populationSize, g.numReplications,
                    g.numBootReplications, g.evaluatePerBootstrap, g.numSimCounts, g.printInterim, g.printSamples,
                    g.simFromDataset, g.pgAlpha, g.pgKappa);
}

// A refusal flips the dialog's buttons, enters its texts (the last one is
// refused) and presses OK: the dialog stays open, showing a message that
// starts with `message`.
struct Refusal {
  std::vector<std::pair<int, const char*>> texts;
  std::string message;
};

class RefusedSettings : public test::SimulationCommandTest {
 protected:
  RefusedSettings() : SimulationCommandTest("refused", 31) {}

  void expectRefused(int templateId, void (*start)(), std::vector<int> buttons, std::vector<Refusal> refusals) {
    loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
    globalVar().numSimCounts = 10;  // as the simulation dialogs set it when they open
    const auto before = settings();
    for (const Refusal& r : refusals) {
      rec.expectDialog(templateId, [&](RecordingDialog& d) {
        for (const int id : buttons) d.setChecked(id, !d.checked(id));
        for (const auto& [id, text] : r.texts) d.setText(id, text);
        d.press(idOk);
        EXPECT_TRUE(d.isOpen()) << r.message;
        d.press(idCancel);
      });
      start();
      ASSERT_FALSE(rec.messageBoxes().empty());
      EXPECT_EQ(rec.messageBoxes().back().text.rfind(r.message, 0), 0u) << rec.messageBoxes().back().text;
      EXPECT_EQ(settings(), before) << r.message;
    }
    EXPECT_EQ(rec.messageBoxes().size(), refusals.size());
    EXPECT_EQ(rec.threadsStarted(), 0);
  }
};

const std::string maxComponentsRange = "Error occur by Maximum number of components: it must be 1 or more!";

TEST_F(RefusedSettings, TheCalculationDialog) {
  expectRefused(dialogCalculation, startCalculation, {idCalcBic},
                {{{{idCalcExactness, "0.001"}, {idCalcMaxComponents, "0"}}, maxComponentsRange}});
}

// 102: NPMLE, from the data set, the evaluation off.
TEST_F(RefusedSettings, TheStudyDialog) {
  expectRefused(dialogSimulation, startSimulation, {idNpmle, idFromDataset, idPrintInterim, idPrintSamples, idEvaluate},
                {{{{idExactness, "0.001"}, {idMaxComponents, "5"}, {idReplications, "3"}, {idPopulationSize, "x"}},
                  "Error occur by Population Size!"},
                 {{{idPopulationSize, "300"}, {idNumCounts, "0"}}, "Error occur by Number of Counts!"},
                 {{{idBootReplications, "-1"}}, "Error occur by Number of Bootstrap Replications!"},
                 {{{idMaxComponents, "0"}}, maxComponentsRange}});
}

TEST_F(RefusedSettings, TheBootstrapDialog) {
  expectRefused(dialogBootstrap, startBootstrap, {idNpmle, idPrintInterim, idPrintSamples},
                {{{{idReplications, "4"}, {idMaxComponents, "-1"}}, maxComponentsRange},
                 {{{idMaxComponents, "3"}, {idReplications, "-1"}}, "Error occur by Number of Replications!"}});
}

TEST_F(RefusedSettings, ThePoissonGammaDialog) {
  expectRefused(dialogPoissonGamma, startPoissonGamma, {idPrintInterim, idPrintSamples},
                {{{{idReplications, "3"}, {idPopulationSize, "x"}}, "Error occur by Population Size!"},
                 {{{idNumCounts, "4"}, {idKappa, "2"}, {idAlpha, "2"}}, "Error occur by Alpha!"}});
}

TEST_F(RefusedSettings, BootstrapReplicationsBeyondTheMemory) {
  if (physicalMemory() == 0) GTEST_SKIP() << "the system does not tell its physical memory";
  expectRefused(dialogBootstrap, startBootstrap, {},
                {{{{idReplications, "2000000000"}}, "Error occur by Number of Replications: "}});
}

}  // namespace
}  // namespace tallyfold
