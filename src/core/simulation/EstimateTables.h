#pragma once
// The per-replicate tables of a simulation or bootstrap run: for estimator
// row j and replicate r the estimated population size estimates(j, r) and
// the estimated number of unseen units unobserved(j, r).
//
// A cell without a value means that the estimator has no estimate on that
// replicate (a Zelterman rate on a table whose classes beyond 1 are empty,
// a negative binomial without overdispersion, a value beyond 32 bits). The
// summary computes over the replicates that have an estimate; the interim
// file shows the no-estimate text; JSON shows null.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/Matrix.h"

namespace tallyfold {

using Estimate = std::optional<std::int32_t>;

// Rows of the simulation study and the bootstrap: NPMLE, PMLE(negB),
// Z1..Z4, Chao.
inline constexpr int studyEstimators = 7;
// Rows of the Poisson-Gamma simulation: Z1..Z4, Chao.
inline constexpr int poissonGammaEstimators = 5;

inline constexpr std::string_view studyEstimatorNames[studyEstimators] = {"NPMLE", "PMLE(negB)", "Z1", "Z2",
                                                                          "Z3",    "Z4",         "Chao"};
inline constexpr std::string_view poissonGammaEstimatorNames[poissonGammaEstimators] = {"Z1", "Z2", "Z3", "Z4",
                                                                                        "Chao"};

struct EstimateTables {
  EstimateTables() = default;
  EstimateTables(int estimators, int replications)
      : estimates(estimators, replications), unobserved(estimators, replications) {}

  int estimators() const { return estimates.rows(); }
  int replications() const { return estimates.cols(); }

  // Row j (1-based) over the replicates, in replicate order.
  std::vector<Estimate> estimateRow(int j) const { return row(estimates, j); }
  std::vector<Estimate> unobservedRow(int j) const { return row(unobserved, j); }

  Matrix<Estimate> estimates;   // estimators x replications
  Matrix<Estimate> unobserved;  // estimators x replications

 private:
  static std::vector<Estimate> row(const Matrix<Estimate>& table, int j) {
    std::vector<Estimate> values;
    values.reserve(static_cast<std::size_t>(table.cols()));
    for (int r = 1; r <= table.cols(); ++r) values.push_back(table(j, r));
    return values;
  }
};

// n + N0 as a 32-bit estimate: none when N0 is none or the sum leaves the
// 32-bit range.
Estimate plusObserved(Estimate n0, std::int64_t n);

}  // namespace tallyfold
