#pragma once
// Probabilities of the zero-truncated count models that the fit checks
// compare, in double precision, and the maximum-likelihood mean of the
// one-parameter cases.
//
// Every vector holds g(x) for x = 1..m at index x - 1 (the classes of the
// table); the mass beyond m, 1 - sum g(x), is the caller's to use.
//   Poisson mixture:   g(x) = sum_j w_j p(x; lambda_j),
//                      p(x; l) = l^x e^-l / (x! (1 - e^-l))
//   negative binomial: g(x) = P(x) / (1 - P(0)) with
//                      P(x) = Gamma(x + r) / (Gamma(r) x!) (r/(r+mu))^r (mu/(r+mu))^x,
//                      size r > 0 and mean mu > 0 of the untruncated law.
#include <cstdint>
#include <span>
#include <vector>

namespace tallyfold {

std::vector<double> mixtureProbabilities(std::span<const double> lambda, std::span<const double> weight,
                                         std::int32_t m);
std::vector<double> truncatedNegBinProbabilities(double size, double mean, std::int32_t m);

// P(0) = (1 + mean/size)^-size of the untruncated negative binomial.
double negBinZeroProbability(double size, double mean);

// The average count sum x f(x) / n of a table that passes countTableProblem.
double averageCount(std::span<const std::int32_t> counts);

// The maximum-likelihood mean of the zero-truncated Poisson for a table with
// average count `average` (> 1): the root of lambda / (1 - e^-lambda) =
// average, which lies in (0, average). The likelihood equation of the
// truncated model equates the truncated mean with the average.
double truncatedPoissonMean(double average);

// The unseen units of the zero-truncated Poisson at its maximum-likelihood
// mean lambda, n e^-lambda / (1 - e^-lambda), not rounded; the table must
// pass mixtureProblem.
double truncatedPoissonUnseen(std::span<const std::int32_t> counts);

// For a fixed size r, the mean mu that maximises the zero-truncated
// negative-binomial likelihood: the root of mu / (1 - P(0)) = average in
// (0, average) (the score in mu is r n / (mu (r + mu)) times
// average - mu / (1 - P(0))).
double truncatedNegBinMean(double size, double average);

}  // namespace tallyfold
