// "Save Results As…" in JSON and CSV after the real commands: the JSON is
// what tallyfold-cli writes for the same file, settings and seed (both are
// parsed and compared whole), and the summary CSV carries the run's seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands/Boot.h"
#include "commands/Calc.h"
#include "commands/Data.h"
#include "commands/SimPoisonnGamma.h"
#include "commands/Simu.h"
#include "settings/Defaults.h"
#include "state/GlobalVar.h"
#include "support/CommandFixture.h"
#include "views/SaveResults.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

using test::readLines;

// What the command line prints on standard output.
std::string runCli(const std::string& arguments) {
  std::string output;
  FILE* pipe = popen((std::string(TALLYFOLD_CLI_PATH) + " " + arguments).c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << arguments;
  return output;
}

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class SavedJson : public test::SimulationCommandTest {
 protected:
  SavedJson() : SimulationCommandTest("saved-json", 4242) {}

  void SetUp() override {
    SimulationCommandTest::SetUp();
    openDataPath(data);
    globalVar().fixedSeed = seed;
  }

  // Saves the window `unit` shows to `name` in the temporary root.
  std::filesystem::path save(int unit, const std::string& name) {
    const std::filesystem::path path = root.path() / name;
    rec.focusWindow(unit);
    rec.answerFileDialog(path.string());
    saveResultsAs();
    return path;
  }

  // The search options of the command line for the shared settings.
  static std::string searchOptions() {
    const GlobalVar& g = globalVar();
    char exactness[64];
    std::snprintf(exactness, sizeof exactness, "%.17g", g.exactness);
    return std::string(" --exactness ") + exactness + " --criterion " + std::string(criterionName(g.stopCriterion)) +
           " --max-components " + std::to_string(g.maxComponents);
  }

  const std::string data = std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt";
  static constexpr std::int32_t seed = 4242;
};

TEST_F(SavedJson, TheResultsWindowSavesTheEstimateOfTheCommandLine) {
  rec.expectDialog(dialogCalculation, [](RecordingDialog& d) { d.press(idOk); });
  startCalculation();
  const nlohmann::json saved = nlohmann::json::parse(readAll(save(globalVar().resultsUnit, "results.json")));
  const nlohmann::json cli = nlohmann::json::parse(runCli("estimate --json" + searchOptions() + " " + data));
  EXPECT_EQ(saved, cli);
  EXPECT_FALSE(saved["fits"].empty());

  // Another file opened since: the CSV is still the calculation's table.
  openDataPath(std::string(TALLYFOLD_EXAMPLES_DIR) + "/tenclasses.txt");
  const std::vector<std::string> csv = readLines(save(globalVar().resultsUnit, "results.csv"));
  const auto chao = std::find_if(csv.begin(), csv.end(), [](const std::string& l) { return l.rfind("Chao,", 0) == 0; });
  ASSERT_NE(chao, csv.end());
  EXPECT_EQ(chao->substr(0, chao->find(',', 6)), "Chao,," + cli["chao"]["n0"].dump());
}

TEST_F(SavedJson, TheBootstrapSummarySavesTheRunOfTheCommandLineAndItsSeed) {
  rec.expectDialog(dialogBootstrap, [](RecordingDialog& d) {
    d.setText(idReplications, "3");
    d.setChecked(idPrintInterim, true);
    d.press(idOk);
  });
  startBootstrap();
  const int unit = globalVar().simResultsUnit;
  const nlohmann::json saved = nlohmann::json::parse(readAll(save(unit, "boot.json")));
  const nlohmann::json cli = nlohmann::json::parse(runCli("bootstrap --json --quiet --replications 3 --seed 4242 --interim" +
                                                          (" --out " + root.path().string()) + searchOptions() + " " +
                                                          data));
  EXPECT_EQ(saved, cli);
  EXPECT_EQ(saved["seed"], seed);
  // Without an extension the chosen filter picks the form.
  const std::vector<FileFilter> offered = rec.fileDialogs().back().filters;
  ASSERT_EQ(offered.size(), 4u);
  EXPECT_EQ(offered[2].pattern, "*.json");
  rec.answerSaveFilter(3);
  EXPECT_EQ(nlohmann::json::parse(readAll(save(unit, "boot-saved"))), saved);
  EXPECT_EQ(saved["files"].size(), 2u);  // Bootinterim.txt, Simoutput.txt

  const std::vector<std::string> csv = readLines(save(unit, "boot.csv"));
  ASSERT_EQ(csv.size(), 8u);
  EXPECT_EQ(csv[0].substr(csv[0].rfind(',')), ",seed");
  for (std::size_t i = 1; i < csv.size(); ++i) EXPECT_EQ(csv[i].substr(csv[i].rfind(',')), ",4242") << csv[i];
}

TEST_F(SavedJson, TheSimulationSummariesSaveTheRunsOfTheCommandLine) {
  rec.expectDialog(dialogSimulation, [](RecordingDialog& d) {
    d.setText(idReplications, "2");
    d.setText(idBootReplications, "5");
    d.setChecked(idEvaluate, true);
    d.setChecked(idPrintInterim, true);
    d.setChecked(idPrintSamples, false);
    d.press(idOk);
  });
  startSimulation();
  const int unit = globalVar().simResultsUnit;
  const nlohmann::json study = nlohmann::json::parse(readAll(save(unit, "study.json")));
  const GlobalVar& g = globalVar();
  EXPECT_EQ(study, nlohmann::json::parse(runCli(
                       "simulate --json --quiet --replications 2 --boot-eval 5 --seed 4242 --interim --population " +
                       std::to_string(g.populationSize) + " --counts " + std::to_string(g.numSimCounts) + " --out " +
                       root.path().string() + searchOptions())));
  EXPECT_EQ(study["replications"].size(), 2u);
  EXPECT_TRUE(study["replications"][0].contains("intervals"));

  rec.expectDialog(dialogPoissonGamma, [](RecordingDialog& d) {
    d.setText(idReplications, "4");
    d.setChecked(idPrintInterim, false);
    d.setChecked(idPrintSamples, false);
    d.press(idOk);
  });
  startPoissonGamma();
  const nlohmann::json pg = nlohmann::json::parse(readAll(save(unit, "pg.json")));
  EXPECT_EQ(pg, nlohmann::json::parse(runCli("pg-simulate --json --quiet --replications 4 --seed 4242 --population " +
                                             std::to_string(g.populationSize) + " --counts " +
                                             std::to_string(g.numSimCounts))));
  EXPECT_EQ(pg["summary"].size(), 5u);
}

}  // namespace
}  // namespace tallyfold
