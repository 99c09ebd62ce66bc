#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/EMGFU.h"
#include "estimation/EMtrun_alg.h"
#include "state/GlobalVar.h"
#include "support/RecordingWindows.h"
#include "support/TempFolder.h"
#include "views/SaveResults.h"
#include "views/output.h"

namespace tallyfold {
namespace {

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> cells(1);
  for (char c : line) {
    if (c == ',') {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

class SaveResults : public ::testing::Test {
 protected:
  void SetUp() override {
    globalVar().resetAll();
    GlobalVar& g = globalVar();
    g.counts = {120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
    g.numCountClasses = 10;
    g.dataAvailable = 1;
    ASSERT_TRUE(EMGFU(std::nullopt, true));
    showResults(g.counts, g.numComponents, g.results);
    rec.focusWindow(g.resultsUnit);
  }
  RecordingWindows rec;
  test::TempFolder folder{"tallyfold-save"};
};

// The CSV's fit rows read back to the result tables' doubles exactly.
TEST_F(SaveResults, ResultsAsCsvAtFullPrecision) {
  const std::filesystem::path path = folder.path() / "results.csv";
  rec.answerFileDialog(path.string());
  saveResultsAs();
  std::istringstream lines(readAll(path));
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(fields(line));
  const ResultTables& t = *globalVar().results;
  const int fits = std::min<int>(globalVar().numComponents, t.size());
  ASSERT_EQ(rows.size(), 1u + fits + 6u);
  for (int s = 1; s <= fits; ++s) {
    ASSERT_EQ(rows[s].size(), rows[0].size());
    EXPECT_EQ(std::stod(rows[s][2]), t.resN0[s - 1]);
    EXPECT_EQ(std::stod(rows[s][4]), t.resLogLik[s - 1]);
  }
  EXPECT_EQ(rows[fits + 5][0], "Chao");
  EXPECT_EQ(rows[fits + 5][2], "120");
}

// An existing file is replaced only after "Yes"; a write that fails says
// why and leaves no file behind; a text file is the window's text.
TEST_F(SaveResults, ReplacesOnlyWhenAskedAndReportsFailures) {
  const std::filesystem::path path = folder.path() / "results.txt";
  std::ofstream(path) << "old";
  rec.answerFileDialog(path.string());
  rec.answerYesNo(false);
  saveResultsAs();
  EXPECT_EQ(readAll(path), "old");
  rec.answerFileDialog(path.string());
  rec.answerYesNo(true);
  saveResultsAs();
  EXPECT_EQ(readAll(path), rec.windowText(globalVar().resultsUnit));

  const std::filesystem::path missing = folder.path() / "no-such-folder" / "results.txt";
  rec.answerFileDialog(missing.string());
  saveResultsAs();
  EXPECT_EQ(rec.messageBoxes().back().title, "Error");
  EXPECT_NE(rec.messageBoxes().back().text.find("cannot write"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace tallyfold
