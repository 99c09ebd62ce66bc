#include "simulation/RunMemory.h"

#include <unistd.h>

#include <cstdio>
#include <initializer_list>
#include <limits>

#include "data/CountTable.h"
#include "simulation/EstimateTables.h"

namespace tallyfold {

namespace {

constexpr std::uint64_t saturated = std::numeric_limits<std::uint64_t>::max();

// a * b, saturating at the largest value instead of wrapping.
std::uint64_t product(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > saturated / a) return saturated;
  return a * b;
}

std::uint64_t sum(std::uint64_t a, std::uint64_t b) { return b > saturated - a ? saturated : a + b; }

std::uint64_t sum(std::initializer_list<std::uint64_t> terms) {
  std::uint64_t total = 0;
  for (const std::uint64_t term : terms) total = sum(total, term);
  return total;
}

std::uint64_t nonNegative(std::int64_t value) { return value < 0 ? 0 : static_cast<std::uint64_t>(value); }

std::string gigabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  return text;
}

// The R x classes sample table of 32-bit counts.
std::uint64_t sampleBytes(std::uint64_t replications, std::uint64_t classes) {
  return product(product(replications, classes), sizeof(std::int32_t));
}

// The two estimate tables (estimates and unobserved) of R replicates.
std::uint64_t tableBytes(std::uint64_t replications, std::uint64_t estimators) {
  return product(product(replications, 2 * estimators), sizeof(Estimate));
}

}  // namespace

std::uint64_t physicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return product(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(pageSize));
}

std::optional<std::string> memoryProblem(std::uint64_t needed, std::string_view field, std::int64_t value) {
  const std::uint64_t available = physicalMemory();
  if (available == 0 || needed <= available) return std::nullopt;
  return "Error occur by " + std::string(field) + ": " + std::to_string(value) + " would need " + gigabytes(needed) +
         " of memory, more than the " + gigabytes(available) + " of this machine!";
}

std::uint64_t bootstrapMemoryNeed(std::size_t m, std::int64_t replications) {
  const std::uint64_t r = nonNegative(replications);
  // The samples (R x m counts), the two estimate tables (7 x R each) and the
  // component counts (R).
  return sum({sampleBytes(r, m), tableBytes(r, studyEstimators), product(r, sizeof(std::int32_t))});
}

std::uint64_t studyMemoryNeed(std::int64_t numCounts, std::int64_t replications, bool evaluate,
                              std::int64_t bootReplications, std::int64_t inFlight) {
  const std::uint64_t r = nonNegative(replications);
  const std::uint64_t classes = sum(nonNegative(numCounts), 1);
  // The class vectors the sampler builds (frequencies and probabilities) and
  // the replicate's own table with its copy.
  const std::uint64_t vectors = product(classes, 4 * sizeof(std::int32_t));
  std::uint64_t need = sum({sampleBytes(r, classes), tableBytes(r, studyEstimators), product(r, sizeof(std::int32_t)),
                            vectors});
  if (evaluate) {
    const std::uint64_t b = nonNegative(bootReplications);
    // The medians (R), and each replicate in flight's B bootstrap samples of
    // K classes with their B population sizes.
    const std::uint64_t perReplicate = sum(sampleBytes(b, nonNegative(numCounts)), product(b, sizeof(float)));
    need = sum({need, product(r, sizeof(Estimate)), product(perReplicate, nonNegative(inFlight))});
  }
  return need;
}

std::uint64_t poissonGammaMemoryNeed(std::int64_t numCounts, std::int64_t replications) {
  const std::uint64_t r = nonNegative(replications);
  const std::uint64_t classes = sum(nonNegative(numCounts), 1);
  return sum({sampleBytes(r, classes), tableBytes(r, poissonGammaEstimators),
              product(classes, 2 * sizeof(std::int32_t))});
}

std::optional<std::string> bootstrapSettingsProblem(std::span<const std::int32_t> observed,
                                                    std::int64_t replications) {
  if (replications < 1 || replications > std::numeric_limits<std::int32_t>::max()) {
    return std::string("Error occur by Number of Replications!");
  }
  if (std::optional<std::string> problem = countTableProblem(observed)) return problem;
  return memoryProblem(bootstrapMemoryNeed(observed.size(), replications), "Number of Replications", replications);
}

}  // namespace tallyfold
