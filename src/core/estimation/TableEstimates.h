#pragma once
// The closed-form estimators and the negative binomial of one count table,
// assembled in one place and addressed by name: the results window, the
// command-line estimate, the bootstrap and the simulations all take their
// Zelterman, Chao and negative-binomial values from estimateTable.
#include <cstdint>
#include <optional>
#include <span>

#include "estimation/Gamma.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold {

struct TableEstimates {
  std::int64_t observed = 0;  // n
  // N0 of each closed form (N = n + N0).
  WholeEstimate zelterman1;  // lam = 2f2/f1
  WholeEstimate zelterman2;  // lam = (2f2+3f3)/(f1+f2)
  WholeEstimate zelterman3;  // lam = (2f2+3f3+4f4)/(f1+f2+f3)
  WholeEstimate zelterman4;  // lam = (2f2+3f3+4f4+5f5)/(f1+f2+f3+f4)
  WholeEstimate chao;        // f0 = f1 f1 / (2 f2)
  // The negative binomial, when its exactness was given.
  std::optional<NegBinResult> negativeBinomial;
};

// Every closed form of the table; the negative binomial too when
// negBinExactness is given (it iterates, the closed forms do not).
TableEstimates estimateTable(std::span<const std::int32_t> counts, std::optional<double> negBinExactness);

}  // namespace tallyfold
