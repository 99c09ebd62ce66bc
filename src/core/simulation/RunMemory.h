#pragma once
// What a simulation or bootstrap run will allocate, computed from its
// settings before anything is allocated, and the check of that need against
// the machine's physical memory: a run that cannot fit is refused with a
// message instead of failing half-way with an allocation error.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallyfold {

// The machine's physical memory in bytes (0 when the system does not say).
std::uint64_t physicalMemory();

// "Error occur by FIELD: VALUE would need 74.5 GB of memory, more than the
// 23.4 GB of this machine!" when needed exceeds the physical memory; no
// value otherwise (or when the physical memory is unknown).
std::optional<std::string> memoryProblem(std::uint64_t needed, std::string_view field, std::int64_t value);

// Bytes a bootstrap of R replicates of an m-class table holds at once: the
// sample table and the estimate tables.
std::uint64_t bootstrapMemoryNeed(std::size_t m, std::int64_t replications);

// Bytes a simulation study holds at once: R samples of K + 1 classes, the
// seven estimate rows and the components (and the evaluation's medians) of
// every replicate, and, with the bootstrap evaluation, the B bootstrap
// samples of `inFlight` replicates (those drawn ahead of their fits).
// bootReplications and inFlight count only when evaluate.
std::uint64_t studyMemoryNeed(std::int64_t numCounts, std::int64_t replications, bool evaluate,
                              std::int64_t bootReplications, std::int64_t inFlight = 1);

// Bytes a Poisson-Gamma simulation holds at once: R samples of K + 1
// classes and the five estimate rows of every replicate.
std::uint64_t poissonGammaMemoryNeed(std::int64_t numCounts, std::int64_t replications);

// Why a bootstrap of the observed table with these replications cannot run,
// as the message the user is shown, or none.
std::optional<std::string> bootstrapSettingsProblem(std::span<const std::int32_t> observed,
                                                    std::int64_t replications);

}  // namespace tallyfold
