#pragma once
// Checks and sums over a count table f(1..m) (counts[x - 1] = f(x)) that
// every estimator needs before it may divide by the number of observed
// units.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tallyfold {

// n = f(1) + ... + f(m), summed in 64 bits so that no table overflows it.
std::int64_t observedUnits(std::span<const std::int32_t> counts);

// Why the table cannot be estimated, in words for the user, or no value when
// it can: it must hold at least one class, no negative count and at least
// one observed unit.
std::optional<std::string> countTableProblem(std::span<const std::int32_t> counts);

}  // namespace tallyfold
