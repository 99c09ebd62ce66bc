#include <gtest/gtest.h>

#include <algorithm>

#include "common/FieldLayout.h"
#include "commands/Calc.h"
#include "commands/Cutoff.h"
#include "commands/Data.h"
#include "estimation/CutoffScanText.h"
#include "estimation/FitJudgement.h"
#include "estimation/TableEstimates.h"
#include "estimation/WholeEstimate.h"
#include "views/GoodnessOfFitView.h"
#include "views/Plots.h"
#include "data/CountTable.h"
#include "state/GlobalVar.h"
#include "support/RecordingWindows.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

const std::vector<std::int32_t> tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};

class CalcCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    globalVar().resetAll();
    rec.setThreadMode(ThreadMode::synchronous);
    rec.openWindow(10, "Status window");
  }
  void load(std::vector<std::int32_t> counts) {
    GlobalVar& g = globalVar();
    g.counts = std::move(counts);
    g.numCountClasses = static_cast<std::int32_t>(g.counts.size());
    g.dataAvailable = 1;
  }
  // Runs the command; the script answers dialog 101.
  void calculate(RecordingWindows::DialogScript script) {
    rec.expectDialog(dialogCalculation, std::move(script));
    startCalculation();
  }
  static RecordingWindows::DialogScript choose(int radio, std::string maxComponents = "    2") {
    return [radio, maxComponents](RecordingDialog& d) {
      d.setChecked(radio, true);
      d.setText(idCalcMaxComponents, maxComponents);
      d.press(1);
    };
  }
  // The drawn text at (x, y) of the results window, or "" when none.
  std::string textAt(int x, int y) const {
    for (const RecordedText& t : rec.texts(25)) {
      if (t.x == x && t.y == y) return t.text;
    }
    return {};
  }
  std::vector<int> lineRows() const {
    std::vector<int> rows;
    for (const RecordedLine& l : rec.drawnLines(25)) rows.push_back(l.y1);
    return rows;
  }

  RecordingWindows rec;
};

TEST_F(CalcCommand, DialogShowsTheDefaults) {
  load({10, 5, 2});
  std::string exactness, maxComponents;
  bool npmle = true, bic = true, max = false;
  calculate([&](RecordingDialog& d) {
    exactness = d.text(idCalcExactness);
    maxComponents = d.text(idCalcMaxComponents);
    npmle = d.checked(idCalcNpmle);
    bic = d.checked(idCalcBic);
    max = d.checked(idCalcMax);
    d.press(2);
  });
  EXPECT_EQ(exactness, "0.00000010000");
  EXPECT_EQ(maxComponents, "    2");
  EXPECT_FALSE(npmle);
  EXPECT_FALSE(bic);
  EXPECT_TRUE(max);
  EXPECT_EQ(rec.lines(10).back(), " Ready for computation!");
  EXPECT_EQ(rec.threadsStarted(), 0) << "Cancel starts nothing";
}

TEST_F(CalcCommand, BicRunLogsThenDrawsTheResults) {
  load(tenClasses);
  calculate(choose(idCalcBic));
  const GlobalVar& g = globalVar();
  EXPECT_EQ(g.stopCriterion, StopCriterion::bic);
  EXPECT_EQ(g.numComponents, 2);
  EXPECT_EQ(g.calcThread.load(), -1);
  EXPECT_EQ(rec.statusBarText(), "Waiting");
  const std::vector<std::string> status = rec.lines(10);
  ASSERT_GE(status.size(), 3u);
  EXPECT_EQ(status[status.size() - 2], " Start the computation!");
  EXPECT_EQ(status.back(), " waiting...");

  // The LOG window existed while the search ran and is gone now.
  EXPECT_FALSE(rec.isOpen(19));
  const RecordedWindow logWindow = rec.window(19);
  EXPECT_EQ(logWindow.title, "LOG");
  EXPECT_EQ(logWindow.opens, 1);
  const std::vector<std::string>& log = logWindow.lines;
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log.front(), " calculate Nonparametric Maximum Likelihood Estimation");
  EXPECT_EQ(log[1], " ----------- Start EMGFU---------");
  EXPECT_EQ(log[log.size() - 4], " Nonparametric Maximum Likelihood Estimation finished");
  EXPECT_EQ(log[log.size() - 3], " N0 30 125 169");
  EXPECT_EQ(log[log.size() - 2], " N 305 400 444");
  EXPECT_EQ(log.back().rfind(" BIC 1054.", 0), 0u);

  // Two blocks: the rejected three-component fit is recorded but not shown.
  EXPECT_TRUE(rec.isOpen(25));
  EXPECT_EQ(rec.window(25).title, "Results Window");
  EXPECT_EQ(textAt(5, 10), "*********** Non-Parametric Maximum Likelihood Estimation ******************");
  EXPECT_EQ(textAt(455, 70), "        30");
  EXPECT_EQ(textAt(535, 70), "       305");
  EXPECT_EQ(textAt(455, 122), "       125");
  EXPECT_EQ(textAt(535, 122), "       400");
  EXPECT_EQ(textAt(600, 70), "       12.0094");
  EXPECT_EQ(textAt(64, 115), "        0.9368");
  EXPECT_EQ(textAt(143, 130), "        0.3007");
  EXPECT_EQ(textAt(375, 122), "     939.4");
}

