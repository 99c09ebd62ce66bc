#include "estimation/Identifiability.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "data/CountTable.h"
#include "estimation/ZeroTruncated.h"

namespace tallyfold {

Identifiability identifiability(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                std::span<const double> weight) {
  const auto n = static_cast<double>(observedUnits(counts));
  const std::vector<double> g = mixtureProbabilities(lambda, weight, 1);
  Identifiability id{};
  id.gradientAtZero = counts[0] / (n * g[0]);

  // N0 of component j: n w_j e^-lambda / (1 - e^-lambda).
  std::vector<double> unseen(lambda.size());
  double total = 0.0;
  std::size_t smallest = 0;
  bool atBoundary = false;
  for (std::size_t j = 0; j < lambda.size(); ++j) {
    unseen[j] = n * weight[j] * std::exp(-lambda[j]) / -std::expm1(-lambda[j]);
    total += unseen[j];
    if (lambda[j] < lambda[smallest]) smallest = j;
    if (weight[j] > 0 && lambda[j] <= boundaryMeanLimit) atBoundary = true;
  }
  double low = 0.0;
  for (std::size_t j = 0; j < lambda.size(); ++j)
    if (lambda[j] < lowMeanLimit) low += unseen[j];
  id.smallestMean = lambda[smallest];
  id.smallestMeanShare = unseen[smallest] / total;
  id.lowMeanShare = low / total;
  id.notIdentified = atBoundary || (id.gradientAtZero >= 1.0 - boundaryGradientTolerance &&
                                     id.smallestMean < lowMeanLimit && id.smallestMeanShare > 0.5);
  return id;
}

std::array<std::string, 2> boundaryNote(std::optional<std::int64_t> chaoN) {
  std::string lowerBound = "Chao's estimate";
  if (chaoN) lowerBound += " N = " + std::to_string(*chaoN);
  lowerBound += " is a lower bound that holds under any Poisson mixture.";
  return {"N0 not identified by the data: the fit puts its unseen units at the boundary (mean near 0).", lowerBound};
}

}  // namespace tallyfold
