#include "simulation/Simoutput.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/GlobalVar.h"
#include "simulation/TempFolder.h"
#include "support/RecordingWindows.h"

namespace tallyfold {
namespace {

EstimateTables tables(int estimators) {
  EstimateTables t(estimators, 2);
  for (int j = 1; j <= estimators; ++j) {
    t.estimates(j, 1) = 1000 + j;
    t.estimates(j, 2) = 1001 + j;
    t.unobserved(j, 1) = 10 * j;
    t.unobserved(j, 2) = 10 * j + 1;
  }
  return t;
}

class SummaryWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    globalVar().resetAll();
    globalVar().populationSize = 1000;
  }

  std::vector<std::string> read(const std::string& name) const {
    std::ifstream in(root.path() / name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  test::TempFolder root{"summary"};
  OutputFolders folders{root.path()};
  RecordingWindows rec;
};

TEST_F(SummaryWindow, StudySummaryDrawsEveryRowAtItsPlaceAndWritesTheFile) {
  const std::vector<Estimate> evaluation{990, 1010};
  simulationSummary(tables(7), evaluation, true, folders);

  const RecordedWindow w = rec.window(30);
  EXPECT_EQ(w.title, "Simulation Results");
  EXPECT_EQ(rec.activeWindow(), 30);
  ASSERT_TRUE(w.placement);
  EXPECT_EQ(w.placement->height, 20);
  EXPECT_EQ(w.placement->width, 110);
  EXPECT_EQ(w.configuration, (std::pair<int, int>{90, 40}));

  const std::vector<RecordedText> texts = rec.texts(30);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Simulation Results:");
  EXPECT_EQ(texts[0].font, "t'Arial'h16w9");
  EXPECT_EQ(texts[0].x, 5);
  EXPECT_EQ(texts[0].y, 10);
  EXPECT_EQ(texts[1].font, "t'Arial'h14w7");
  EXPECT_EQ(texts[1].x, 180);
  EXPECT_EQ(texts[1].y, 40);
  EXPECT_EQ(texts[1].text.size(), 116u);

  // "Predefined Population Size": label at 5, the size under each of the
  // seven columns at (k + 1) * 90.
  ASSERT_GE(texts.size(), 10u);
  EXPECT_EQ(texts[2].text, " Predefined Population Size");
  EXPECT_EQ(texts[2].x, 5);
  EXPECT_EQ(texts[2].y, 70);
  for (int k = 1; k <= 7; ++k) {
    EXPECT_EQ(texts[static_cast<std::size_t>(2 + k)].text, "      1000");
    EXPECT_EQ(texts[static_cast<std::size_t>(2 + k)].x, (k + 1) * 90);
    EXPECT_EQ(texts[static_cast<std::size_t>(2 + k)].y, 70);
  }

  // Rows 70, 85, 100, 115, then four evaluation rows (single values at
  // x = 180) and the first separator at y = 190.
  bool evaluationSeen = false;
  for (const RecordedText& t : texts) {
    if (t.text == " Mean of eval. Median") {
      EXPECT_EQ(t.y, 130);
      evaluationSeen = true;
    }
    if (t.y == 130 && t.x != 5) {
      EXPECT_EQ(t.x, 180);
      EXPECT_EQ(t.text, "      1000");
    }
  }
  EXPECT_TRUE(evaluationSeen);
  const std::vector<RecordedLine> lines = rec.drawnLines(30);
  ASSERT_EQ(lines.size(), 3u);
  const int separatorY[] = {190, 235, 295};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].x1, 0);
    EXPECT_EQ(lines[i].x2, 810);
    EXPECT_EQ(lines[i].y1, separatorY[i]);
    EXPECT_EQ(lines[i].y2, separatorY[i]);
  }
  EXPECT_EQ(texts.back().text, "         2");
  EXPECT_EQ(texts.back().y, 310);

  const std::vector<std::string> file = read("Simoutput.txt");
  ASSERT_EQ(file.size(), 5u);
  EXPECT_EQ(file[0], "    ; ML ;  pML;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N ; ev.ML");
  EXPECT_EQ(file[1],
            "          mean;      1002;      1003;      1004;      1005;      1006;      1007;      1008;      1000");
  EXPECT_TRUE(rec.messageBoxes().empty());
}

TEST_F(SummaryWindow, PoissonGammaSummaryHasFiveColumnsAndNoFile) {
  poissonGammaSummary(tables(5), true);
  const std::vector<RecordedText> texts = rec.texts(30);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[1].text.size(), 91u);
  for (const RecordedLine& line : rec.drawnLines(30)) EXPECT_EQ(line.x2, 630);
  for (const RecordedText& t : texts) EXPECT_LE(t.x, 540) << t.text;
  EXPECT_FALSE(std::filesystem::exists(root.path() / "Simoutput.txt"));
}

TEST_F(SummaryWindow, AMissingFolderLeavesTheWindowComplete) {
  const std::vector<RecordedText> reference = [&] {
    simulationSummary(tables(7), std::nullopt, true, folders);
    return rec.texts(30);
  }();
  simulationSummary(tables(7), std::nullopt, true, OutputFolders{root.path() / "absent"});
  const std::string absent = (root.path() / "absent").string();
  EXPECT_EQ(rec.messageBoxes(),
            (std::vector<RecordedMessageBox>{{"Folder \"C:/temp\" not exist (" + absent + ": missing)", "Error"}}));
  const std::vector<RecordedText> texts = rec.texts(30);
  ASSERT_EQ(texts.size(), reference.size());
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i].text, reference[i].text);
}

}  // namespace
}  // namespace tallyfold
