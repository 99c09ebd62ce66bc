#pragma once
// Every replicate of a bootstrap or simulation study as a row, handed out
// as the run goes (in replicate order, once the replicate's log lines are
// out), and its CSV form: replicate number, n, N0 and N of each estimator
// (empty for no estimate), the NPMLE's number of components and, for a study
// with the bootstrap evaluation, the evaluation's median; last the seed of the
// run (empty where none is known), so a file read alone says how to repeat it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "simulation/EstimateTables.h"

namespace tallyfold {

struct ReplicateRow {
  int replicate = 0;
  std::int64_t observed = 0;  // n of the replicate's table
  std::int32_t components = 0;
  std::array<Estimate, studyEstimators> unobserved{};
  std::array<Estimate, studyEstimators> estimates{};
  std::optional<Estimate> evalMedian;  // with the evaluation only
};

using ReplicateSink = std::function<void(const ReplicateRow&)>;

// Replicate r of the tables (components[r - 1] its NPMLE's), n its units.
ReplicateRow replicateRow(const EstimateTables& tables, std::span<const std::int32_t> components, int r,
                          std::int64_t observed);

std::string replicateCsvHeader(bool evaluation);
std::string replicateCsvLine(const ReplicateRow& row, bool evaluation, std::optional<std::int32_t> seed);

// The CSV file of a run's replicates: opened (replaced) with its header,
// then one row per write, flushed at once, so a stopped run leaves whole
// rows.
class ReplicateCsvFile {
 public:
  ReplicateCsvFile(const std::filesystem::path& path, bool evaluation, std::optional<std::int32_t> seed);
  bool isOpen() const { return static_cast<bool>(out_); }
  void write(const ReplicateRow& row);

 private:
  std::ofstream out_;
  bool evaluation_;
  std::optional<std::int32_t> seed_;
};

}  // namespace tallyfold
