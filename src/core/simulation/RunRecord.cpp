#include "simulation/RunRecord.h"

namespace tallyfold {

std::optional<std::int32_t> recordedSeed(const std::optional<RunRecord>& record) {
  if (!record) return std::nullopt;
  return record->seed;
}

std::vector<std::string> runLines(const RunRecord& run) {
  std::vector<std::string> lines{" Run",
                                 " seed " + std::to_string(run.seed) + " (tallyfold-cli --seed " +
                                     std::to_string(run.seed) + " gives the same numbers)"};
  if (!run.dataFile.empty()) lines.push_back(" data file " + run.dataFile);
  for (const std::string& setting : run.settings) lines.push_back(" " + setting);
  return lines;
}

}  // namespace tallyfold
