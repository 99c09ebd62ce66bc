#include "commands/Simu.h"
#include "commands/SimulationLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/NearestInteger.h"
#include "data/CountTable.h"
#include "commands/EMGFU.h"
#include "numeric/RandomStream.h"
#include "state/GlobalVar.h"
#include "startup/main.h"
#include "simulation/SimulationSummary.h"
#include "support/CommandFixture.h"
#include "support/RecordingWindows.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

using test::contains;
using test::countPrefix;
using test::readLines;

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};  // n = 275

class SimuCommand : public test::SimulationCommandTest {
 protected:
  SimuCommand() : SimulationCommandTest("simu", 2718) {}

  // Runs the command; dialog 102 is answered by `script`.
  void start(RecordingWindows::DialogScript script) {
    rec.expectDialog(dialogSimulation, std::move(script));
    startSimulation();
  }

  // Small and fast: R replicates, no evaluation, no files.
  static void quickSettings(RecordingDialog& d, const char* replications = "2") {
    d.setText(idReplications, replications);
    d.setChecked(idEvaluate, false);
    d.setChecked(idPrintInterim, false);
    d.setChecked(idPrintSamples, false);
  }
};

TEST_F(SimuCommand, TheMenuEntryOffersTheDefaults) {
  buildMenus();
  rec.expectDialog(dialogSimulation, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idPopulationSize), "      5000");
    EXPECT_EQ(d.text(idReplications), "        10");
    EXPECT_EQ(d.text(idBootReplications), "        30");
    EXPECT_EQ(d.text(idExactness), "0.00000010000");
    EXPECT_EQ(d.text(idMaxComponents), "    2");
    EXPECT_EQ(d.text(idNumCounts), "   15");
    EXPECT_TRUE(d.checked(idEvaluate));
    EXPECT_TRUE(d.checked(idPrintInterim));
    EXPECT_FALSE(d.checked(idPrintSamples));
    EXPECT_TRUE(d.checked(idMax));
    EXPECT_TRUE(d.checked(idParametric));
    EXPECT_FALSE(d.checked(idFromDataset));
    // Each value after the blanks its field leaves unused, then in its field.
    const std::string gap(19, ' ');
    EXPECT_EQ(d.listEntries(idDistribution),
              (std::vector<std::string>{"        1" + gap + "2.00" + std::string(13, ' ') + "0.5000",
                                        "        2" + gap + "4.00" + std::string(13, ' ') + "0.5000"}));
    d.press(idCancel);
  });
  rec.clickMenu("&Start Simulation");
  EXPECT_EQ(rec.loadedDialogs(), std::vector<int>{dialogSimulation});
  EXPECT_TRUE(contains(rec.lines(10), " Ready for computation!"));
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(rec.unusedDialogScripts(), 0);
}

TEST_F(SimuCommand, AfterACalculationTheDialogOffersItsSizeAndTheDataClasses) {
  loadData(tenClasses);
  GlobalVar& g = globalVar();
  ASSERT_TRUE(EMGFU(std::nullopt, true));
  const std::int32_t nall = *truncateInt(g.results->resNall[static_cast<std::size_t>(g.numComponents - 1)]);
  g.numSimCounts = 15;
  start([nall](RecordingDialog& d) {
    EXPECT_EQ(d.text(idPopulationSize), formatI(nall, 10));
    EXPECT_EQ(d.text(idNumCounts), "   10");
    d.press(idCancel);
  });
  EXPECT_EQ(g.numSimCounts, 10);

  // A fit without recording may move numComponents beyond the recorded
  // fits: the last recorded one is offered, nothing past the table is read.
  const int recorded = g.results->size();
  g.numComponents = recorded + 3;
  const std::int32_t last = *truncateInt(g.results->resNall.back());
  start([last](RecordingDialog& d) {
    EXPECT_EQ(d.text(idPopulationSize), formatI(last, 10));
    d.press(idCancel);
  });
  EXPECT_EQ(offeredPopulationSize(), last);
}

