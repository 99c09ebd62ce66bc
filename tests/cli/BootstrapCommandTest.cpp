#include "BootstrapCommand.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "common/SinglePrecision.h"
#include "numeric/ErrorReporting.h"
#include "simulation/RunMemory.h"
#include "support/TempFolder.h"

namespace tallyfold::cli {
namespace {

std::string examplePath(const char* name) { return std::string(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

BootstrapOptions defaults(std::int64_t seed) {
  BootstrapOptions o;
  o.file = examplePath("tenclasses.txt");
  o.exactness = static_cast<double>(single::exactness);
  o.replications = 4;
  o.seed = seed;
  return o;
}

std::string run(const BootstrapOptions& options, std::string* errors = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(runBootstrapCommand(options, out, err), exitSuccess);
  if (errors) *errors = err.str();
  return out.str();
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::size_t lineCount(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::size_t lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  return lines;
}

TEST(BootstrapCommand, JsonCarriesTheSeedEveryReplicateAndTheSummary) {
  BootstrapOptions o = defaults(8128);
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(run(o));
  EXPECT_EQ(j["seed"], 8128);
  EXPECT_EQ(j["settings"]["replications"], 4);
  EXPECT_EQ(j["settings"]["criterion"], "max");
  ASSERT_EQ(j["replications"].size(), 4u);
  for (const auto& r : j["replications"]) {
    ASSERT_EQ(r["estimates"].size(), 7u);
    ASSERT_EQ(r["unobserved"].size(), 7u);
    EXPECT_GE(r["components"].get<int>(), 1);
    // Zelterman and Chao: N = n + N0 with n = 275 in every sample.
    for (std::size_t k = 2; k < 7; ++k) {
      EXPECT_EQ(r["estimates"][k].get<int>() - r["unobserved"][k].get<int>(), 275);
    }
  }
  for (const char* name : {"NPMLE", "PMLE(negB)", "Z1", "Z2", "Z3", "Z4", "Chao"}) {
    const auto& s = j["summary"][name];
    for (const char* field : {"mean", "median", "sd", "medianDeviation", "unobservedMean", "unobservedMedian",
                              "unobservedSd"}) {
      EXPECT_TRUE(s.contains(field)) << name << " " << field;
    }
  }
  // The mean over the replicates agrees with the rows.
  double sum = 0;
  for (const auto& r : j["replications"]) sum += r["estimates"][6].get<int>();
  EXPECT_NEAR(j["summary"]["Chao"]["mean"].get<double>(), sum / 4, 0.5);
}

// The percentile interval of the Chao row, worked from the sorted
// replicates: at 95 % of 4 values the lower bound lies 0.075 of the way
// from the smallest to the next (Hyndman & Fan type 7).
TEST(BootstrapCommand, IntervalsComeFromTheReplicates) {
  BootstrapOptions o = defaults(8128);
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(run(o));
  std::vector<double> chao;
  for (const auto& r : j["replications"]) chao.push_back(r["estimates"][6].get<double>());
  std::sort(chao.begin(), chao.end());
  const nlohmann::json& interval = j["intervals"]["Chao"];
  EXPECT_NEAR(interval["lower"].get<double>(), chao[0] + 0.075 * (chao[1] - chao[0]), 1e-9);
  EXPECT_NEAR(interval["upper"].get<double>(), chao[3] - 0.075 * (chao[3] - chao[2]), 1e-9);
  EXPECT_EQ(interval["used"].get<int>() + interval["missing"].get<int>(), 4);
  EXPECT_EQ(j["intervals"].size(), 7u);
}

// --replicates-csv: one row per replicate with the JSON's estimates and the run's seed.
TEST(BootstrapCommand, ReplicateRowsMatchTheJson) {
  BootstrapOptions o = defaults(77);
  o.json = true;
  o.replicatesCsv = (std::filesystem::temp_directory_path() / "tallyfold-replicates.csv").string();
  const nlohmann::json j = nlohmann::json::parse(run(o));
  const std::vector<std::string> lines = readLines(*o.replicatesCsv);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].rfind("replicate,n,NPMLE N0,NPMLE N,", 0), 0u);
  for (std::size_t r = 0; r < 4; ++r) {
    std::string expected = std::to_string(r + 1) + ",275";
    for (std::size_t k = 0; k < 7; ++k) {
      const auto cell = [](const nlohmann::json& v) { return v.is_null() ? std::string() : std::to_string(v.get<int>()); };
      expected += "," + cell(j["replications"][r]["unobserved"][k]) + "," + cell(j["replications"][r]["estimates"][k]);
    }
    expected += "," + std::to_string(j["replications"][r]["components"].get<int>()) + ",77";  // the seed
    EXPECT_EQ(lines[r + 1], expected);
  }
  std::filesystem::remove(*o.replicatesCsv);
}

TEST(BootstrapCommand, TheSameSeedGivesTheSameOutputByteForByte) {
  EXPECT_EQ(run(defaults(77)), run(defaults(77)));
  BootstrapOptions json = defaults(77);
  json.json = true;
  EXPECT_EQ(run(json), run(json));
  EXPECT_NE(run(defaults(77)), run(defaults(78)));
}

TEST(BootstrapCommand, OneReplicateShowsNoStandardDeviation) {
  BootstrapOptions o = defaults(5);
  o.replications = 1;
  const std::string text = run(o);
  EXPECT_NE(text.find("           n/a"), std::string::npos) << text;
  o.json = true;
  EXPECT_TRUE(nlohmann::json::parse(run(o))["summary"]["NPMLE"]["sd"].is_null());
}

TEST(BootstrapCommand, FilesAppearOnlyWhenAskedFor) {
  test::TempFolder out{"cli-boot"};
  std::filesystem::create_directory(out.path() / "Sim");
  BootstrapOptions o = defaults(31);
  o.outDir = out.path().string();
  run(o);
  EXPECT_TRUE(std::filesystem::is_empty(out.path() / "Sim"));
  EXPECT_FALSE(std::filesystem::exists(out.path() / "Bootinterim.txt"));
  // --out stands for "C:\Temp": the summary file is written there as the
  // windowed program writes it, the rows printed are its lines.
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(run(o));
  EXPECT_EQ(readLines(out.path() / "Simoutput.txt"), j["summaryFile"].get<std::vector<std::string>>());
  EXPECT_EQ(j["files"].back(), (out.path() / "Simoutput.txt").string());

  o.json = false;
  o.samples = true;
  o.interim = true;
  const std::string text = run(o);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(lineCount(out.path() / "Sim" / ("boot" + std::to_string(r) + ".txt")), 10u);
  EXPECT_EQ(lineCount(out.path() / "Bootinterim.txt"), 5u);
  EXPECT_NE(text.find("wrote " + (out.path() / "Bootinterim.txt").string()), std::string::npos);
}

TEST(BootstrapCommand, AMissingSimFolderIsCreated) {
  test::TempFolder out{"cli-boot"};
  BootstrapOptions o = defaults(31);
  o.outDir = out.path().string();
  o.samples = true;
  std::string errors;
  const std::string text = run(o, &errors);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(lineCount(out.path() / "Sim" / "boot4.txt"), 10u);
  EXPECT_NE(text.find("Summary file rows"), std::string::npos);
}

TEST(BootstrapCommand, BadSettingsAreRefused) {
  std::ostringstream out;
  std::ostringstream err;
  for (const std::int64_t seed : {0LL, -4LL, 2147483647LL}) {
    EXPECT_THROW(runBootstrapCommand(defaults(seed), out, err), BadInput) << seed;
  }
  BootstrapOptions none = defaults(9);
  none.replications = 0;
  EXPECT_THROW(runBootstrapCommand(none, out, err), BadInput);
  EXPECT_TRUE(out.str().empty());
}

TEST(BootstrapCommand, ARunBeyondTheMachinesMemoryIsRefusedBeforeItStarts) {
  BootstrapOptions o = defaults(9);
  o.replications = 1000000000;
  if (physicalMemory() == 0 || physicalMemory() >= bootstrapMemoryNeed(10, o.replications)) {
    GTEST_SKIP() << "this machine's memory would take a billion bootstrap samples";
  }
  std::ostringstream out;
  try {
    runBootstrapCommand(o, out, out);
    ADD_FAILURE() << "accepted";
  } catch (const BadInput& e) {
    EXPECT_EQ(e.message.rfind("Error occur by Number of Replications: 1000000000 would need ", 0), 0u) << e.message;
  }
}

int exitStatus(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BootstrapCommandLine, ExitStatuses) {
  test::TempFolder folder{"cli-boot"};
  const std::filesystem::path single = folder.path() / "single.txt";
  std::ofstream(single) << "17\n";
  EXPECT_EQ(exitStatus("bootstrap " + examplePath("small.txt") + " --replications 2 --seed 3"), 0);
  EXPECT_EQ(exitStatus("bootstrap " + examplePath("small.txt") + " --replications 0"), 1);
  EXPECT_EQ(exitStatus("bootstrap " + examplePath("small.txt") + " --seed 0"), 1);
  EXPECT_EQ(exitStatus("bootstrap " + examplePath("small.txt") + " --criterion sideways"), 1);
  // One count class cannot be resampled: the random stream ends the run.
  EXPECT_EQ(exitStatus("bootstrap " + single.string() + " --seed 3"), 2);
}

}  // namespace
}  // namespace tallyfold::cli
