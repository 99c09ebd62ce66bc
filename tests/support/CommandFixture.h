#pragma once
// What the command tests of the simulation commands share: a command run
// over the recording window layer with its output folders in a fresh
// temporary root, a seeded process stream, workers that run synchronously
// and the status window open; and small readers of what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "numeric/RandomStream.h"
#include "state/GlobalVar.h"
#include "simulation/OutputFolders.h"
#include "support/TempFolder.h"
#include "support/RecordingWindows.h"

namespace tallyfold::test {

inline std::vector<std::string> readLines(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline int countPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

inline bool contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SimulationCommandTest : public ::testing::Test {
 protected:
  SimulationCommandTest(const char* tag, std::int32_t seed) : root{tag}, seed_(seed) {}

  void SetUp() override {
    globalVar().resetAll();
    std::filesystem::create_directory(root.path() / "Sim");
    setOutputRoot(root.path());
    seedProcessRandomStream(seed_);
    rec.setThreadMode(ThreadMode::synchronous);
    rec.openWindow(10, "Status window");
  }
  void TearDown() override {
    setOutputRoot(std::nullopt);
    globalVar().calcThread = -1;
  }

  static void loadData(const std::vector<std::int32_t>& counts) {
    GlobalVar& g = globalVar();
    g.counts = counts;
    g.numCountClasses = static_cast<std::int32_t>(counts.size());
    g.dataAvailable = 1;
  }

  // A command started while another computation runs is refused before its
  // dialog, whose fields would read what that computation is writing: one
  // message, no dialog, no worker, the running computation untouched.
  void expectRefusedWhileBusy(void (*start)()) {
    globalVar().calcThread = 77;
    start();
    EXPECT_EQ(rec.messageBoxes(), (std::vector<RecordedMessageBox>{{"Calculation is active!", "STATUS"}}));
    EXPECT_TRUE(rec.dialogRuns().empty());
    EXPECT_EQ(rec.threadsStarted(), 0);
    EXPECT_EQ(globalVar().calcThread.load(), 77);
  }

  TempFolder root;
  RecordingWindows rec;

 private:
  std::int32_t seed_;
};

}  // namespace tallyfold::test
