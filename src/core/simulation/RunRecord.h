#pragma once
// What makes a simulation or bootstrap run reproducible: the seed its
// random stream started from, the data file and the settings. The summary
// window shows it in its "Run" block and Simoutput.run.txt holds it;
// `tallyfold-cli --seed` with the same seed and settings gives the same
// numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>


namespace tallyfold {

struct RunRecord {
  std::int32_t seed = 0;
  std::string dataFile;               // empty when the run reads none
  std::vector<std::string> settings;  // "name value" pairs in words
};

// The seed of a run that has a record, none otherwise.
std::optional<std::int32_t> recordedSeed(const std::optional<RunRecord>& record);

// The block's lines: " Run", then the seed, the data file and the settings.
std::vector<std::string> runLines(const RunRecord& run);

}  // namespace tallyfold
