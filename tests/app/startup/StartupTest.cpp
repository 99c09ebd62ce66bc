#include <gtest/gtest.h>

#include "support/RecordingWindows.h"
#include "state/GlobalVar.h"
#include "startup/main.h"

namespace tallyfold {
namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    globalVar().resetAll();
    ASSERT_TRUE(buildMenus());
    tallyfold::main();
  }
  RecordingWindows rec;
};

TEST_F(Startup, FrameAndTheMenuEntriesInOrder) {
  ASSERT_TRUE(rec.framePlacement().has_value());
  EXPECT_EQ(rec.framePlacement()->x, 0);
  EXPECT_EQ(rec.framePlacement()->y, 0);
  EXPECT_EQ(rec.framePlacement()->width, 800);
  EXPECT_EQ(rec.framePlacement()->height, 500);

  using K = MenuEntryKind;
  const std::vector<std::tuple<int, K, std::string>> expected{
      {1, K::title, "&File"},
      {1, K::item, "&Open Data"},
      {1, K::item, "Save Results As\u2026"},
      {1, K::item, "Save Plot As\u2026"},
      {1, K::item, "Stop Computation"},
      {1, K::separator, ""},
      {1, K::item, "E&xit"},
      {2, K::title, "&Calculation"},
      {2, K::item, "&Calculating Population Size"},
      {2, K::item, "&Goodness of Fit"},
      {2, K::item, "&Cut-off Analysis"},
      {3, K::title, "&Simulation"},
      {3, K::item, "&Start Simulation"},
      {3, K::item, "&Start Bootstrap"},
      {3, K::item, "&Start Simulation Poisson-Gamma"},
      {3, K::item, "Random Seed\u2026"},
      {4, K::title, "&Plots"},
      {4, K::item, "&Gradient Function"},
      {4, K::item, "&Observed and Fitted"},
      {4, K::item, "&Bootstrap Distribution"},
      {4, K::item, "&Simulation Estimates"},
      {5, K::title, "&Help"},
      {5, K::item, "Guide"},
      {5, K::item, "About"},
  };
  const std::vector<RecordedMenuEntry> menus = rec.menuEntries();
  ASSERT_EQ(menus.size(), expected.size());
  for (std::size_t i = 0; i < menus.size(); ++i) {
    EXPECT_EQ(menus[i].menu, std::get<0>(expected[i])) << i;
    EXPECT_EQ(menus[i].kind, std::get<1>(expected[i])) << i;
    EXPECT_EQ(menus[i].caption, std::get<2>(expected[i])) << i;
    // Titles and the separator do nothing; every item acts.
    EXPECT_EQ(static_cast<bool>(menus[i].action), menus[i].kind == K::item) << i;
  }
  // Stopping is usable only while a computation runs; Esc triggers it.
  EXPECT_FALSE(rec.menuEntryEnabled("Stop Computation"));
  EXPECT_EQ(rec.menuEntryShortcut("Stop Computation"), "Esc");
  EXPECT_EQ(rec.menuEntryShortcut("&Open Data"), "Ctrl+O");
  EXPECT_EQ(rec.menuEntryShortcut("E&xit"), "Ctrl+Q");
  EXPECT_EQ(rec.menuEntryShortcut("Guide"), "F1");
  // Results and plots wait for the computations that feed them.
  for (const char* caption : {"&Goodness of Fit", "&Gradient Function", "&Observed and Fitted",
                              "&Bootstrap Distribution", "&Simulation Estimates"}) {
    EXPECT_FALSE(rec.menuEntryEnabled(caption)) << caption;
  }
}

// The guide shows its text file line by line, every line within the window.
TEST_F(Startup, GuideShowsItsTextFile) {
  rec.clickMenu("Guide");
  const RecordedWindow guide = rec.window(globalVar().guideUnit);
  EXPECT_EQ(guide.title, "Guide");
  ASSERT_GT(guide.lines.size(), 20u);
  EXPECT_EQ(guide.lines[0], "Tallyfold guide: what the results mean");
  for (const std::string& line : guide.lines) EXPECT_LE(line.size(), 90u) << line;
  rec.clickMenu("About");
  EXPECT_EQ(rec.messageBoxes().back().text.rfind("Tallyfold 0.1.0", 0), 0u);
}

