#include "estimation/MixtureCertificate.h"

#include <algorithm>

#include "data/CountTable.h"
#include "estimation/EMtrun.h"

namespace tallyfold {

LikelihoodCertificate likelihoodCertificate(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                            std::span<const double> weight, double maxGradient) {
  LikelihoodCertificate c{};
  c.logLik = logLikelihood(counts, lambda, weight);
  c.gap = std::max(0.0, static_cast<double>(observedUnits(counts)) * (maxGradient - 1.0));
  c.upperBound = c.logLik + c.gap;
  return c;
}

}  // namespace tallyfold
