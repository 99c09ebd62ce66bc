#include "data/CountTable.h"

#include <cstddef>

namespace tallyfold {

std::int64_t observedUnits(std::span<const std::int32_t> counts) {
  std::int64_t n = 0;
  for (const std::int32_t f : counts) n += f;
  return n;
}

std::optional<std::string> countTableProblem(std::span<const std::int32_t> counts) {
  if (counts.empty()) return std::string("The count data hold no count classes.");
  for (std::size_t i = 0; i < counts.size(); ++i) {
    if (counts[i] < 0) {
      return "The count data hold a negative count in line " + std::to_string(i + 1) + ".";
    }
  }
  if (observedUnits(counts) == 0) {
    return std::string("The count data hold no observed units: every count is zero.");
  }
  return std::nullopt;
}

std::optional<std::string> mixtureProblem(std::span<const std::int32_t> counts) {
  if (std::optional<std::string> problem = countTableProblem(counts)) return problem;
  if (observedUnits(counts) == counts[0]) return std::string(noMixtureInformation);
  return std::nullopt;
}

}  // namespace tallyfold
