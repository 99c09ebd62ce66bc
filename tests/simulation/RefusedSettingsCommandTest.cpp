// The settings dialogs (101, 102, 105, 107) refuse what the command-line program refuses, with a
// message box, and stay open; nothing of a refused dialog is stored, so it
// shows the previous settings when it opens again.
#include <gtest/gtest.h>

#include <tuple>

#include "estimation/Calc.h"
#include "simulation/Boot.h"
#include "simulation/CommandFixture.h"
#include "simulation/RunMemory.h"
#include "simulation/SimPoisonnGamma.h"
#include "simulation/Simu.h"

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
  expectRefused(101, startCalculation, {1002}, {{{{1000, "0.001"}, {1004, "0"}}, maxComponentsRange}});
}

// 102: NPMLE, from the data set, the evaluation off.
TEST_F(RefusedSettings, TheStudyDialog) {
  expectRefused(102, startSimulation, {1005, 1009, 1026, 1027, 1029},
                {{{{1016, "0.001"}, {1008, "5"}, {1014, "3"}, {1015, "x"}}, "Error occur by Population Size!"},
                 {{{1015, "300"}, {1025, "0"}}, "Error occur by Number of Counts!"},
                 {{{1030, "-1"}}, "Error occur by Number of Bootstrap Replications!"},
                 {{{1008, "0"}}, maxComponentsRange}});
}

TEST_F(RefusedSettings, TheBootstrapDialog) {
  expectRefused(105, startBootstrap, {1005, 1026, 1027},
                {{{{1014, "4"}, {1008, "-1"}}, maxComponentsRange},
                 {{{1008, "3"}, {1014, "-1"}}, "Error occur by Number of Replications!"}});
}

TEST_F(RefusedSettings, ThePoissonGammaDialog) {
  expectRefused(107, startPoissonGamma, {1026, 1027},
                {{{{1014, "3"}, {1015, "x"}}, "Error occur by Population Size!"},
                 {{{1025, "4"}, {1033, "2"}, {1032, "2"}}, "Error occur by Alpha!"}});
}

TEST_F(RefusedSettings, BootstrapReplicationsBeyondTheMemory) {
  if (physicalMemory() == 0) GTEST_SKIP() << "the system does not tell its physical memory";
  expectRefused(105, startBootstrap, {}, {{{{1014, "2000000000"}}, "Error occur by Number of Replications: "}});
}

}  // namespace
}  // namespace tallyfold
