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
// zero count inside it 0.5. Results are rounded to the nearest whole number,
// halves away from zero, and kept in double precision (WholeEstimate): a
// caller that stores 32 bits narrows them (narrowEstimate).
//
// No value ("no estimate") for a table that cannot be estimated
// (countTableProblem) and for a table of one class (every rate is 0 and f2
// is 0); zeltermanProblem and chaoProblem say why.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "estimation/WholeEstimate.h"

namespace tallyfold {

// lambda = 2 f2 / f1.
WholeEstimate zelterman1(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3) / (f1 + f2).
WholeEstimate zelterman2(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3 + 4 f4) / (f1 + f2 + f3).
WholeEstimate zelterman3(std::span<const std::int32_t> counts);
// lambda = (2 f2 + 3 f3 + 4 f4 + 5 f5) / (f1 + f2 + f3 + f4).
WholeEstimate zelterman4(std::span<const std::int32_t> counts);
// f1 f1 / (f2 2).
WholeEstimate chao(std::span<const std::int32_t> counts);

// Why the Zelterman variants (zeltermanProblem) or Chao (chaoProblem) have
// no value for the table, in words for the user; no value when they have
// one.
std::optional<std::string> zeltermanProblem(std::span<const std::int32_t> counts);
std::optional<std::string> chaoProblem(std::span<const std::int32_t> counts);

}  // namespace tallyfold
