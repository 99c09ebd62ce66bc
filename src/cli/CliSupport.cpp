#include "CliSupport.h"

#include <cmath>
#include <ostream>
#include <utility>

#include "common/FieldLayout.h"
#include "numeric/RandomStream.h"

namespace tallyfold::cli {

std::int32_t chooseSeed(const std::optional<std::int64_t>& seed) {
  constexpr std::int64_t largestSeed = 2147483646;
  if (seed && (*seed < 1 || *seed > largestSeed)) throw BadInput{"--seed must lie between 1 and 2147483646"};
  return seed ? static_cast<std::int32_t>(*seed) : clockSeedNow();
}

std::vector<std::int32_t> loadCounts(const std::string& path, CountFormat format) {
  CountData data = readCountData(path, format);
  if (data.problem) throw BadInput{dataFileMessage(path, *data.problem)};
  return std::move(data.counts);
}

StopCriterion parseCriterion(const std::string& name) {
  if (const std::optional<StopCriterion> criterion = criterionFromName(name)) return *criterion;
  throw BadInput{"unknown criterion '" + name + "' (npmle, bic or max)"};
}

void checkSearchOptions(double exactness, std::int32_t maxComponents, std::ostream& err) {
  if (!(exactness > 0.0) || !std::isfinite(exactness)) throw BadInput{"--exactness must be a positive number"};
  if (maxComponents < 1) {
    throw BadInput{"--max-components must be at least 1, not " + std::to_string(maxComponents)};
  }
  if (exactness >= 1.0) err << noIterationNote << "\n";
}

ReplicateSink replicateCsvSink(const std::optional<std::string>& path, bool evaluation, std::int32_t seed,
                               std::optional<ReplicateCsvFile>& file) {
  if (!path) return {};
  file.emplace(*path, evaluation, seed);
  if (!file->isOpen()) throw BadInput{"cannot write " + *path};
  return [&file](const ReplicateRow& row) { file->write(row); };
}

}  // namespace tallyfold::cli
