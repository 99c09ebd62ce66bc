#include "simulation/ReplicateRows.h"

namespace tallyfold {

namespace {

std::string cell(const Estimate& value) { return value ? std::to_string(*value) : std::string(); }

}  // namespace

ReplicateRow replicateRow(const EstimateTables& tables, std::span<const std::int32_t> components, int r,
                          std::int64_t observed) {
  ReplicateRow row;
  row.replicate = r;
  row.observed = observed;
  row.components = components[static_cast<std::size_t>(r - 1)];
  for (int j = 1; j <= studyEstimators; ++j) {
    row.unobserved[static_cast<std::size_t>(j - 1)] = tables.unobserved(j, r);
    row.estimates[static_cast<std::size_t>(j - 1)] = tables.estimates(j, r);
  }
  return row;
}

std::string replicateCsvHeader(bool evaluation) {
  std::string header = "replicate,n";
  for (std::string_view name : studyEstimatorNames) {
    header += "," + std::string(name) + " N0," + std::string(name) + " N";
  }
  header += ",components";
  if (evaluation) header += ",evaluation median";
  return header + ",seed";
}

std::string replicateCsvLine(const ReplicateRow& row, bool evaluation, std::optional<std::int32_t> seed) {
  std::string line = std::to_string(row.replicate) + "," + std::to_string(row.observed);
  for (std::size_t j = 0; j < row.estimates.size(); ++j) {
    line += "," + cell(row.unobserved[j]) + "," + cell(row.estimates[j]);
  }
  line += "," + std::to_string(row.components);
  if (evaluation) line += "," + (row.evalMedian ? cell(*row.evalMedian) : std::string());
  return line + "," + (seed ? std::to_string(*seed) : std::string());
}

ReplicateCsvFile::ReplicateCsvFile(const std::filesystem::path& path, bool evaluation,
                                   std::optional<std::int32_t> seed)
    : out_(path, std::ios::trunc), evaluation_(evaluation), seed_(seed) {
  if (out_) out_ << replicateCsvHeader(evaluation_) << "\n" << std::flush;
}

void ReplicateCsvFile::write(const ReplicateRow& row) {
  out_ << replicateCsvLine(row, evaluation_, seed_) << "\n" << std::flush;
}

}  // namespace tallyfold
