#include "commands/SimPoisonnGamma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/CountTable.h"
#include "commands/EMGFU.h"
#include "numeric/RandomStream.h"
#include "state/GlobalVar.h"
#include "startup/main.h"
#include "commands/Boot.h"
#include "simulation/SimulationSummary.h"
#include "support/CommandFixture.h"
#include "support/RecordingWindows.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

using test::contains;
using test::countPrefix;

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

class PoissonGammaCommand : public test::SimulationCommandTest {
 protected:
  PoissonGammaCommand() : SimulationCommandTest("pg", 1618) {}

  void start(RecordingWindows::DialogScript script) {
    rec.expectDialog(dialogPoissonGamma, std::move(script));
    startPoissonGamma();
  }
};

TEST_F(PoissonGammaCommand, TheMenuEntryOffersTheDefaults) {
  buildMenus();
  rec.expectDialog(dialogPoissonGamma, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idAlpha), "0.5000");
    EXPECT_EQ(d.text(idKappa), "0.7500");
    EXPECT_EQ(d.text(idPopulationSize), "      5000");
    EXPECT_EQ(d.text(idReplications), "        10");
    EXPECT_EQ(d.text(idNumCounts), "   15");
    EXPECT_FALSE(d.checked(idPrintInterim));
    EXPECT_FALSE(d.checked(idPrintSamples));
    d.press(idCancel);
  });
  rec.clickMenu("&Start Simulation Poisson-Gamma");
  EXPECT_EQ(rec.loadedDialogs(), std::vector<int>{dialogPoissonGamma});
  EXPECT_EQ(rec.threadsStarted(), 0);
}

TEST_F(PoissonGammaCommand, TheDefaultRunKeepsItsLogAndTheLoadedData) {
  GlobalVar& g = globalVar();
  // A loaded and fitted data set: the run replaces neither the counts nor
  // the fit.
  g.counts = tenClasses;
  g.numCountClasses = 10;
  g.dataAvailable = 1;
  ASSERT_TRUE(EMGFU(std::nullopt, true));
  const std::vector<double> lambda = g.lambda;
  const std::vector<double> resNall = g.results->resNall;
  start([](RecordingDialog& d) {
    d.setText(idNumCounts, "15");
    d.press(idOk);
    EXPECT_FALSE(d.isOpen());
  });
  EXPECT_TRUE(rec.messageBoxes().empty());

  // The log window stays open.
  EXPECT_TRUE(rec.isOpen(15));
  const std::vector<std::string> log = rec.lines(15);
  EXPECT_EQ(log.front(), " Start Simulation");
  EXPECT_EQ(countPrefix(log, " spi= "), 16);
  EXPECT_TRUE(contains(log, " test1"));
  EXPECT_TRUE(contains(log, " sk+1= 16"));
  EXPECT_EQ(countPrefix(log, "  Z1 n0= "), 10);
  EXPECT_EQ(countPrefix(log, " E(m)= 0  : E(N0)= "), 1);
  EXPECT_EQ(rec.activeWindow(), 30);

  // Five estimator columns, no summary file.
  EXPECT_TRUE(contains(rec.drawnTexts(30), summaryColumnHeader(5)));
  EXPECT_FALSE(std::filesystem::exists(root.path() / "Simoutput.txt"));
  EXPECT_FALSE(std::filesystem::exists(root.path() / "Siminterim.txt"));
  EXPECT_EQ(g.numEstimators, 7);
  EXPECT_EQ(rec.statusBarText(), "Waiting");

  EXPECT_EQ(g.numSimCounts, 15);
  EXPECT_EQ(g.numCountClasses, 10);
  EXPECT_EQ(g.counts, tenClasses);
  EXPECT_EQ(g.dataAvailable, 1);
  EXPECT_EQ(g.lambda, lambda);
  EXPECT_EQ(g.results->resNall, resNall);
}

