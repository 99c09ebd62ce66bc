#include "SimulateCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "common/SinglePrecision.h"
#include "support/TempFolder.h"

namespace tallyfold::cli {
namespace {

std::string examplePath(const char* name) { return std::string(TALLYFOLD_EXAMPLES_DIR) + "/" + name; }

SimulateOptions quick(std::int64_t seed) {
  SimulateOptions o;
  o.exactness = static_cast<double>(single::exactness);
  o.replications = 3;
  o.evaluate = false;
  o.seed = seed;
  return o;
}

template <typename Options, typename Run>
std::string capture(const Options& options, Run run, std::string* errors = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run(options, out, err), exitSuccess);
  if (errors) *errors = err.str();
  return out.str();
}

std::string simulate(const SimulateOptions& o, std::string* errors = nullptr) {
  return capture(o, runSimulateCommand, errors);
}
std::string poissonGamma(const PoissonGammaOptions& o) { return capture(o, runPoissonGammaCommand); }

// Coverage counted by hand from the per-replicate intervals of the JSON.
TEST(SimulateCommand, CoverageIsTheShareOfReplicateIntervalsHoldingN) {
  SimulateOptions o = quick(77);
  o.replications = 4;
  o.evaluate = true;
  o.bootReplications = 5;
  o.populationSize = 200;
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(simulate(o));
  for (const char* name : {"NPMLE", "Chao"}) {
    int covered = 0;
    int evaluated = 0;
    for (const auto& r : j["replications"]) {
      const auto& i = r["intervals"][name];
      if (i["lower"].is_null()) continue;
      ++evaluated;
      if (i["lower"].get<double>() <= 200 && 200 <= i["upper"].get<double>()) ++covered;
    }
    EXPECT_EQ(j["accuracy"][name]["covered"], covered) << name;
    EXPECT_EQ(j["accuracy"][name]["evaluated"], evaluated) << name;
  }
}

TEST(SimulateCommand, JsonCarriesEveryReplicateTheBiasAndTheEvaluation) {
  SimulateOptions o = quick(2024);
  o.evaluate = true;
  o.bootReplications = 3;
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(simulate(o));
  EXPECT_EQ(j["seed"], 2024);
  EXPECT_EQ(j["settings"]["counts"], 15);
  EXPECT_EQ(j["model"]["lambda"], nlohmann::json::array({2.0, 4.0}));
  ASSERT_EQ(j["replications"].size(), 3u);
  double sum = 0;
  for (const auto& r : j["replications"]) {
    ASSERT_EQ(r["estimates"].size(), 7u);
    // The negative binomial is run on every replicate.
    EXPECT_NEAR(r["estimates"][1].get<double>(), 5000.0, 500.0);
    EXPECT_NEAR(r["unobserved"][1].get<double>(), 400.0, 300.0);
    EXPECT_FALSE(r["evalMedian"].is_null());
    sum += r["estimates"][0].get<int>();
  }
  // The bias is the truncated mean minus the known size.
  const auto& npmle = j["summary"]["NPMLE"];
  EXPECT_EQ(npmle["bias"].get<std::int64_t>(), static_cast<std::int64_t>(sum) / 3 - 5000);
  EXPECT_TRUE(j["summary"].contains("evalMedian"));
  EXPECT_FALSE(j["summary"]["evalMedian"]["median"].is_null());

  o.evaluate = false;
  const nlohmann::json plain = nlohmann::json::parse(simulate(o));
  EXPECT_FALSE(plain["summary"].contains("evalMedian"));
  EXPECT_FALSE(plain["replications"][0].contains("evalMedian"));
}

TEST(SimulateCommand, FromDataTakesTheClassesOfTheFileAndItsSeedRepeats) {
  SimulateOptions o = quick(77);
  o.fromData = examplePath("tenclasses.txt");
  o.populationSize = 400;
  o.json = true;
  const std::string first = simulate(o);
  EXPECT_EQ(first, simulate(o));
  const nlohmann::json j = nlohmann::json::parse(first);
  EXPECT_EQ(j["settings"]["counts"], 10);
  EXPECT_EQ(j["model"]["fromData"], o.fromData.value());
  o.seed = 78;
  EXPECT_NE(first, simulate(o));
}

TEST(SimulateCommand, RefusedSettingsCarryTheProgramsMessage) {
  std::ostringstream out;
  std::ostringstream err;
  const auto message = [&](const SimulateOptions& o) {
    try {
      runSimulateCommand(o, out, err);
    } catch (const BadInput& e) {
      return e.message;
    }
    return std::string("accepted");
  };
  SimulateOptions o = quick(1);
  o.replications = 0;
  EXPECT_EQ(message(o), "Error occur by Number of Replications!");
  o = quick(1);
  o.lambda = {2.0};
  o.weight = {1.0};
  o.counts = 60;
  EXPECT_EQ(message(o), "Error occur by Number of Counts: the probability of count 41 is too small!");
  o = quick(1);
  o.fromData = examplePath("tenclasses.txt");
  o.populationSize = 100;
  EXPECT_EQ(message(o), "Error occur by Population Size!");
  o = quick(1);
  o.weight = {1.0};
  EXPECT_EQ(message(o), "--lambda and --weight need one value per component");
  o = quick(0);
  EXPECT_EQ(message(o), "--seed must lie between 1 and 2147483646");
  EXPECT_TRUE(out.str().empty());
}

TEST(SimulateCommand, AnUnusableOutFolderIsRefusedBeforeTheRun) {
  test::TempFolder folder{"cli-sim"};
  std::ofstream(folder.path() / "Sim") << "1\n";  // a file where a folder should be
  const std::string dir = folder.path().string();
  const auto refusal = [](const std::string& out, bool samples) {
    SimulateOptions o = quick(5);
    o.outDir = out;
    o.samples = samples;
    std::ostringstream ignored;
    try {
      runSimulateCommand(o, ignored, ignored);
    } catch (const BadInput& e) {
      return e.message;
    }
    return std::string("accepted");
  };
  EXPECT_EQ(refusal("", false), "--out needs a folder name");
  EXPECT_EQ(refusal(dir + "/absent", false), "--out " + dir + "/absent is missing");
  EXPECT_EQ(refusal(dir + "/Sim", false), "--out " + dir + "/Sim is not a folder");
  EXPECT_EQ(refusal("/proc", false), "--out /proc is not writable");  // for root too
  EXPECT_EQ(refusal(dir, true), "--out " + dir + ": its Sim folder " + dir + "/Sim is not a folder");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // nothing written
}

TEST(SimulateCommand, FilesAppearOnlyWhenAskedFor) {
  test::TempFolder folder{"cli-sim"};
  std::filesystem::create_directory(folder.path() / "Sim");
  SimulateOptions o = quick(5);
  o.outDir = folder.path().string();
  simulate(o);
  EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "Sim"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "Siminterim.txt"));
  o.samples = true;
  o.interim = true;
  const std::string text = simulate(o);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "Sim" / ("sample" + std::to_string(r) + ".txt")));
  }
  EXPECT_NE(text.find("wrote " + (folder.path() / "Siminterim.txt").string()), std::string::npos) << text;
  EXPECT_NE(text.find("bias"), std::string::npos);
  // --out stands for "C:\Temp": the summary file is written there (as the
  // bootstrap's test shows in full); the Poisson-Gamma run writes none.
  EXPECT_NE(text.find("wrote " + (folder.path() / "Simoutput.txt").string()), std::string::npos) << text;
  std::filesystem::remove(folder.path() / "Simoutput.txt");
  PoissonGammaOptions pg;
  pg.seed = 3;
  pg.outDir = folder.path().string();
  poissonGamma(pg);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "Simoutput.txt"));
}

