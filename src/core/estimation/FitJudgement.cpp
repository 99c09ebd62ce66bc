#include "estimation/FitJudgement.h"

namespace tallyfold {

FitJudgement judgeMixture(std::span<const std::int32_t> counts, std::span<const double> lambda,
                          std::span<const double> weight, double maxGradient) {
  return {mixtureGoodnessOfFit(counts, lambda, weight), identifiability(counts, lambda, weight),
          likelihoodCertificate(counts, lambda, weight, maxGradient)};
}

ComparisonModels comparisonModels(std::span<const std::int32_t> counts) {
  ComparisonModels models{poissonGoodnessOfFit(counts), ztnbMle(counts), std::nullopt};
  if (models.ztnb.status == ZtnbStatus::estimated) {
    models.ztnbFit = negBinGoodnessOfFit(counts, *models.ztnb.size, *models.ztnb.mean);
  }
  return models;
}

}  // namespace tallyfold
