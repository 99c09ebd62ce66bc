#include "commands/Boot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/NearestInteger.h"
#include "commands/EMGFU.h"
#include "commands/RandomSeed.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/SimulationSummary.h"
#include "estimation/EMtrun.h"
#include "numeric/RandomStream.h"
#include "state/GlobalVar.h"
#include "startup/main.h"
#include "support/CommandFixture.h"
#include "support/RecordingWindows.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

using test::readLines;

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

class BootCommand : public test::SimulationCommandTest {
 protected:
  BootCommand() : SimulationCommandTest("boot", 4242) {}

  // Runs the command; the dialog is answered by `script`.
  void start(RecordingWindows::DialogScript script) {
    rec.expectDialog(dialogBootstrap, std::move(script));
    startBootstrap();
  }
};

TEST_F(BootCommand, WithoutDataOnlyTheMessageAppears) {
  startBootstrap();
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"No Data available!", "Error"}}));
  EXPECT_TRUE(rec.loadedDialogs().empty());
  EXPECT_EQ(rec.threadsStarted(), 0);
}

TEST_F(BootCommand, TheMenuEntryOpensTheDialogWithTheCurrentSettings) {
  buildMenus();
  loadData(tenClasses);
  globalVar().stopCriterion = StopCriterion::bic;
  rec.expectDialog(dialogBootstrap, [](RecordingDialog& d) {
    EXPECT_EQ(d.text(idMaxComponents), "    2");
    EXPECT_EQ(d.text(idReplications), "        10");
    EXPECT_TRUE(d.checked(idBic));
    EXPECT_FALSE(d.checked(idNpmle) || d.checked(idMax));
    EXPECT_TRUE(d.checked(idPrintInterim));
    EXPECT_FALSE(d.checked(idPrintSamples));
    d.press(idCancel);
  });
  rec.clickMenu("&Start Bootstrap");
  EXPECT_EQ(rec.loadedDialogs(), std::vector<int>{dialogBootstrap});
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(rec.unusedDialogScripts(), 0);
}

TEST_F(BootCommand, FieldsThatAreNotUsableKeepTheDialogOpenAndChangeNothing) {
  loadData(tenClasses);
  start([](RecordingDialog& d) {
    const std::pair<int, const char*> refusals[] = {
        {idReplications, "0"}, {idReplications, "-3"}, {idReplications, "many"}, {idReplications, ""}};
    for (const auto& [control, text] : refusals) {
      d.setText(control, text);
      d.setChecked(idPrintSamples, true);
      d.press(idOk);
      EXPECT_TRUE(d.isOpen()) << text;
    }
    d.setText(idReplications, "5");
    d.setText(idMaxComponents, "two");
    d.press(idOk);
    EXPECT_TRUE(d.isOpen());
    d.press(idCancel);
  });
  const RecordedMessageBox replications{"Error occur by Number of Replications!", "Error"};
  const RecordedMessageBox components{"Error occur by Maximum number of components!", "Error"};
  EXPECT_EQ(rec.messageBoxes(),
            (std::vector<RecordedMessageBox>{replications, replications, replications, replications, components}));
  EXPECT_EQ(globalVar().numReplications, 10);
  EXPECT_EQ(globalVar().printSamples, 0);
  EXPECT_EQ(rec.threadsStarted(), 0);
}

