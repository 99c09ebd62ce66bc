#pragma once
// How far a fitted mixture can be from the NPMLE, from its gradient.
//
// The log-likelihood is concave in the mixing distribution Q, and its
// directional derivative from Q towards a point mass at theta is
// n (D(theta) - 1). So for every mixing distribution Q*,
//   L(Q*) <= L(Q) + n (sup D - 1)
// (Lindsay 1983, "The geometry of mixture likelihoods: a general theory",
// Ann. Statist. 11, 86-94). n (max D - 1) bounds the log-likelihood that any
// mixture can gain over the fit; at the NPMLE it is 0. The bound is as good
// as the maximum of D it is given: the search's maxGradient covers its grid
// and the value next to 0.
#include <cstdint>
#include <span>

namespace tallyfold {

struct LikelihoodCertificate {
  double logLik;     // L of the fit
  double gap;        // n (maxGradient - 1), at least 0
  double upperBound; // logLik + gap: no mixture has a larger L
};

LikelihoodCertificate likelihoodCertificate(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                            std::span<const double> weight, double maxGradient);

}  // namespace tallyfold
