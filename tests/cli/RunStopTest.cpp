#include "RunStop.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BootstrapCommand.h"
#include "CliSupport.h"
#include "common/SinglePrecision.h"
#include "support/TempFolder.h"

namespace tallyfold::cli {
namespace {

// A table whose NPMLE search drives a component mean towards 0 and runs for
// far longer than any test waits.
std::filesystem::path slowTable(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / "eleven.txt";
  std::ofstream(path) << "222\n4\n222\n28\n66\n12\n1\n0\n7\n15\n0\n";
  return path;
}

struct Finished {
  int status = -1;  // the exit status; -1 when ended by a signal
  std::string errors;
  double seconds = 0;
};

// Runs tallyfold-cli with `arguments`, standard error into a file; with a
// signal, sends it once the program has its handlers in place.
Finished runCli(const std::vector<std::string>& arguments, const std::filesystem::path& errorFile, int signal = 0) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(err, STDERR_FILENO);
    ::dup2(null, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(TALLYFOLD_CLI_PATH)};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TALLYFOLD_CLI_PATH, argv.data());
    ::_exit(127);
  }
  if (signal != 0) {
    // SigCgt in /proc lists the caught signals: wait until both are.
    const unsigned long wanted = (1UL << (SIGINT - 1)) | (1UL << (SIGTERM - 1));
    for (int tries = 0; tries < 2000; ++tries) {
      std::ifstream status("/proc/" + std::to_string(pid) + "/status");
      unsigned long caught = 0;
      for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) caught = std::stoul(line.substr(7), nullptr, 16);
      }
      if ((caught & wanted) == wanted) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // well inside the search
    ::kill(pid, signal);
  }
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  Finished f;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errorFile);
  f.errors.assign(std::istreambuf_iterator<char>(in), {});
  return f;
}

TEST(RunStop, TheTimeLimitAndTheSignalsEndALongSearchWithTheirStatus) {
  test::TempFolder folder{"cli-stop"};
  const std::string table = slowTable(folder.path()).string();
  const std::filesystem::path errors = folder.path() / "errors.txt";

  const Finished limited = runCli({"estimate", table, "--criterion", "npmle", "--time-limit", "1"}, errors);
  EXPECT_EQ(limited.status, exitTimeLimit);
  EXPECT_EQ(limited.errors, "tallyfold-cli: the time limit of 1 s is reached\nstopped\n");
  // Measured at about 1.01 s; the bound leaves room for a loaded machine.
  EXPECT_LT(limited.seconds, 5.0) << limited.seconds;
  std::cout << "[          ] --time-limit 1 ended after " << limited.seconds << " s\n";

  for (const auto& [signal, status] : {std::pair{SIGINT, exitInterrupted}, std::pair{SIGTERM, exitTerminated}}) {
    const Finished f = runCli({"estimate", table, "--criterion", "npmle"}, errors, signal);
    EXPECT_EQ(f.status, status) << signal;
    EXPECT_EQ(f.errors, "stopped\n") << signal;
  }
}

TEST(RunStop, AStoppedBootstrapLeavesNoSummaryAndOnlyWholeLines) {
  test::TempFolder out{"cli-stop"};
  const Finished f = runCli({"bootstrap", TALLYFOLD_EXAMPLES_DIR "/tenclasses.txt", "--replications", "100000",
                             "--seed", "5", "--out", out.path().string(), "--interim", "--time-limit", "0.5"},
                            out.path() / "errors.txt");
  EXPECT_EQ(f.status, exitTimeLimit);
  EXPECT_FALSE(std::filesystem::exists(out.path() / "Simoutput.txt"));
  const std::filesystem::path interim = out.path() / "Bootinterim.txt";
  if (std::filesystem::exists(interim)) {
    std::ifstream in(interim);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_TRUE(text.empty() || text.back() == '\n');
  }

  // In-process: a stop requested before the run throws Stopped, and nothing
  // is printed or written.
  BootstrapOptions o;
  o.file = TALLYFOLD_EXAMPLES_DIR "/tenclasses.txt";
  o.exactness = static_cast<double>(single::exactness);
  o.seed = 3;
  o.outDir = out.path().string();
  o.interim = true;
  std::stop_source source;
  source.request_stop();
  o.stop = source.get_token();
  std::ostringstream text;
  EXPECT_THROW(runBootstrapCommand(o, text, text), Stopped);
  EXPECT_EQ(text.str(), "");
  EXPECT_FALSE(std::filesystem::exists(out.path() / "Simoutput.txt"));
  EXPECT_FALSE(std::filesystem::exists(interim));
}

TEST(RunStop, ATimeLimitMustBeAPositiveNumber) {
  for (const double bad : {0.0, -1.0, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_THROW(checkTimeLimit(bad), BadInput) << bad;
  }
  EXPECT_NO_THROW(checkTimeLimit(std::nullopt));
  EXPECT_NO_THROW(checkTimeLimit(0.25));
}

}  // namespace
}  // namespace tallyfold::cli
