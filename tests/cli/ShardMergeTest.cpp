#include "MergeCommand.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "BootstrapCommand.h"
#include "CliSupport.h"
#include "SimulateCommand.h"
#include "common/SinglePrecision.h"
#include "support/TempFolder.h"

namespace tallyfold::cli {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file under the folder but the shard results, by relative path.
std::map<std::string, std::string> folderFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(entry.path(), folder).string();
    if (entry.is_regular_file() && name.rfind("shard-", 0) != 0) files[name] = readText(entry.path());
  }
  return files;
}

void clear(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

// A run as its command does it: `run(json, shard)` prints to the stream.
using Run = std::function<void(bool json, std::optional<ShardId> shard, std::ostream& out)>;

std::string merged(const fs::path& folder, int p, bool json) {
  MergeOptions m;
  for (int i = p; i >= 1; --i) m.files.push_back((folder / shardFileName({i, p})).string());
  m.outDir = folder.string();
  m.json = json;
  m.replicatesCsv = (folder / "rows.csv").string();
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(runMergeCommand(m, out, err), exitSuccess);
  return out.str();
}

// The merged shards give the single run's text, JSON and files, for P = 1,
// 2, 3 and P > R (4 replicates).
void expectMergeIsTheSingleRun(const fs::path& folder, const Run& run) {
  std::map<bool, std::string> single;
  std::map<bool, std::map<std::string, std::string>> singleFiles;
  for (const bool json : {false, true}) {
    clear(folder);
    std::ostringstream out;
    run(json, std::nullopt, out);
    single[json] = out.str();
    singleFiles[json] = folderFiles(folder);
  }
  for (const int p : {1, 2, 3, 6}) {
    clear(folder);
    for (int i = 1; i <= p; ++i) {
      std::ostringstream out;
      run(false, ShardId{i, p}, out);
    }
    for (const bool json : {false, true}) {
      EXPECT_EQ(merged(folder, p, json), single[json]) << "P = " << p << (json ? " JSON" : " text");
      EXPECT_EQ(folderFiles(folder), singleFiles[json]) << "P = " << p;
    }
  }
}

TEST(ShardMerge, MergedShardsOfABootstrapGiveTheSingleRunsBytes) {
  test::TempFolder folder{"cli-shard-boot"};
  const fs::path out = folder.path() / "out";
  expectMergeIsTheSingleRun(out, [&](bool json, std::optional<ShardId> shard, std::ostream& stream) {
    BootstrapOptions o;
    o.file = std::string(TALLYFOLD_EXAMPLES_DIR) + "/tenclasses.txt";
    o.exactness = static_cast<double>(single::exactness);
    o.replications = 4;
    o.seed = 271;
    o.outDir = out.string();
    o.samples = o.interim = true;
    o.json = json;
    o.shard = shard;
    o.threads = shard ? 2 : 1;
    o.replicatesCsv = (out / (shard ? "shard-rows.csv" : "rows.csv")).string();
    std::ostringstream err;
    EXPECT_EQ(runBootstrapCommand(o, stream, err), exitSuccess);
    if (shard) fs::remove(*o.replicatesCsv);
  });
}

TEST(ShardMerge, MergedShardsOfAStudyGiveTheSingleRunsBytesWithAndWithoutTheEvaluation) {
  test::TempFolder folder{"cli-shard-sim"};
  const fs::path out = folder.path() / "out";
  for (const bool evaluate : {true, false}) {
    SCOPED_TRACE(evaluate ? "evaluation" : "no evaluation");
    expectMergeIsTheSingleRun(out, [&](bool json, std::optional<ShardId> shard, std::ostream& stream) {
      SimulateOptions o;
      o.exactness = static_cast<double>(single::exactness);
      o.replications = 4;
      o.populationSize = 300;
      o.evaluate = evaluate;
      o.bootReplications = 5;
      o.seed = 314;
      o.outDir = out.string();
      o.samples = o.interim = true;
      o.json = json;
      o.shard = shard;
      o.threads = shard ? 2 : 1;
      o.replicatesCsv = (out / (shard ? "shard-rows.csv" : "rows.csv")).string();
      std::ostringstream err;
      EXPECT_EQ(runSimulateCommand(o, stream, err), exitSuccess);
      if (shard) fs::remove(*o.replicatesCsv);
    });
  }
}

struct Outcome {
  int status = -1;
  std::string err;
};

Outcome runCli(const std::string& arguments) {
  Outcome outcome;
  FILE* pipe = popen((std::string(TALLYFOLD_CLI_PATH) + " " + arguments + " 2>&1 >/dev/null").c_str(), "r");
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.err += buffer;
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(ShardMergeCommandLine, RefusesWhatIsNotOneWholeRunEachWithItsMessage) {
  test::TempFolder folder{"cli-shard-bad"};
  const fs::path d = folder.path();
  const std::string boot = "bootstrap " + std::string(TALLYFOLD_EXAMPLES_DIR) + "/small.txt --replications 4 --quiet";
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(runCli(boot + " --seed 5 --out " + d.string() + " --shard " + std::to_string(i) + "/3").status, 0);
  }
  fs::create_directories(d / "other");
  ASSERT_EQ(runCli(boot + " --seed 6 --out " + (d / "other").string() + " --shard 2/3").status, 0);
  const std::string s1 = (d / "shard-1-of-3.json").string();
  const std::string s2 = (d / "shard-2-of-3.json").string();
  const std::string s3 = (d / "shard-3-of-3.json").string();
  const std::string text = readText(s3);
  std::ofstream(d / "cut.json", std::ios::binary) << text.substr(0, text.size() - 40);

  const std::vector<std::pair<std::string, std::string>> cases{
      {s1 + " " + s3, "shard 2 of 3 is missing"},
      {s1 + " " + s2 + " " + s2 + " " + s3, "shard 2 of 3 is given twice"},
      {s1 + " " + (d / "other" / "shard-2-of-3.json").string() + " " + s3, "seed 6, not 5"},
      {s1 + " " + s2 + " " + (d / "cut.json").string(), "is truncated or not JSON"},
  };
  for (const auto& [files, message] : cases) {
    const Outcome o = runCli("merge " + files);
    EXPECT_EQ(o.status, 1) << files;
    EXPECT_NE(o.err.find(message), std::string::npos) << o.err;
  }
  EXPECT_EQ(runCli("merge " + s1 + " " + s2 + " " + s3).status, 0);
  const Outcome noSeed = runCli(boot + " --json --shard 1/3");
  EXPECT_EQ(noSeed.status, 1);
  EXPECT_NE(noSeed.err.find("--shard needs --seed"), std::string::npos) << noSeed.err;
}

}  // namespace
}  // namespace tallyfold::cli
