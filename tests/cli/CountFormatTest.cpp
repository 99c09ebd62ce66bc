// --format and the frequency table example through the whole program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

const std::string table = TALLYFOLD_EXAMPLES_DIR "/cottontail.csv";
const std::string counts = TALLYFOLD_EXAMPLES_DIR "/cottontail.txt";

// Exit status, then standard output and error.
std::string run(const std::string& arguments) {
  FILE* pipe = popen((std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " 2>&1").c_str(), "r");
  std::string text;
  std::array<char, 256> buffer{};
  while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) text += buffer.data();
  const int status = pipe == nullptr ? -1 : pclose(pipe);
  return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " " + text;
}

TEST(CountFormat, TheTableExampleEstimatesAsTheCountFileItWasMadeFrom) {
  const std::string fromTable = run("estimate " + table);
  const std::string fromCounts = run("estimate " + counts);
  EXPECT_EQ(fromTable.substr(0, fromTable.find('\n')), "0 Tallyfold estimate of " + table);
  EXPECT_EQ(fromTable.substr(fromTable.find('\n')), fromCounts.substr(fromCounts.find('\n')));
}

TEST(CountFormat, EveryCommandThatReadsAFileTakesIt) {
  const std::string asCounts = "1 tallyfold-cli: " + table + ": line 1: the first item is not a whole number\n";
  const std::string asPairs = "1 tallyfold-cli: " + counts + ": line 1: '43' is not a class x and its count f(x)\n";
  for (const std::string& command :
       {std::string("estimate "), std::string("bootstrap --replications 1 --seed 3 "),
        std::string("simulate --replications 1 --population 200 --no-boot-eval --seed 3 --from-data ")}) {
    EXPECT_EQ(run(command + table).substr(0, 2), "0 ") << command;
    EXPECT_EQ(run(command + table + " --format pairs").substr(0, 2), "0 ") << command;
    EXPECT_EQ(run(command + table + " --format counts"), asCounts) << command;
    EXPECT_EQ(run(command + counts + " --format pairs"), asPairs) << command;
  }
  EXPECT_EQ(run("simulate --format pairs"), "1 --format requires --from-data\nRun with --help for more information.\n");
}

}  // namespace