TEST_F(SimuCommand, ResultDistributionTakesTheLastCalculatedMixture) {
  start([](RecordingDialog& d) {
    d.press(idResultDistribution);
    EXPECT_TRUE(d.isOpen());
    d.press(idCancel);
  });
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"Non Result available!", "Error"}}));

  // The ten-class table under the NPMLE criterion ends with three
  // components.
  loadData(tenClasses);
  GlobalVar& g = globalVar();
  g.stopCriterion = StopCriterion::npmle;
  ASSERT_TRUE(EMGFU(std::nullopt, true));
  ASSERT_EQ(g.numComponents, 3);
  std::vector<std::string> expected;
  for (int j = 1; j <= 3; ++j) {
    expected.push_back(distributionLine(j, g.results->resLambda(3, j), g.results->resWeight(3, j)));
  }
  start([&expected](RecordingDialog& d) {
    d.press(idResultDistribution);
    EXPECT_EQ(d.listEntries(idDistribution), expected);
    d.press(idCancel);
  });
  EXPECT_EQ(g.simMixtureSize, 3);
  EXPECT_EQ(g.simLambda, g.lambda);
  EXPECT_EQ(g.simWeight, g.weight);
}

TEST_F(SimuCommand, ComponentDialogsSetTheMixtureAndCancelKeepsIt) {
  GlobalVar& g = globalVar();
  // Cancel of dialog 103: the mixture stays and the list is still refilled.
  rec.expectDialog(dialogComponentCount, [](RecordingDialog& d) { d.press(idCancel); });
  start([&g](RecordingDialog& d) {
    g.simLambda = {3.0, 7.5};
    d.press(idChangeDistribution);
    EXPECT_EQ(d.listEntries(idDistribution)[1], distributionLine(2, 7.5, 0.5));
    d.press(idCancel);
  });
  EXPECT_EQ(g.simMixtureSize, 2);

  // Two components: the first is refused until its texts are numbers with a
  // positive mean and weight; the second dialog is cancelled.
  rec.expectDialog(dialogComponentCount, [](RecordingDialog& d) {
    for (const char* refused : {"x", "0", "-2", "101"}) {
      d.setText(idComponentCount, refused);
      d.press(idOk);
      EXPECT_TRUE(d.isOpen()) << refused;
    }
    d.setText(idComponentCount, "2");
    d.press(idOk);
  });
  rec.expectDialog(dialogComponent, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idComponentNumber), "  1");
    const std::pair<const char*, const char*> refusals[] = {{"one", "0.5"}, {"0", "0.5"}, {"1.5", "w"}, {"1.5", "0"}};
    for (const auto& [mean, weight] : refusals) {
      d.setText(idLambda, mean);
      d.setText(idWeight, weight);
      d.press(idOk);
      EXPECT_TRUE(d.isOpen()) << mean << " " << weight;
    }
    d.setText(idWeight, "0.3");
    d.press(idOk);
  });
  rec.expectDialog(dialogComponent, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idComponentNumber), "  2");
    d.press(idCancel);
  });
  start([](RecordingDialog& d) {
    d.press(idChangeDistribution);
    ASSERT_EQ(d.listEntries(idDistribution).size(), 2u);
    EXPECT_EQ(d.listEntries(idDistribution)[0], distributionLine(1, 1.5, 0.3));
    // The unset component keeps the study from starting.
    quickSettings(d);
    d.press(idOk);
    EXPECT_TRUE(d.isOpen());
    d.press(idCancel);
  });
  const RecordedMessageBox components{"Error occur by Number of Components!", "Error"};
  const RecordedMessageBox lambda{"Error occur by Lambda!", "Error"};
  const RecordedMessageBox weights{"Error occur by Weights!", "Error"};
  EXPECT_EQ(rec.messageBoxes(),
            (std::vector<RecordedMessageBox>{components, components, components, components, lambda, lambda, weights,
                                             weights, {"Error occur by Set Component 2!", "Error"}}));
  EXPECT_EQ(g.simLambda[0], 1.5);
  EXPECT_EQ(g.simWeight[0], 0.3);
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(rec.unusedDialogScripts(), 0);
}