TEST_F(BootCommand, ARunRestoresTheDataAndFitAndLeavesItsFilesAndSummary) {
  loadData(tenClasses);
  GlobalVar& g = globalVar();
  ASSERT_TRUE(EMGFU());
  const std::int32_t k = g.numComponents;
  const std::vector<double> lambda = g.lambda;
  const std::vector<double> weight = g.weight;
  const std::int32_t nall = *nearestInt(estimateNall(tenClasses, lambda, weight));

  start([](RecordingDialog& d) {
    d.setText(idReplications, "3");
    d.setChecked(idPrintSamples, true);
    d.setChecked(idWriteReplicates, true);
    d.press(idOk);
    EXPECT_FALSE(d.isOpen());
  });

  EXPECT_TRUE(rec.messageBoxes().empty());
  EXPECT_EQ(g.counts, tenClasses);
  EXPECT_EQ(g.numCountClasses, 10);
  EXPECT_EQ(g.numComponents, k);
  EXPECT_EQ(g.lambda, lambda);
  EXPECT_EQ(g.weight, weight);
  EXPECT_EQ(g.populationSize, nall);
  EXPECT_EQ(g.numReplications, 3);
  EXPECT_EQ(g.printSamples, 1);
  EXPECT_EQ(g.calcThread.load(), -1);

  // The log window is gone; its lines frame the replicates.
  EXPECT_FALSE(rec.isOpen(15));
  const std::vector<std::string> events = rec.events();
  EXPECT_NE(std::find(events.begin(), events.end(), "close 15 delete"), events.end());
  const RecordedWindow logWindow = rec.window(15);
  const std::vector<std::string>& log = logWindow.lines;
  EXPECT_EQ(logWindow.title, "LOG Simulation");
  ASSERT_EQ(log.size(), 1u + 3u * 3u + 2u);
  EXPECT_EQ(log.front(), " Start Simulation");
  EXPECT_EQ(log[1], " ********  rep  1    *********");
  EXPECT_EQ(log[log.size() - 2].substr(0, 7), " E(m)= ");
  EXPECT_EQ(log.back(), " " + std::string(62, '_'));

  for (int r = 1; r <= 3; ++r) {
    const std::vector<std::string> sample = readLines(root.path() / "Sim" / ("boot" + std::to_string(r) + ".txt"));
    ASSERT_EQ(sample.size(), 10u);
    int n = 0;
    for (const std::string& line : sample) n += std::stoi(line);
    EXPECT_EQ(n, 275);
  }
  const std::vector<std::string> interim = readLines(root.path() / "Bootinterim.txt");
  ASSERT_EQ(interim.size(), 4u);
  // Every replicate's row, numbered, with n = 275.
  const std::vector<std::string> rows = readLines(root.path() / "Bootreplicates.csv");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].rfind("3,275,", 0), 0u);
  EXPECT_EQ(interim[0], " sim_m    ;   sim_N ;  sim_pN  ;  z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  for (std::size_t r = 1; r <= 3; ++r) {
    EXPECT_EQ(std::count(interim[r].begin(), interim[r].end(), ';'), 7) << interim[r];
    EXPECT_EQ(interim[r].find("n/a"), std::string::npos) << interim[r];
  }

  // A bootstrap summary: no known size, no evaluation rows or column.
  const std::vector<std::string> summary = readLines(root.path() / "Simoutput.txt");
  ASSERT_EQ(summary.size(), 5u);
  EXPECT_EQ(summary[0], "   ; ML ;  pML;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  EXPECT_EQ(summary[1].substr(0, 14), "         mean;");
  const std::vector<std::string> drawn = rec.drawnTexts(30);
  for (const char* absent : {" Predefined Population Size", " Bias", " Mean of eval. Median"}) {
    EXPECT_EQ(std::find(drawn.begin(), drawn.end(), absent), drawn.end()) << absent;
  }
  // Below the table, the "Run" block, also in Simoutput.run.txt.
  const auto run = std::find(drawn.begin(), drawn.end(), " Run");
  ASSERT_NE(run, drawn.end());
  EXPECT_EQ(*(run - 1), "         3");
  EXPECT_EQ(std::vector<std::string>(run, drawn.end()), readLines(root.path() / "Simoutput.run.txt"));
  EXPECT_EQ(run[1].rfind(" seed ", 0), 0u);

  // After the summary: the percentile intervals of the seven estimators.
  const RecordedWindow intervals = rec.window(g.intervalsUnit);
  EXPECT_EQ(intervals.title, "Confidence Intervals");
  ASSERT_EQ(intervals.lines.size(), 9u);
  EXPECT_EQ(intervals.lines[0].rfind(" Bootstrap percentile intervals of N, 95 %", 0), 0u);
  EXPECT_EQ(intervals.lines[8].rfind(" Chao ", 0), 0u);
}