TEST(PoissonGammaCommand, FiveEstimatorsWithTheirBias) {
  PoissonGammaOptions o;
  o.replications = 4;
  o.seed = 99;
  o.json = true;
  const nlohmann::json j = nlohmann::json::parse(poissonGamma(o));
  ASSERT_EQ(j["replications"].size(), 4u);
  for (const auto& r : j["replications"]) {
    ASSERT_EQ(r["estimates"].size(), 5u);
    EXPECT_FALSE(r.contains("components"));
  }
  for (const char* name : {"Z1", "Z2", "Z3", "Z4", "Chao"}) EXPECT_TRUE(j["summary"][name].contains("bias")) << name;
  EXPECT_FALSE(j["summary"].contains("NPMLE"));
  EXPECT_FALSE(j.contains("summaryFile"));
  o.json = false;
  EXPECT_EQ(poissonGamma(o).find("Summary file rows"), std::string::npos);

  o.alpha = 1.0;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_THROW(runPoissonGammaCommand(o, out, err), BadInput);
}

int exitStatus(const std::string& arguments) {
  const std::string command = std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimulateCommandLine, ExitStatuses) {
  EXPECT_EQ(exitStatus("simulate --replications 2 --no-boot-eval --seed 3"), 0);
  EXPECT_EQ(exitStatus("simulate --lambda 1.5,3 --weight 0.25,0.75 --replications 2 --boot-eval 2 --seed 3 --json"), 0);
  EXPECT_EQ(exitStatus("simulate --lambda 1.5,3 --weight 1,2 --replications 2 --boot-eval 2 --seed 3"), 1);
  EXPECT_EQ(exitStatus("simulate --counts 2147483647"), 1);
  EXPECT_EQ(exitStatus("simulate --counts 2147483646 --no-boot-eval"), 1);
  EXPECT_EQ(exitStatus("simulate --from-data " + examplePath("small.txt") + " --replications 2 --no-boot-eval"), 0);
  EXPECT_EQ(exitStatus("simulate --lambda 2 --weight 1 --counts 60 --no-boot-eval"), 1);
  EXPECT_EQ(exitStatus("simulate --boot-eval 3 --no-boot-eval"), 1);
  EXPECT_EQ(exitStatus("simulate --from-data " + examplePath("small.txt") + " --lambda 2"), 1);
  EXPECT_EQ(exitStatus("pg-simulate --replications 2 --seed 4"), 0);
  EXPECT_EQ(exitStatus("pg-simulate --kappa 0"), 1);
}

