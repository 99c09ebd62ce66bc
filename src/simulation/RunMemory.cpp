#include "simulation/RunMemory.h"

#include <unistd.h>

#include <cstdio>
#include <limits>

#include "estimation/CountTable.h"
#include "simulation/EstimateTables.h"

namespace tallyfold {

namespace {

// a * b, saturating at the largest value instead of wrapping.
std::uint64_t product(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) return std::numeric_limits<std::uint64_t>::max();
  return a * b;
}

std::uint64_t sum(std::uint64_t a, std::uint64_t b) {
  return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

std::string gigabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  return text;
}

}  // namespace

std::uint64_t physicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return product(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(pageSize));
}

std::optional<std::string> memoryProblem(std::uint64_t needed, std::string_view field) {
  const std::uint64_t available = physicalMemory();
  if (available == 0 || needed <= available) return std::nullopt;
  return "Error occur by " + std::string(field) + ": the run needs " + gigabytes(needed) +
         " of memory, more than the " + gigabytes(available) + " of this machine!";
}

std::uint64_t bootstrapMemoryNeed(std::size_t m, std::int64_t replications) {
  const auto r = static_cast<std::uint64_t>(replications < 0 ? 0 : replications);
  // The samples (R x m counts), the two estimate tables (7 x R each) and the
  // component counts (R).
  const std::uint64_t sampleBytes = product(product(r, m), sizeof(std::int32_t));
  const std::uint64_t tableBytes = product(product(r, 2 * studyEstimators), sizeof(Estimate));
  return sum(sum(sampleBytes, tableBytes), product(r, sizeof(std::int32_t)));
}

std::optional<std::string> bootstrapSettingsProblem(std::span<const std::int32_t> observed,
                                                    std::int64_t replications) {
  if (replications < 1 || replications > std::numeric_limits<std::int32_t>::max()) {
    return std::string("Error occur by Number of Replications!");
  }
  if (std::optional<std::string> problem = countTableProblem(observed)) return problem;
  return memoryProblem(bootstrapMemoryNeed(observed.size(), replications), "Number of Replications");
}

}  // namespace tallyfold