TEST_F(CalcCommand, PixelRowsOfTwoBlocksAndTheClosedFormRows) {
  load(tenClasses);
  calculate(choose(idCalcMax));
  EXPECT_EQ(textAt(5, 40).rfind(" Comp.     Lambda", 0), 0u);
  EXPECT_EQ(lineRows(), (std::vector<int>{55, 100, 160}));
  for (const RecordedLine& l : rec.drawnLines(25)) {
    EXPECT_EQ(l.x1, 0);
    EXPECT_EQ(l.x2, 700);
  }
  EXPECT_EQ(textAt(5, 70), "         1");
  EXPECT_EQ(textAt(5, 122), "         2");
  EXPECT_EQ(textAt(263, 70), "    -526.0");
  EXPECT_FALSE(textAt(64, 115).empty());
  EXPECT_FALSE(textAt(64, 130).empty());
  EXPECT_EQ(textAt(5, 184).rfind(" Zelterman   lam=2f2/f1", 0), 0u);
  // n0 and N rows: each free-format write adds one leading blank.
  // "n0", then gaps of 9, 9, 14 and 14 blanks before the "(I10)" fields.
  const auto row = [](const char* label, int a, int b, int c, int d) {
    return std::string(5, ' ') + label + std::string(9, ' ') + formatI(a, 10) + std::string(9, ' ') + formatI(b, 10) +
           std::string(14, ' ') + formatI(c, 10) + std::string(14, ' ') + formatI(d, 10);
  };
  EXPECT_EQ(textAt(5, 208), row("n0", 160, 124, 92, 71));
  EXPECT_EQ(textAt(5, 220), row("N", 435, 399, 367, 346));
  EXPECT_EQ(textAt(5, 244), " Chao   f0=f1*f1/(2*f2)");
  EXPECT_EQ(textAt(5, 268), "  n0              120");
  EXPECT_EQ(textAt(5, 280), "  N              395");
  for (const RecordedText& t : rec.texts(25)) {
    if (t.y == 184) {
      EXPECT_EQ(t.font, "t'Arial'h13w7");
    }
    if (t.y == 208) {
      EXPECT_EQ(t.font, "t'Arial'h16w9");
    }
  }
}

TEST_F(CalcCommand, NpmleShowsThreeBlocks) {
  load(tenClasses);
  calculate(choose(idCalcNpmle));
  EXPECT_EQ(globalVar().numComponents, 3);
  EXPECT_EQ(textAt(455, 190), "       169");  // third block's single values
  EXPECT_EQ(lineRows().size(), 4u);
}

TEST_F(CalcCommand, UnreadableSettingsKeepTheDialogOpen) {
  load({10, 5, 2});
  calculate([](RecordingDialog& d) {
    d.setText(idCalcExactness, "small");
    d.press(1);
    EXPECT_TRUE(d.isOpen());
    d.setText(idCalcExactness, "-1e-7");
    d.press(1);
    EXPECT_TRUE(d.isOpen());
    d.setText(idCalcExactness, "1e-6");
    d.setText(idCalcMaxComponents, "two");
    d.press(1);
    EXPECT_TRUE(d.isOpen());
    d.press(2);
  });
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{
                                     {"Error occur by Exactness of computation!", "Error"},
                                     {"Error occur by Exactness of computation!", "Error"},
                                     {"Error occur by Maximum number of components!", "Error"},
                                 }));
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(globalVar().exactness, 1.0000000116860974E-7) << "nothing stored from a refused dialog";
}

TEST_F(CalcCommand, SecondStartWhileBusyAndAThreadThatCannotStart) {
  load({10, 5, 2});
  globalVar().calcThread = 42;  // a calculation is running
  calculate(choose(idCalcMax));
  EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"Calculation is active!", "STATUS"}}));
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(globalVar().calcThread.load(), 42);
  EXPECT_FALSE(rec.isOpen(25));

  globalVar().calcThread = -1;
  rec.setThreadMode(ThreadMode::failing);
  calculate(choose(idCalcMax));
  EXPECT_EQ(globalVar().calcThread.load(), -1) << "the guard is released";
  EXPECT_EQ(rec.messageBoxes().back().title, "Error");
}

