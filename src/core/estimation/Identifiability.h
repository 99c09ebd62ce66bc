#pragma once
// Whether a fitted zero-truncated Poisson mixture identifies its number of
// unseen units N0.
//
// The conditional (zero-truncated) NPMLE has a boundary problem: a
// component whose mean goes to 0 is almost never seen, so every unit it
// explains in class 1 stands for about 1 / lambda unseen ones, while the
// likelihood of the observed table barely changes. Where the data favour
// such a component the NPMLE puts mass at, or next to, lambda = 0 and N0 is
// as large as the search's lower limit allows (Wang & Lindsay 2005, "A
// penalized nonparametric maximum likelihood approach to species richness
// estimation", J. Amer. Statist. Assoc. 100, 942-959). Only a lower bound of
// N0 is then identified by the data (Mao & Lindsay 2007, "Estimating the
// number of classes", Ann. Statist. 35, 917-930), such as Chao's f(1)^2 /
// (2 f(2)) (Chao 1987, Biometrics 43, 783-791).
//
// The gradient function at the boundary tells the case: as theta -> 0,
// p(1; theta) -> 1 and p(x; theta) -> 0 for x >= 2, so
// D(0+) = f(1) / (n g(1)). An NPMLE has D <= 1 everywhere and D = 1 at its
// support points (Lindsay 1983, Ann. Statist. 11); D(0+) = 1 says that
// moving mass towards 0 costs nothing to first order, i.e. that 0 is
// (in the limit) a support point.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tallyfold {

struct Identifiability {
  double gradientAtZero;     // D(0+) = f(1) / (n g(1))
  double smallestMean;       // the smallest component mean
  double smallestMeanShare;  // share of N0 carried by the component of the smallest mean
  double lowMeanShare;       // share of N0 carried by components with mean below lowMeanLimit
  bool notIdentified;        // N0 "not identified by the data" (the rule below)
};

// A component with a mean below this explains units of which more than
// 90 % are unseen (e^-0.1 = 0.905).
inline constexpr double lowMeanLimit = 0.1;

// The rule: N0 is not identified by the data when
//   (a) a component of positive weight has a mean at or below
//       boundaryMeanLimit: each of its observed units stands for more than
//       1000 unseen ones; the search's grid starts at 1.0E-6 and its value
//       next to zero is taken at 1.0E-8, so such a mean is the search's
//       lower limit seen from the data, not a location they fix; or
//   (b) D(0+) >= 1 - boundaryGradientTolerance and the component of the
//       smallest mean has a mean below lowMeanLimit and carries more than
//       half of N0: the boundary is (to the tolerance) a support point of
//       the NPMLE, and most of N0 hangs on a mean the data cannot hold away
//       from 0. (A single well-placed component may have D(0+) near 1 too;
//       its mean keeps it out.)
// The tolerance is that of a fit's gradient: D(0+) differs from the value
// D(lambda_s) = 1 at a support point lambda_s next to 0 by about
// lambda_s (f(1)/(n g(1)) - ...), so 0.01 takes in support points below
// about 0.01 and leaves out fits whose smallest mean the data place.
inline constexpr double boundaryMeanLimit = 1.0e-3;
inline constexpr double boundaryGradientTolerance = 0.01;

// The judgement of the mixture (lambda, weight) fitted to counts; the table
// must pass mixtureProblem.
Identifiability identifiability(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                std::span<const double> weight);

// What the user is told where the rule holds, in two sentences: the fit's
// N0 rests on the boundary, and Chao's estimate (its N when it has one) is
// the lower bound that holds under any Poisson mixture (Chao 1987).
std::array<std::string, 2> boundaryNote(std::optional<std::int64_t> chaoN);

}  // namespace tallyfold
