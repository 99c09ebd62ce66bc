#include "estimation/ChaoInterval.h"

#include <boost/math/distributions/normal.hpp>

#include <cmath>

#include "common/FieldLayout.h"
#include "common/Text.h"
#include "data/CountTable.h"

namespace tallyfold {

std::optional<std::string> chaoIntervalProblem(std::span<const std::int32_t> counts, double level) {
  if (std::optional<std::string> problem = countTableProblem(counts)) return problem;
  if (counts.size() < 2 || counts[1] == 0) {
    return std::string("f2 = 0: f1*f1/(2*f2) and its variance divide by zero");
  }
  if (!(level > 0.0 && level < 1.0)) return std::string("the confidence level must lie between 0 and 1");
  return std::nullopt;
}

std::optional<ChaoInterval> chaoInterval(std::span<const std::int32_t> counts, double level) {
  if (chaoIntervalProblem(counts, level)) return std::nullopt;
  const auto n = static_cast<double>(observedUnits(counts));
  const auto f1 = static_cast<double>(counts[0]);
  const auto f2 = static_cast<double>(counts[1]);
  ChaoInterval interval{0.0, n, n, level};
  // f1 = 0: f0 = 0 and var = 0, so the log-normal factor has nothing to spread.
  if (f1 == 0.0) return interval;

  const double f0 = f1 * f1 / (2.0 * f2);
  const double r = f1 / f2;
  const double var = f2 * (r * r * r * r / 4.0 + r * r * r + r * r / 2.0);
  const double z = boost::math::quantile(boost::math::normal(), (1.0 + level) / 2.0);
  const double c = std::exp(z * std::sqrt(std::log1p(var / (f0 * f0))));
  interval.se = std::sqrt(var);
  interval.lower = n + f0 / c;
  interval.upper = n + f0 * c;
  return interval;
}

std::string chaoIntervalText(std::span<const std::int32_t> counts, double level) {
  const std::string head = "Chao's N, " + levelPercent(level) + " % log-normal interval (Chao 1987): ";
  const std::optional<ChaoInterval> interval = chaoInterval(counts, level);
  if (!interval) return head + "n/a, " + chaoIntervalProblem(counts, level).value_or("");
  const auto number = [](double value, int decimals) { return std::string(trimLeft(formatF(value, 24, decimals))); };
  return head + number(interval->lower, 1) + " to " + number(interval->upper, 1) + ", standard error " +
         number(interval->se, 2);
}

}  // namespace tallyfold
