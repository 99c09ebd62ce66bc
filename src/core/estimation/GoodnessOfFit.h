#pragma once
// How well a fitted zero-truncated model reproduces a count table f(1..m):
// expected frequencies, Pearson's chi-square over pooled classes with its
// p-value, the deviance, and the information criteria.
//
// The likelihood of the system covers the classes x = 1..m only, so the
// fitted probabilities g(1..m) leave a mass 1 - sum g(x) beyond m. The
// table cannot hold a unit beyond m, so that mass belongs to the last
// class: the classes compared are x = 1, ..., m - 1 and "x >= m", whose
// expected frequencies n g(1), ..., n g(m-1), n (1 - sum_{x<m} g(x)) sum to
// n, as Pearson's statistic requires. The mass beyond m is reported on its
// own (tailExpected) so a caller can show how much the last class gained.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tallyfold {

// Classes first..last (1-based counts; the last class of the table also
// stands for every count above it) taken together.
struct PooledClass {
  std::int32_t first;
  std::int32_t last;
  double observed;
  double expected;
};

struct GoodnessOfFit {
  std::vector<double> expected;  // e(x) = n g(x), x = 1..m, at index x - 1 (the tail not added)
  double tailExpected;           // n (1 - sum g(x)): expected units beyond m, counted in class m
  std::vector<PooledClass> classes;
  double chiSquare;  // sum over pooled classes of (f - e)^2 / e
  double deviance;   // G^2 = 2 sum f ln(f / e) over classes 1..m-1 and ">= m", unpooled
  std::int32_t freeParameters;
  std::int32_t degreesOfFreedom;  // pooled classes - 1 - free parameters
  std::optional<double> pValue;   // upper tail of chi-square; none when degreesOfFreedom < 1
  double logLik;                  // sum f ln g(x), x! included, as the system's likelihood
  double aic;                     // 2 p - 2 L
  double bicUnits;                // p ln n - 2 L
  double bicClasses;              // p ln m - 2 L, the system's BIC
};

// Free parameters of the three models the checks know.
inline constexpr std::int32_t mixtureParameters(std::int32_t components) { return 2 * components - 1; }
inline constexpr std::int32_t negBinParameters = 2;
inline constexpr std::int32_t poissonParameters = 1;

// A class is pooled with its neighbours until its expected frequency
// reaches this.
inline constexpr double minimumExpected = 5.0;

// The checks of a fit with probabilities g(1..m) and freeParameters free
// parameters. The table must pass countTableProblem and g must be positive.
GoodnessOfFit goodnessOfFit(std::span<const std::int32_t> counts, std::span<const double> g,
                            std::int32_t freeParameters);

// The checks of the three models: a k-component mixture, the plain
// zero-truncated Poisson at its maximum-likelihood mean (the table must pass
// mixtureProblem), and a zero-truncated negative binomial (size, mean).
GoodnessOfFit mixtureGoodnessOfFit(std::span<const std::int32_t> counts, std::span<const double> lambda,
                                   std::span<const double> weight);
GoodnessOfFit poissonGoodnessOfFit(std::span<const std::int32_t> counts);
GoodnessOfFit negBinGoodnessOfFit(std::span<const std::int32_t> counts, double size, double mean);

}  // namespace tallyfold