TEST_F(CalcCommand, DegenerateTables) {
  load({0, 0, 0});
  startCalculation();
  EXPECT_EQ(rec.messageBoxes().size(), 1u);
  EXPECT_EQ(rec.messageBoxes()[0].title, "Error");
  EXPECT_TRUE(rec.dialogRuns().empty());

  // One class: the search runs, Zelterman and Chao have no estimate.
  load({7});
  calculate(choose(idCalcMax));
  bool sawNoEstimate = false;
  for (const std::string& t : rec.drawnTexts(25)) {
    if (t.find("n/a") != std::string::npos) sawNoEstimate = true;
    EXPECT_EQ(t.find("nan"), std::string::npos) << t;
    EXPECT_EQ(t.find("-2147483648"), std::string::npos) << t;
  }
  EXPECT_TRUE(sawNoEstimate);
}

TEST_F(CalcCommand, ATableOfSingleSightingsShowsNoEstimateWithItsReason) {
  // After a fit of another table: nothing of that fit is shown or kept.
  load(tenClasses);
  calculate(choose(idCalcNpmle));
  ASSERT_TRUE(globalVar().results);
  load({50, 0, 0});
  calculate(choose(idCalcNpmle));

  EXPECT_EQ(textAt(5, 70), "no estimate");
  EXPECT_EQ(textAt(455, 70), "       n/a");
  EXPECT_EQ(textAt(535, 70), "       n/a");
  EXPECT_EQ(textAt(5, 85) + " " + textAt(5, 100), noMixtureInformation);
  EXPECT_EQ(lineRows(), (std::vector<int>{55, 130}));
  EXPECT_EQ(textAt(5, 238), "  n0             2500");
  // No other block above the negative binomial's, which follows the Chao rows.
  ASSERT_GT(rec.texts(25).size(), 13u);
  EXPECT_EQ(rec.texts(25)[13].text, " Negative binomial   PMLE(negB), a moment fixed point");
  const GlobalVar& g = globalVar();
  EXPECT_TRUE(!g.results && g.lambda.empty() && g.weight.empty() && g.numComponents == 1);
  EXPECT_EQ(rec.window(19).lines, (std::vector<std::string>{" calculate Nonparametric Maximum Likelihood Estimation",
                                                            " Nonparametric Maximum Likelihood Estimation finished"}));
}

TEST_F(CalcCommand, MissingTemplateWritesToTheDefaultOutput) {
  load({10, 5, 2});
  rec.markDialogMissing(dialogCalculation);
  startCalculation();
  EXPECT_EQ(rec.defaultOutput(), std::vector<std::string>{"error: resource not found"});
}


// Below the Chao rows: the negative binomial's two estimates, as the engines
// give them; the boundary note only on a table whose fit puts N0 there.
TEST_F(CalcCommand, NegativeBinomialBlockAndTheBoundaryNote) {
  load(tenClasses);
  calculate(choose(idCalcNpmle));
  const NegBinResult negBin = *estimateTable(tenClasses, globalVar().exactness).negativeBinomial;
  const std::vector<std::string> texts = rec.drawnTexts(25);
  const auto header = std::find(texts.begin(), texts.end(), " Negative binomial   PMLE(negB), a moment fixed point");
  ASSERT_GE(std::distance(header, texts.end()), 6);
  EXPECT_EQ(header[1], "  n0" + std::string(7, ' ') + formatI(*narrowEstimate(negBin.n0), 10));
  EXPECT_EQ(header[3], " Zero-truncated negative binomial, maximum likelihood");
  const auto has = [&](const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
  };
  EXPECT_FALSE(has("not identified"));
  EXPECT_TRUE(has("350.2 to 466.4")) << "Chao's interval";

  load({165, 113, 89, 54, 12, 2, 1, 1});
  calculate(choose(idCalcNpmle));
  const std::vector<std::string> flagged = rec.drawnTexts(25);
  std::string all;
  for (const std::string& t : flagged) all += t + " ";
  EXPECT_NE(all.find("N0 not identified by the data"), std::string::npos) << all;
  EXPECT_NE(all.find("N = 557 is a lower bound"), std::string::npos) << all;  // 437 + 165 * 165 / (2 * 113) = 437 + 120.5
}

