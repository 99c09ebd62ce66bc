#include "cli/EstimateCommand.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/CliSupport.h"
#include "common/SinglePrecision.h"

namespace tallyfold::cli {
namespace {

std::string examplePath(const char* name) { return std::string(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

std::string writeTemp(const std::string& name, const std::string& text) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path) << text;
  return path.string();
}

EstimateOptions defaults(const std::string& file) {
  EstimateOptions o;
  o.file = file;
  o.exactness = static_cast<double>(single::exactness);
  return o;
}

nlohmann::json runJson(EstimateOptions options) {
  options.json = true;
  std::ostringstream out;
  EXPECT_EQ(runEstimate(options, out), exitSuccess);
  return nlohmann::json::parse(out.str());
}

TEST(EstimateCommand, JsonCarriesEveryRecordedFitAndTheClosedFormEstimates) {
  const nlohmann::json j = runJson(defaults(examplePath("tenclasses.txt")));
  EXPECT_EQ(j["m"], 10);
  EXPECT_EQ(j["n"], 275);
  EXPECT_EQ(j["settings"]["criterion"], "max");
  EXPECT_EQ(j["settings"]["maxComponents"], 2);
  ASSERT_EQ(j["fits"].size(), 2u);
  EXPECT_EQ(j["fits"][0]["n0"], 30.0);
  EXPECT_EQ(j["fits"][0]["nall"], 305.0);
  EXPECT_EQ(j["fits"][1]["n0"], 125.0);
  EXPECT_EQ(j["fits"][1]["nall"], 400.0);
  EXPECT_EQ(j["accepted"], 2);
  EXPECT_EQ(j["mixture"]["lambda"].size(), 2u);
  EXPECT_EQ(j["mixture"]["nall"], 400);
  ASSERT_EQ(j["zelterman"].size(), 4u);
  for (const auto& z : j["zelterman"]) EXPECT_EQ(z["n"].get<int>() - z["n0"].get<int>(), 275);
  EXPECT_EQ(j["chao"]["n0"], 120);  // 120 * 120 / (2 * 60)
  EXPECT_EQ(j["chao"]["n"], 395);
}

TEST(EstimateCommand, MissingEstimatesAreNull) {
  // One class only: no Zelterman rate, Chao divides by zero.
  const nlohmann::json single = runJson(defaults(writeTemp("tallyfold-cli-m1.txt", "7\n")));
  EXPECT_TRUE(single["zelterman"][0]["n0"].is_null());
  EXPECT_TRUE(single["chao"]["n"].is_null());
  // Underdispersed: no negative-binomial fit exists.
  const nlohmann::json small = runJson(defaults(examplePath("small.txt")));
  EXPECT_TRUE(small["negativeBinomial"]["n0"].is_null());
  EXPECT_EQ(small["fits"][0]["n0"], 11.0);
  EXPECT_EQ(small["fits"][0]["nall"], 28.0);
}

TEST(EstimateCommand, LogPrintsTheSearchLinesFirst) {
  EstimateOptions o = defaults(examplePath("small.txt"));
  o.log = true;
  std::ostringstream out;
  runEstimate(o, out);
  const std::string text = out.str();
  EXPECT_EQ(text.rfind(" calculate Nonparametric Maximum Likelihood Estimation\n", 0), 0u);
  EXPECT_NE(text.find(" ----------- Start EMGFU---------\n"), std::string::npos);
  EXPECT_NE(text.find("\n      1.000000\n"), std::string::npos);
  EXPECT_NE(text.find(" Nonparametric Maximum Likelihood Estimation finished\n N0 11\n N 28\n"), std::string::npos);
}

TEST(EstimateCommand, UnusableTablesAreRefusedNamingTheFile) {
  const std::string zeros = writeTemp("tallyfold-cli-zeros.txt", "0\n0\n");
  const std::string bad = writeTemp("tallyfold-cli-bad.txt", "4\nfive\n");
  for (const std::string& file : {zeros, bad, std::string("/nonexistent/counts.txt")}) {
    std::ostringstream out;
    try {
      runEstimate(defaults(file), out);
      ADD_FAILURE() << "accepted " << file;
    } catch (const BadInput& e) {
      EXPECT_EQ(e.message.rfind(file + ": ", 0), 0u) << e.message;
    }
  }
}

// The whole program: exit statuses of the command line.
int exitStatus(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EstimateCommandLine, ExitStatuses) {
  EXPECT_EQ(exitStatus("estimate " + examplePath("cottontail.txt")), 0);
  EXPECT_EQ(exitStatus("--help"), 0);
  EXPECT_EQ(exitStatus("estimate /nonexistent/file.txt"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --criterion sideways"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --exactness -1"), 1);
  EXPECT_EQ(exitStatus("estimate " + examplePath("small.txt") + " --exactness abc"), 1);
  EXPECT_EQ(exitStatus("estimate"), 1);
  EXPECT_EQ(exitStatus(""), 1);
}

}  // namespace
}  // namespace tallyfold::cli
