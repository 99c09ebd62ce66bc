#pragma once
// Closed-form estimators of the number of unseen units N0 from the first
// few frequencies of a count table:
//  - Zelterman (1988, "Robust estimation in truncated discrete
//    distributions...", J. Statist. Plann. Inference 18): a Poisson rate
//    lambda from neighbouring frequencies, then N0 = n e^-lambda /
//    (1 - e^-lambda); four variants of the rate;
//  - Chao (1987, "Estimating the population size for capture-recapture data
//    with unequal catchability", Biometrics 43): N0 = f1^2 / (2 f2).
// The frequencies are single precision: a class beyond the table is 0.0, a
// zero count inside it 0.5. Results are rounded to the nearest integer,
// halves away from zero.
//
// No value ("no estimate") for a table that cannot be estimated
// (countTableProblem), for a table of one class (every rate is 0 and f2 is
// 0), and for a result that is not finite or does not fit in 32 bits.
#include <cstdint>
#include <optional>
#include <span>

namespace tallyfold {

// lambda = 2 f2 / f1.
std::optional<std::int32_t> zelterman1(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3) / (f1 + f2).
std::optional<std::int32_t> zelterman2(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3 + 4 f4) / (f1 + f2 + f3).
std::optional<std::int32_t> zelterman3(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3 + 4 f4 + 5 f5) / (f1 + f2 + f3 + f4).
std::optional<std::int32_t> zelterman4(std::span<const std::int32_t> counts);
// f1 f1 / (f2 2).
std::optional<std::int32_t> chao(std::span<const std::int32_t> counts);

}  // namespace tallyfold