// The cut-off analysis runs as a job under the calculation's settings.
TEST_F(CalcCommand, CutoffAnalysisWindowShowsTheScan) {
  load(tenClasses);
  GlobalVar& g = globalVar();
  g.stopCriterion = StopCriterion::bic;
  startCutoffAnalysis();
  const RecordedWindow window = rec.window(g.cutoffUnit);
  EXPECT_EQ(window.title, "Cut-off Analysis");
  const CutoffScanResult scan = cutoffScan(tenClasses, SearchSettings{g.exactness, StopCriterion::bic, g.maxComponents});
  EXPECT_EQ(window.lines, cutoffScanLines(scan.rows));
  EXPECT_EQ(g.calcThread.load(), -1);
}

// The goodness-of-fit window is usable once a calculation has fitted a
// mixture; it lists the observed counts and each fit's chi-square.
TEST_F(CalcCommand, GoodnessOfFitWindowAfterACalculation) {
  showGoodnessOfFit();
  EXPECT_EQ(rec.messageBoxes().back().text, "No calculation results available!");
  load(tenClasses);
  calculate(choose(idCalcMax));
  EXPECT_TRUE(rec.menuEntryEnabled(std::string(goodnessOfFitCaption)));
  showGoodnessOfFit();
  const RecordedWindow window = rec.window(globalVar().goodnessOfFitUnit);
  EXPECT_EQ(window.title, "Goodness of Fit");
  const std::vector<std::string>& lines = window.lines;
  ASSERT_GT(lines.size(), 12u);
  for (std::size_t x = 1; x <= tenClasses.size(); ++x) {
    EXPECT_EQ(lines[x + 1].substr(8, 10), formatI(tenClasses[x - 1], 10)) << lines[x + 1];
  }
  const GlobalVar& g = globalVar();
  const FitJudgement one = judgeMixture(tenClasses, std::vector<double>{g.results->resLambda(1, 1)},
                                        std::vector<double>{g.results->resWeight(1, 1)}, g.results->resMaxGrad[0]);
  const auto row = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("     k=1", 0) == 0 && l.size() > 60; });
  ASSERT_NE(row, lines.end());
  EXPECT_EQ(row->substr(8, 12), formatF(one.fit.chiSquare, 12, 4));

  // Under BIC the window judges the recorded fit BIC rejected too, starred.
  calculate(choose(idCalcBic));
  showGoodnessOfFit();
  const std::vector<std::string> bic = rec.window(globalVar().goodnessOfFitUnit).lines;
  EXPECT_NE(std::find_if(bic.begin(), bic.end(), [](const std::string& l) { return l.rfind("    k=3*", 0) == 0; }),
            bic.end());
  EXPECT_EQ(std::count(bic.begin(), bic.end(), " * k=3 was fitted and rejected by BIC; the accepted fit is k=2"), 2);
  // The plots show it too, and open at the accepted fit.
  const std::optional<PlotDescription> gradient = gradientPlot(tenClasses, g.numComponents, *g.results);
  ASSERT_TRUE(gradient && gradient->views.size() == 3u);
  EXPECT_EQ(gradient->views[2].name, "k = 3 (rejected by BIC)");
  EXPECT_EQ(gradient->initialView, 1);
  EXPECT_EQ(observedFittedPlot(tenClasses, g.numComponents, *g.results).views[0].series[3].name, "k = 3 (rejected by BIC)");
}

// After another file is opened the entries that judge or draw the fits wait
// for the next calculation, and the window judges the fits against their
// own table.
TEST_F(CalcCommand, AnotherFileLeavesTheFitsUnjudgedUntilTheNextCalculation) {
  const std::string_view captions[] = {goodnessOfFitCaption, gradientPlotCaption, fitPlotCaption};
  load(tenClasses);
  calculate(choose(idCalcMax));
  for (std::string_view caption : captions) ASSERT_TRUE(rec.menuEntryEnabled(caption)) << caption;
  openDataPath(std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt");
  ASSERT_NE(globalVar().counts, tenClasses);
  for (std::string_view caption : captions) EXPECT_FALSE(rec.menuEntryEnabled(caption)) << caption;
  showGoodnessOfFit();
  const std::vector<std::string> lines = rec.window(globalVar().goodnessOfFitUnit).lines;
  ASSERT_GT(lines.size(), tenClasses.size() + 1);
  EXPECT_EQ(lines[tenClasses.size() + 1].substr(0, 18), "    >=10" + formatI(tenClasses.back(), 10));
  calculate(choose(idCalcMax));
  for (std::string_view caption : captions) EXPECT_TRUE(rec.menuEntryEnabled(caption)) << caption;
}

}  // namespace
}  // namespace tallyfold
