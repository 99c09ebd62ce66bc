#pragma once
// Checks and sums over a count table f(1..m) (counts[x - 1] = f(x)) that
// every estimator needs before it may divide by the number of observed
// units.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallyfold {

// n = f(1) + ... + f(m), summed in 64 bits so that no table overflows it.
std::int64_t observedUnits(std::span<const std::int32_t> counts);

// Why the table cannot be estimated, in words for the user, or no value when
// it can: it must hold at least one class, no negative count and at least
// one observed unit.
std::optional<std::string> countTableProblem(std::span<const std::int32_t> counts);

// A table whose observed units were all seen exactly once carries no
// information about the Poisson means: the zero-truncated likelihood grows
// as a mean goes to 0, so the mixture (and its N0) has no estimate.
inline constexpr std::string_view noMixtureInformation =
    "every observed unit was seen exactly once: the counts carry no information about the Poisson means "
    "(the likelihood grows as a mean goes to 0)";

// Why no zero-truncated Poisson mixture can be fitted to the table: its
// countTableProblem, or noMixtureInformation; no value when one can.
std::optional<std::string> mixtureProblem(std::span<const std::int32_t> counts);

}  // namespace tallyfold
