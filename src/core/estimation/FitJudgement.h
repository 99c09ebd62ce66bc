#pragma once
// Everything that judges the fits of one count table, assembled in one
// place: for a fitted mixture its goodness of fit, whether it identifies N0
// and its likelihood certificate; for the table, the two models it is
// compared with (the plain zero-truncated Poisson and the zero-truncated
// negative binomial at its maximum likelihood). The command line and the
// windowed program both show these values.
#include <cstdint>
#include <optional>
#include <span>

#include "estimation/GoodnessOfFit.h"
#include "estimation/Identifiability.h"
#include "estimation/MixtureCertificate.h"
#include "estimation/ZtnbMle.h"

namespace tallyfold {

struct FitJudgement {
  GoodnessOfFit fit;
  Identifiability identifiability;
  LikelihoodCertificate certificate;
};

// The judgement of the mixture (lambda, weight) with the gradient maximum
// the search found for it; the table must pass mixtureProblem.
FitJudgement judgeMixture(std::span<const std::int32_t> counts, std::span<const double> lambda,
                          std::span<const double> weight, double maxGradient);

struct ComparisonModels {
  GoodnessOfFit poisson;  // the zero-truncated Poisson at its maximum-likelihood mean
  ZtnbFit ztnb;
  // The fit of the zero-truncated negative binomial, when it has an
  // interior maximum (status estimated); in the Poisson limit the Poisson
  // is its fit.
  std::optional<GoodnessOfFit> ztnbFit;
};

// The comparison models of a table that passes mixtureProblem.
ComparisonModels comparisonModels(std::span<const std::int32_t> counts);

}  // namespace tallyfold
