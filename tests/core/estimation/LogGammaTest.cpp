#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "estimation/Gamma.h"
#include "numeric/GammaFunctions.h"

namespace tallyfold {
namespace {

// ln Gamma from 35 up: 4.16236 a - 57.1018, the constants at their
// single-precision values; below 35 ln(GAMMA(a)).
long double lineLogGamma(float a) {
  if (a < 35.0f) return std::log(static_cast<long double>(GAMMA(a)));
  return 4.162360191345215L * a - 57.10179901123047L;
}

TEST(LogGamma, IsTheStraightLineFrom35) {
  for (const float a : {35.0f, 36.5f, 50.0f, 123.25f, 1000.0f}) {
    const long double expected = lineLogGamma(a);
    EXPECT_NEAR(logGamma(a), expected, 1e-14L * expected) << a;
  }
}

TEST(LogGamma, NegBinProbUsesTheLineWhereXPlusKappaReaches35) {
  // P(X = x) = exp(lnG(x + kappa) - lnG(x + 1) - lnG(kappa)) (1 - p)^x p^kappa,
  // with 1 - p a power of two so that its single-precision power is exact.
  struct Case {
    std::int32_t x;
    float kappa;
    float p;
  };
  // Every term on the line (the gamma quotient is then exp(57.1018 - 4.16236)),
  // kappa below 35, x + 1 below 35, both below 35.
  for (const Case c : {Case{40, 36.5f, 0.5f}, Case{40, 2.5f, 0.5f}, Case{3, 40.0f, 0.5f}, Case{10, 30.0f, 0.75f}}) {
    const auto x = static_cast<float>(c.x);
    const long double expected =
        std::exp(lineLogGamma(x + c.kappa) - lineLogGamma(x + 1.0f) - lineLogGamma(c.kappa)) *
        std::pow(1.0L - c.p, static_cast<long double>(c.x)) * std::pow(static_cast<long double>(c.p), c.kappa);
    EXPECT_NEAR(negBinProb(c.x, c.kappa, c.p), expected, 1e-12L * expected) << c.x << " " << c.kappa;
  }
}

}  // namespace
}  // namespace tallyfold