TEST(SimulateCommandLine, NumericalAndAllocationFailuresEndWithTheirStatus) {
  test::TempFolder folder{"cli-sim"};
  const std::filesystem::path errors = folder.path() / "errors.txt";
  const auto run = [&errors](const std::string& line) {
    const int status = std::system(("bash -c '" + line + " >/dev/null 2>" + errors.string() + "'").c_str());
    std::ifstream in(errors);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " " + text;
  };
  const std::string cli = TALLYFOLD_CLI_PATH;
  // Counts 0, 0, 5 with N = n and K = 2 leave nothing to draw: a terminal
  // error of the multinomial draw.
  std::ofstream(folder.path() / "late.txt") << "0\n0\n5\n";
  const std::string terminal = run(cli + " simulate --from-data " + (folder.path() / "late.txt").string() +
                                   " --population 5 --counts 2 --no-boot-eval --seed 3");
  EXPECT_EQ(terminal.rfind("2  *** TERMINAL ERROR 1 from RNMTN.", 0), 0u) << terminal;
  EXPECT_NE(terminal.find("Stop - Program terminated."), std::string::npos) << terminal;
#ifdef TALLYFOLD_SANITIZED
  GTEST_SKIP() << "a sanitizer reserves more address space than the memory limit below allows";
#endif
  // An allocation the memory check cannot foresee (a limit of the process,
  // not of the machine) ends with a message, not an abort.
  EXPECT_EQ(run("ulimit -v 400000; " + cli + " simulate --replications 20000000 --no-boot-eval --seed 3"),
            "1 tallyfold-cli: not enough memory for this run\n");
}

}  // namespace
}  // namespace tallyfold::cli