// "Random Seed…": every run starts from the seed, as tallyfold-cli --seed
// does; a seed out of range keeps the dialog open.
TEST_F(BootCommand, AFixedSeedGivesEveryRunTheCommandLinesNumbers) {
  loadData(tenClasses);
  rec.expectDialog(dialogRandomSeed, [](RecordingDialog& d) {
    d.setChecked(idFixedSeed, true);
    d.setText(idSeed, "0");
    d.press(idOk);
    EXPECT_TRUE(d.isOpen());
    d.setText(idSeed, "4242");
    d.press(idOk);
  });
  startRandomSeed();
  EXPECT_EQ(globalVar().fixedSeed, 4242);
  std::vector<std::vector<std::string>> summaries;
  for (int run = 0; run < 2; ++run) {
    start([](RecordingDialog& d) {
      d.setText(idReplications, "3");
      d.press(idOk);
    });
    summaries.push_back(readLines(root.path() / "Simoutput.txt"));
  }
  EXPECT_EQ(summaries[0], summaries[1]);
  const GlobalVar& g = globalVar();
  RandomStream stream(4242);
  const BootstrapResult alone = bootstrapReplicates(
      tenClasses, SearchSettings{g.exactness, g.stopCriterion, g.maxComponents}, 3, stream, {});
  EXPECT_EQ(summaryFileLines(summarizeSimulation(alone.tables, std::nullopt)), summaries[0]);
  EXPECT_TRUE(test::contains(readLines(root.path() / "Simoutput.run.txt"),
                       " seed 4242 (tallyfold-cli --seed 4242 gives the same numbers)"));
}

TEST_F(BootCommand, MissingFoldersAreReportedAndTheSummaryIsStillComplete) {
  loadData(tenClasses);
  setOutputRoot(root.path() / "absent");
  start([](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.setChecked(idPrintSamples, true);
    d.setChecked(idPrintInterim, true);
    d.press(idOk);
  });
  const std::string absent = (root.path() / "absent").string();
  const RecordedMessageBox sim{"Folder \"C:/temp/Sim\" not exist (" + absent + "/Sim: missing)", "Error"};
  const RecordedMessageBox temp{"Folder \"C:/temp\" not exist (" + absent + ": missing)", "Error"};
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{sim, temp, temp}));
  const std::vector<std::string> drawn = rec.drawnTexts(30);
  const auto run = std::find(drawn.begin(), drawn.end(), " Run");
  ASSERT_NE(run, drawn.end());
  EXPECT_EQ(*(run - 2), " Number of Replications");
  EXPECT_FALSE(std::filesystem::exists(root.path() / "absent"));
}

TEST_F(BootCommand, ASecondComputationIsRefused) {
  loadData(tenClasses);
  expectRefusedWhileBusy(startBootstrap);
}

TEST_F(BootCommand, ANumericalErrorAbandonsTheRunAndRestoresTheData) {
  // One count class: the fit exists, but no multinomial draw over one
  // category does, and RNMTN ends the computation.
  loadData(Table{17});
  GlobalVar& g = globalVar();
  g.numComponents = 1;
  g.lambda = {3.5};
  g.weight = {1.0};
  start([](RecordingDialog& d) { d.press(idOk); });

  const std::vector<RecordedMessageBox> boxes = rec.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "Error");
  EXPECT_NE(boxes[0].text.find("K = 1"), std::string::npos) << boxes[0].text;
  EXPECT_EQ(g.counts, Table{17});
  EXPECT_EQ(g.numCountClasses, 1);
  EXPECT_EQ(g.numComponents, 1);
  EXPECT_EQ(g.lambda, std::vector<double>{3.5});
  EXPECT_EQ(g.weight, std::vector<double>{1.0});
  EXPECT_EQ(g.populationSize, 5000);
  EXPECT_EQ(g.calcThread.load(), -1);
  EXPECT_EQ(rec.statusBarText(), "Waiting");
  EXPECT_TRUE(rec.texts(30).empty()) << "no summary after an abandoned run";
}

}  // namespace
}  // namespace tallyfold