TEST_F(PoissonGammaCommand, FiveEstimatorsWhileItRunsAndMissingFoldersAreReported) {
  GlobalVar& g = globalVar();
  setOutputRoot(root.path() / "absent");
  std::vector<std::int32_t> estimatorsSeen;
  rec.onMessageBox([&](const RecordedMessageBox&) { estimatorsSeen.push_back(g.numEstimators); });
  start([](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.setChecked(idPrintInterim, true);
    d.setChecked(idPrintSamples, true);
    d.press(idOk);
  });
  const std::string absent = (root.path() / "absent").string();
  const RecordedMessageBox sim{"Folder \"C:/temp/Sim\" not exist (" + absent + "/Sim: missing)", "Error"};
  const RecordedMessageBox temp{"Folder \"C:/temp\" not exist (" + absent + ": missing)", "Error"};
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{sim, temp}));
  EXPECT_EQ(estimatorsSeen, (std::vector<std::int32_t>{5, 5}));
  EXPECT_EQ(g.numEstimators, 7);
  EXPECT_TRUE(contains(rec.drawnTexts(30), summaryColumnHeader(5)));
}

TEST_F(PoissonGammaCommand, AStudyAfterwardsHasSevenEstimatorRowsAgain) {
  start([](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.setChecked(idPrintInterim, true);
    d.press(idOk);
  });
  ASSERT_TRUE(std::filesystem::exists(root.path() / "Siminterim.txt"));
  // A bootstrap afterwards: its summary has the seven columns.
  GlobalVar& g = globalVar();
  loadData(tenClasses);
  rec.expectDialog(dialogBootstrap, [](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.press(idOk);
  });
  startBootstrap();
  EXPECT_TRUE(rec.messageBoxes().empty());
  EXPECT_TRUE(contains(rec.drawnTexts(30), summaryColumnHeader(7)));
  EXPECT_EQ(g.numEstimators, 7);
  // The bootstrap shows its progress as the simulations do.
  const std::vector<std::string> status = rec.statusBarHistory();
  const auto last = std::find(status.rbegin(), status.rend(), "replicate 2 of 2");
  ASSERT_NE(last, status.rend());
  EXPECT_EQ((last + 1)->rfind("replicate 1 of 2", 0), 0u) << *(last + 1);
  EXPECT_EQ(status.back(), "Waiting");
}

TEST_F(PoissonGammaCommand, SettingsThatCannotRunKeepTheDialogOpen) {
  struct Case {
    int control;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {idReplications, "ten", "Error occur by Number of Replications!"},
      {idPopulationSize, "", "Error occur by Population Size!"},
      {idNumCounts, "x", "Error occur by Number of Counts!"},
      {idAlpha, "half", "Error occur by Alpha!"},
      {idKappa, "k", "Error occur by Kappa!"},
      {idAlpha, "0", "Error occur by Alpha!"},
      {idAlpha, "1", "Error occur by Alpha!"},
      {idKappa, "0", "Error occur by Kappa!"},
      {idReplications, "0", "Error occur by Number of Replications!"},
      {idNumCounts, "0", "Error occur by Number of Counts!"},
      {idPopulationSize, "0", "Error occur by Population Size!"},
  };
  start([&cases](RecordingDialog& d) {
    for (const Case& c : cases) {
      d.setText(idReplications, "10");
      d.setText(idPopulationSize, "5000");
      d.setText(idNumCounts, "15");
      d.setText(idAlpha, "0.5");
      d.setText(idKappa, "0.75");
      d.setText(c.control, c.text);
      d.press(idOk);
      EXPECT_TRUE(d.isOpen()) << c.message;
    }
    d.press(idCancel);
  });
  std::vector<RecordedMessageBox> expected;
  for (const Case& c : cases) expected.push_back({c.message, "Error"});
  EXPECT_EQ(rec.messageBoxes(), expected);
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(globalVar().numEstimators, 7);
}

TEST_F(PoissonGammaCommand, ASecondComputationIsRefused) {
  expectRefusedWhileBusy(startPoissonGamma);
  EXPECT_EQ(globalVar().numEstimators, 7);
}

}  // namespace
}  // namespace tallyfold
