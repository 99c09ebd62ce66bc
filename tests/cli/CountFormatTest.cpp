// --format and the frequency table example through the commands.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "CliSupport.h"
#include "EstimateCommand.h"
#include "common/SinglePrecision.h"

namespace tallyfold::cli {
namespace {

const std::string csvExample = std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.csv";
const std::string countsExample = std::string(TALLYFOLD_EXAMPLES_DIR) + "/cottontail.txt";

std::string estimateOutput(const std::string& file, bool json) {
  EstimateOptions o;
  o.file = file;
  o.exactness = static_cast<double>(single::exactness);
  o.json = json;
  std::ostringstream out;
  EXPECT_EQ(runEstimate(o, out), exitSuccess);
  return out.str();
}

TEST(CountFormat, TheTableExampleEstimatesAsTheCountFileItWasMadeFrom) {
  const std::string table = estimateOutput(csvExample, false);
  const std::string counts = estimateOutput(countsExample, false);
  EXPECT_EQ(table.substr(0, table.find('\n')), "Tallyfold estimate of " + csvExample);
  EXPECT_EQ(table.substr(table.find('\n')), counts.substr(counts.find('\n')));

  nlohmann::json tableJson = nlohmann::json::parse(estimateOutput(csvExample, true));
  nlohmann::json countsJson = nlohmann::json::parse(estimateOutput(countsExample, true));
  EXPECT_EQ(tableJson["file"], csvExample);
  tableJson.erase("file");
  countsJson.erase("file");
  EXPECT_EQ(tableJson, countsJson);
}

std::pair<int, std::string> statusAndErrors(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " 2>&1 >/dev/null";
  std::string errors;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, errors};
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) errors += buffer.data();
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, errors};
}

TEST(CountFormat, EveryCommandThatReadsAFileTakesTheFormat) {
  const std::string asCounts = "tallyfold-cli: " + csvExample + ": line 1: the first item is not a whole number\n";
  const std::string asPairs = "tallyfold-cli: " + countsExample + ": line 1: '43' is not a class x and its count f(x)\n";
  const std::string bootstrap = " --replications 1 --seed 3";
  const std::string simulate = " --replications 1 --population 200 --no-boot-eval --seed 3";
  struct Case {
    std::string arguments;
    int status;
    std::string errors;
  };
  const Case cases[] = {
      {"estimate " + csvExample, 0, ""},
      {"estimate " + csvExample + " --format counts", 1, asCounts},
      {"estimate " + countsExample + " --format pairs", 1, asPairs},
      {"estimate " + csvExample + " --format pairs", 0, ""},
      {"bootstrap " + csvExample + bootstrap, 0, ""},
      {"bootstrap " + csvExample + " --format counts" + bootstrap, 1, asCounts},
      {"bootstrap " + countsExample + " --format pairs" + bootstrap, 1, asPairs},
      {"simulate --from-data " + csvExample + simulate, 0, ""},
      {"simulate --from-data " + csvExample + " --format counts" + simulate, 1, asCounts},
      {"simulate --from-data " + countsExample + " --format pairs" + simulate, 1, asPairs},
      {"simulate --format pairs" + simulate, 1, "--format requires --from-data\nRun with --help for more information.\n"},
      {"estimate " + csvExample + " --format csv", 1,
       "--format: csv not in {auto,counts,pairs}\nRun with --help for more information.\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(statusAndErrors(c.arguments), std::make_pair(c.status, c.errors)) << c.arguments;
  }
}

}  // namespace
}  // namespace tallyfold::cli
