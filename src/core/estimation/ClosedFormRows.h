#pragma once
// The rows of the Zelterman and Chao block and of the negative binomial as
// the estimate's text, CSV and JSON show them: N0 and N, or why there are
// none.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "estimation/Gamma.h"
#include "estimation/TableEstimates.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold {

// A closed-form or negative-binomial row: N0 and N, or why there are none.
struct ClosedFormEstimate {
  std::string label;
  WholeEstimate n0;
  WholeEstimate n;
  std::string reason;
};

// The rows of the Zelterman and Chao block, by estimator.
struct ClosedFormRows {
  std::array<ClosedFormEstimate, 4> zelterman;  // Z1..Z4
  ClosedFormEstimate chao;
};

ClosedFormRows closedFormEstimates(std::span<const std::int32_t> counts, const TableEstimates& t);

ClosedFormEstimate negativeBinomialRow(const NegBinResult& fit);

}  // namespace tallyfold