TEST_F(Startup, StatusWindowShowsTheFirstLineAndTheStatusBarWaits) {
  const RecordedWindow status = rec.window(10);
  EXPECT_TRUE(status.open);
  EXPECT_EQ(status.title, "Status window");
  ASSERT_TRUE(status.placement.has_value());
  EXPECT_EQ(status.placement->y, 22);
  EXPECT_EQ(status.placement->height, 3);
  EXPECT_EQ(status.placement->width, 110);
  ASSERT_TRUE(status.textArea.has_value());
  EXPECT_EQ(status.textArea->row2, 3);
  EXPECT_EQ(status.textArea->col2, 80);
  EXPECT_EQ(status.lines, std::vector<std::string>{" First, insert the data file!"});
  EXPECT_EQ(rec.statusBarText(), "Waiting");
}

TEST_F(Startup, StartWindowDrawsTwelveLinesAtTheirPositionsAndFonts) {
  const RecordedWindow start = rec.window(12);
  EXPECT_EQ(start.title, "Start window");
  ASSERT_TRUE(start.placement.has_value());
  EXPECT_EQ(start.placement->height, 20);
  EXPECT_EQ(start.placement->width, 110);
  EXPECT_EQ(start.configuration, (std::pair<int, int>{90, 100}));
  const std::vector<RecordedText> texts = start.texts;
  ASSERT_EQ(texts.size(), 12u);
  const int xs[] = {175, 145, 210, 240, 80, 225, 210, 200, 260, 230, 210, 190};
  const int ys[] = {10, 30, 47, 65, 85, 140, 155, 170, 185, 200, 215, 230};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].x, xs[i]) << i;
    EXPECT_EQ(texts[i].y, ys[i]) << i;
    EXPECT_FALSE(texts[i].text.empty()) << i;
    EXPECT_NE(texts[i].text.front(), ' ') << "trimmed " << i;
    EXPECT_EQ(texts[i].colour, black);
  }
  EXPECT_EQ(texts[0].text, "Tallyfold");
  EXPECT_EQ(texts[0].font, "t'Arial'h15w8");
  EXPECT_EQ(texts[2].text, "Count Data with");
  EXPECT_EQ(texts[3].text, "Using the");
  EXPECT_EQ(texts[4].text, "Non-Parametric Maximum Likelihood Estimation");
  EXPECT_EQ(texts[4].font, "t'Arial'h16w10");
  EXPECT_EQ(texts[8].text, "and");
  EXPECT_EQ(texts[11].font, "t'Arial'h12w7");
}

TEST_F(Startup, DefaultsOfTheSharedState) {
  const GlobalVar& g = globalVar();
  EXPECT_EQ(g.numCountClasses, 0);
  EXPECT_TRUE(g.counts.empty());
  EXPECT_EQ(g.dataAvailable, 0);
  EXPECT_EQ(g.exactness, 1.0000000116860974E-7);
  EXPECT_EQ(g.stopCriterion, StopCriterion::max);
  EXPECT_EQ(g.maxComponents, 2);
  EXPECT_EQ(g.numComponents, 1);
  EXPECT_EQ(g.calcThread.load(), -1);
  EXPECT_FALSE(g.results.has_value());
  EXPECT_EQ(g.populationSize, 5000);
  EXPECT_EQ(g.simLambda, (std::vector<double>{2.0, 4.0}));
}

TEST_F(Startup, ExitEndsTheProgramAndComputingCommandsNeedData) {
  rec.clickMenu("&Calculating Population Size");
  rec.clickMenu("&Start Bootstrap");
  const std::vector<RecordedMessageBox> boxes = rec.messageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], (RecordedMessageBox{"No Data available!", "Error"}));
  EXPECT_EQ(boxes[1], (RecordedMessageBox{"No Data available!", "Error"}));
  EXPECT_FALSE(rec.exitRequested());
  rec.clickMenu("E&xit");
  EXPECT_TRUE(rec.exitRequested());
}

}  // namespace
}  // namespace tallyfold