TEST_F(SimuCommand, SettingsThatCannotRunKeepTheDialogOpen) {
  loadData(tenClasses);
  struct Case {
    int control;
    const char* text;
    bool fromDataset;
    const char* message;
  };
  const Case cases[] = {
      {idExactness, "tiny", false, "Error occur by Exactness of computation!"},
      {idExactness, "0", false, "Error occur by Exactness of computation!"},
      {idMaxComponents, "two", false, "Error occur by Maximum number of components!"},
      {idBootReplications, "many", false, "Error occur by Number of Bootstrap Replications!"},
      {idReplications, "ten", false, "Error occur by Number of Replications!"},
      {idPopulationSize, "5000.5", false, "Error occur by Population Size!"},
      {idNumCounts, "", false, "Error occur by Number of Counts!"},
      {idReplications, "0", false, "Error occur by Number of Replications!"},
      {idNumCounts, "0", false, "Error occur by Number of Counts!"},
      {idBootReplications, "0", false, "Error occur by Number of Bootstrap Replications!"},
      {idPopulationSize, "0", false, "Error occur by Population Size!"},
      {idPopulationSize, "274", true, "Error occur by Population Size!"},
      {idNumCounts, "60", false, "Error occur by Number of Counts: the probability of count 41 is too small!"},
  };
  globalVar().simLambda = {2.0};
  globalVar().simWeight = {1.0};
  start([&cases](RecordingDialog& d) {
    const std::vector<int> fields{idExactness, idMaxComponents, idBootReplications,
                                  idReplications, idPopulationSize, idNumCounts};
    for (const Case& c : cases) {
      d.setText(idExactness, "0.0000001");
      d.setText(idMaxComponents, "2");
      d.setText(idBootReplications, "30");
      d.setText(idReplications, "10");
      d.setText(idPopulationSize, "5000");
      d.setText(idNumCounts, "15");
      d.setChecked(idFromDataset, c.fromDataset);
      d.setChecked(idParametric, !c.fromDataset);
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

  // Without data the nonparametric study is refused too.
  globalVar().dataAvailable = 0;
  start([](RecordingDialog& d) {
    d.setChecked(idFromDataset, true);
    d.setChecked(idParametric, false);
    d.press(idOk);
    EXPECT_TRUE(d.isOpen());
    d.press(idCancel);
  });
  EXPECT_EQ(rec.messageBoxes().back(), (RecordedMessageBox{"No Data available!", "Error"}));
}

// The status bar's estimate of the time left, whole seconds up, minutes from two.
TEST(RunProgressText, TimeLeft) {
  EXPECT_EQ(timeLeftText(6.2), "about 7 s left");
  EXPECT_EQ(timeLeftText(119.0), "about 119 s left");
  EXPECT_EQ(timeLeftText(300.0), "about 5 min left");
}

TEST_F(SimuCommand, TheDefaultParametricRunLogsSummarisesAndLeavesNoSample) {
  GlobalVar& g = globalVar();
  start([](RecordingDialog& d) {
    d.setChecked(idPrintSamples, true);
    d.press(idOk);
    EXPECT_FALSE(d.isOpen());
  });
  EXPECT_TRUE(rec.messageBoxes().empty());
  EXPECT_EQ(g.calcThread.load(), -1);

  const RecordedWindow logWindow = rec.window(15);
  EXPECT_EQ(logWindow.title, "LOG Simulation");
  EXPECT_FALSE(rec.isOpen(15));
  const std::vector<std::string>& log = logWindow.lines;
  EXPECT_TRUE(contains(log, " Parameteric"));
  EXPECT_TRUE(contains(log, " sk+1= 16"));
  EXPECT_EQ(countPrefix(log, " ********  rep "), 10);
  EXPECT_EQ(countPrefix(log, " eval Median N= "), 10);
  EXPECT_EQ(log.back(), " " + std::string(62, '_'));

  // Progress in the status bar, "Waiting" at the end. A slow machine may add
  // the time left to the first replicate's line.
  const std::vector<std::string> status = rec.statusBarHistory();
  EXPECT_GE(countPrefix(status, "replicate 1 of 10"), 1);
  EXPECT_TRUE(contains(status, "replicate 10 of 10"));
  EXPECT_EQ(rec.statusBarText(), "Waiting");

  // Ten sample files of 5000 units each (the unseen column is not written).
  for (int r = 1; r <= 10; ++r) {
    const std::vector<std::string> sample = readLines(root.path() / "Sim" / ("sample" + std::to_string(r) + ".txt"));
    ASSERT_EQ(sample.size(), 15u);
  }
  // The interim file: seven estimator columns, components and evaluation;
  // the PMLE(negB) row holds 1 and 2 in every replicate.
  const std::vector<std::string> interim = readLines(root.path() / "Siminterim.txt");
  ASSERT_EQ(interim.size(), 11u);
  EXPECT_NE(interim[0].find("evMedian"), std::string::npos);
  const std::vector<std::string> summary = readLines(root.path() / "Simoutput.txt");
  ASSERT_EQ(summary.size(), 5u);
  const std::vector<std::string> drawn = rec.drawnTexts(30);
  EXPECT_TRUE(contains(drawn, summaryColumnHeader(7)));
  EXPECT_TRUE(contains(drawn, " Mean of eval. Median"));
  const RecordedWindow coverage = rec.window(g.coverageUnit);
  EXPECT_EQ(coverage.title, "Coverage");
  ASSERT_EQ(coverage.lines.size(), 9u);
  EXPECT_EQ(coverage.lines[0].rfind(" Against the known size N = 5000", 0), 0u);

  // Neither a sample nor a replicate's fit is left behind.
  EXPECT_EQ(g.numCountClasses, 0);
  EXPECT_TRUE(g.counts.empty());
  EXPECT_TRUE(g.lambda.empty());
  EXPECT_EQ(g.numComponents, 1);
}

TEST_F(SimuCommand, AStudyOverAFittedMixtureGivesTheDataAndFitBack) {
  loadData(tenClasses);
  GlobalVar& g = globalVar();
  ASSERT_TRUE(EMGFU());
  const std::vector<double> lambda = g.lambda;
  const std::vector<double> weight = g.weight;
  const std::int32_t k = g.numComponents;
  start([](RecordingDialog& d) {
    quickSettings(d, "3");
    d.setChecked(idFromDataset, true);
    d.setChecked(idParametric, false);
    d.setText(idPopulationSize, "400");
    d.setChecked(idPrintInterim, true);
    d.press(idOk);
  });
  EXPECT_TRUE(rec.messageBoxes().empty());
  EXPECT_EQ(g.counts, tenClasses);
  EXPECT_EQ(g.numCountClasses, 10);
  EXPECT_EQ(g.numComponents, k);
  EXPECT_EQ(g.lambda, lambda);
  EXPECT_EQ(g.weight, weight);
  EXPECT_EQ(g.populationSize, 400);
  EXPECT_TRUE(contains(rec.window(15).lines, " set Sample Data"));
  EXPECT_FALSE(contains(rec.window(15).lines, " Parameteric"));
  // Without the evaluation the interim file has no evaluation column.
  const std::vector<std::string> interim = readLines(root.path() / "Siminterim.txt");
  ASSERT_EQ(interim.size(), 4u);
  EXPECT_EQ(interim[0].find("evMedian"), std::string::npos);
}

TEST_F(SimuCommand, WithoutAFittedMixtureTheDataStillStays) {
  GlobalVar& g = globalVar();
  loadData(tenClasses);  // data, but no fit
  start([](RecordingDialog& d) {
    quickSettings(d, "2");
    d.setText(idNumCounts, "6");
    d.press(idOk);
  });
  EXPECT_EQ(g.numSimCounts, 6);
  EXPECT_EQ(g.numCountClasses, 10);
  EXPECT_EQ(g.counts, tenClasses);
  EXPECT_TRUE(g.lambda.empty());
  EXPECT_EQ(g.dataAvailable, 1);
}

TEST_F(SimuCommand, ASecondComputationIsRefused) {
  expectRefusedWhileBusy(startSimulation);
}

TEST_F(SimuCommand, AMissingTemplateIsReported) {
  rec.markDialogMissing(dialogSimulation);
  startSimulation();
  EXPECT_EQ(rec.defaultOutput(), std::vector<std::string>{"error: resource not found"});
  EXPECT_EQ(rec.threadsStarted(), 0);
}

}  // namespace
}  // namespace tallyfold
