#include "numeric/GammaFunctions.h"
#include "numeric/MachineConstants.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/ListDirected.h"
#include "support/CapturedErrorOutput.h"
#include "numeric/ErrorReporting.h"

namespace tallyfold {
namespace {

using test::CapturedErrorOutput;
using test::ScopedErrorAttributes;

// Single-precision error budgets by region, relative to the double
// reference (2^-23 is about 1.2e-7). Below 10 the result comes from the
// Chebyshev series and at most nine factors; above 10 from exp of a
// Stirling sum whose magnitude reaches 89, so the roundings of that sum
// (several units of 8e-6 absolute) are the relative error of the result.
constexpr double budgetUpToTen = 1.0e-6;
constexpr double budgetAboveTen = 3.0e-5;

std::vector<float> grid(float from, float to, float step) {
  std::vector<float> points;
  for (float x = from; x <= to; x += step) points.push_back(x);
  return points;
}

void expectGammaWithin(const std::vector<float>& points, double budget) {
  CapturedErrorOutput out;
  double worst = 0.0;
  for (const float x : points) {
    const double reference = std::tgamma(static_cast<double>(x));
    const double error = std::abs((GAMMA(x) - reference) / reference);
    worst = std::max(worst, error);
    EXPECT_LE(error, budget) << "GAMMA(" << x << ")";
  }
  EXPECT_TRUE(out.lines().empty()) << out.joined();
  std::ostringstream text;
  text << worst;
  ::testing::Test::RecordProperty("worst_relative_error", text.str());
}

TEST(GammaFunction, PositiveArgumentsUpToTen) {
  expectGammaWithin(grid(0.0137f, 10.0f, 0.0371f), budgetUpToTen);
  EXPECT_EQ(GAMMA(1.0f), 1.0f);
  EXPECT_EQ(GAMMA(5.0f), 24.0f);
  EXPECT_FLOAT_EQ(GAMMA(0.5f), std::sqrt(3.14159265f));
  EXPECT_FLOAT_EQ(GAMMA(1.0e-30f), 1.0e30f);
}

TEST(GammaFunction, ArgumentsAboveTen) {
  expectGammaWithin(grid(10.01f, 35.0f, 0.0973f), budgetAboveTen);
  EXPECT_NEAR(GAMMA(11.0f), 3628800.0, 3628800.0 * budgetUpToTen);
}

TEST(GammaFunction, NegativeNonIntegers) {
  // Points at least 0.05 away from the poles, where no precision warning
  // applies. Below -10 the reflection formula multiplies in sin(pi y).
  std::vector<float> small;
  std::vector<float> large;
  // Below about -33 the results are subnormal floats with fewer digits.
  for (float x : grid(-32.9f, -0.06f, 0.0437f)) {
    const float distance = std::abs(x - std::round(x));
    if (distance < 0.05f) continue;
    (x >= -10.0f ? small : large).push_back(x);
  }
  expectGammaWithin(small, budgetUpToTen);
  expectGammaWithin(large, budgetAboveTen);
  EXPECT_FLOAT_EQ(GAMMA(-0.5f), -2.0f * std::sqrt(3.14159265f));
}

TEST(LogGammaFunction, AgainstReferenceAcrossItsRange) {
  CapturedErrorOutput out;
  std::vector<float> points = grid(0.0213f, 10.0f, 0.0419f);
  for (float x : grid(10.1f, 1000.0f, 7.37f)) points.push_back(x);
  for (float x : {1.0e4f, 4.1e3f, 1.0e6f, 1.0e10f, 1.0e20f, 1.0e30f, 3.0e36f}) points.push_back(x);
  for (float x : grid(-60.3f, -0.06f, 0.0611f)) {
    if (std::abs(x - std::round(x)) >= 0.05f) points.push_back(x);
  }
  for (const float x : points) {
    const double reference = std::lgamma(static_cast<double>(x));
    // Relative for large results, absolute near the zeros at 1 and 2.
    const double budget = (std::abs(x) <= 10.0f ? budgetUpToTen : 2.0e-6) * std::max(1.0, std::abs(reference));
    EXPECT_NEAR(ALNGAM(x), reference, budget) << "ALNGAM(" << x << ")";
  }
  EXPECT_TRUE(out.lines().empty()) << out.joined();
  EXPECT_EQ(ALNGAM(1.0f), 0.0f);
  EXPECT_NEAR(ALNGAM(100.0f), 359.13420, 359.13420 * budgetUpToTen);
}

TEST(GammaFunction, RangeLimits) {
  float xmin = 0.0f;
  float xmax = 0.0f;
  R9GAML(xmin, xmax);
  EXPECT_NEAR(xmin, -33.96, 0.01);
  EXPECT_NEAR(xmax, 35.03, 0.01);
  // xmax is the largest argument whose result is finite, within the slack.
  EXPECT_TRUE(std::isfinite(GAMMA(xmax)));
  EXPECT_GT(std::tgamma(static_cast<double>(xmax) + 0.02), 3.4028235e38);
  EXPECT_GT(std::abs(GAMMA(xmin)), 0.0f);
}

struct ErrorCase {
  float (*function)(float);
  float x;
  std::string firstLine;
  std::string message;
};

TEST(GammaFunction, TerminalErrorsPrintTheirMessageAndEndTheComputation) {
  float xmin = 0.0f;
  float xmax = 0.0f;
  R9GAML(xmin, xmax);
  const std::vector<ErrorCase> cases = {
      {GAMMA, 0.0f, " *** TERMINAL ERROR 5 from GAMMA.  The argument for the function can",
       "The argument for the function can not be zero."},
      {GAMMA, -3.0f, " *** TERMINAL ERROR 6 from GAMMA.  The argument for the function can",
       "The argument for the function can not be a negative integer. Argument X = -3.0."},
      // Beyond -10 the pole is found although sin(pi y) is not exactly zero.
      {GAMMA, -20.0f, " *** TERMINAL ERROR 7 from GAMMA.  The argument for the function can",
       "The argument for the function can not be a negative integer. Argument X = -20.0."},
      {GAMMA, 40.0f, " *** TERMINAL ERROR 4 from GAMMA.  The function overflows because X =",
       "The function overflows because X = 40.0 is greater than " + shortestReal(xmax) + "."},
      {GAMMA, 1.0e-39f, " *** TERMINAL ERROR 4 from GAMMA.  The function overflows because X =",
       "The function overflows because X = " + shortestReal(1.0e-39f) + " is too close to zero."},
      {GAMMA, -1.0e-39f, " *** TERMINAL ERROR 4 from GAMMA.  The function overflows because X =",
       "The function overflows because X = " + shortestReal(-1.0e-39f) + " is too close to zero."},
      {ALNGAM, -20.0f, " *** TERMINAL ERROR 5 from ALNGAM.  The argument for the function can",
       "The argument for the function can not be a negative integer. Argument X = -20.0."},
      {ALNGAM, -3.4e38f, " *** TERMINAL ERROR 4 from ALNGAM.  The function overflows because",
       "The function overflows because ABS(-3.4e+38) is greater than " + shortestReal(3.4028235e38f /
                                                                                       std::log(3.4028235e38f)) + "."},
      {R9LGMC, 5.0f, " *** TERMINAL ERROR 5 from R9LGMC.  The argument X = 5.0 must be",
       "The argument X = 5.0 must be greater than or equal to 10.0."},
  };
  for (const ErrorCase& c : cases) {
    CapturedErrorOutput out;
    try {
      c.function(c.x);
      ADD_FAILURE() << "no terminal error for " << c.x;
    } catch (const TerminalError& error) {
      EXPECT_EQ(error.printed(), out.joined());
    }
    EXPECT_EQ(out.firstLine(), c.firstLine);
    EXPECT_EQ(out.message(), c.message);
    EXPECT_EQ(errorStackDepth(), 0);

    // Without the stop the routine goes on and returns not-a-number.
    ScopedErrorAttributes noStop(5, test::printWithoutStop());
    EXPECT_EQ(std::bit_cast<std::uint32_t>(c.function(c.x)), 0x7FC00000u) << c.x;
  }
}

TEST(GammaFunction, ErrorInsideALibraryRoutineIsTracedBack) {
  CapturedErrorOutput out;
  EXPECT_THROW(ALNGAM(-3.0f), TerminalError);
  ASSERT_GE(out.lines().size(), 2u);
  EXPECT_EQ(out.firstLine(), " *** TERMINAL ERROR 6 from GAMMA.  The argument for the function can");
  const std::vector<std::string>& lines = out.lines();
  const std::string& last = lines[lines.size() - 1];
  const std::string& beforeLast = lines[lines.size() - 2];
  EXPECT_EQ(beforeLast.rfind("GAMMA ", 0), 0u) << out.joined();
  EXPECT_TRUE(beforeLast.ends_with("(Called internally)"));
  EXPECT_EQ(last.rfind("ALNGAM ", 0), 0u);
  EXPECT_FALSE(last.ends_with("(Called internally)"));
}

TEST(GammaFunction, UnderflowIsASilentAlertWithResultZero) {
  CapturedErrorOutput out;
  EXPECT_EQ(GAMMA(-40.5f), 0.0f);
  EXPECT_EQ(N1RTY(1), 2);
  EXPECT_EQ(N1RCD(1), 1);
  EXPECT_EQ(R9LGMC(1.0e37f), 0.0f);
  EXPECT_EQ(N1RTY(1), 2);
  EXPECT_TRUE(out.lines().empty()) << out.joined();
}

TEST(GammaFunction, NearANegativeIntegerWarnsAndStillComputes) {
  for (const auto& [x, budget] : {std::pair{-2.0001f, budgetUpToTen}, std::pair{-20.0001f, budgetAboveTen}}) {
    CapturedErrorOutput out;
    const double reference = std::tgamma(static_cast<double>(x));
    EXPECT_NEAR(GAMMA(x), reference, std::abs(reference) * budget);
    EXPECT_EQ(out.firstLine(), " *** WARNING ERROR 2 from GAMMA.  The result is accurate to less than");
    EXPECT_EQ(out.message(), "The result is accurate to less than one half precision because X = " + shortestReal(x) +
                                 " is too close to a negative integer.");
  }
  CapturedErrorOutput out;
  ALNGAM(-20.00001f);
  EXPECT_EQ(out.firstLine(), " *** WARNING ERROR 2 from ALNGAM.  The result is accurate to less than");
}

// Chebyshev series sum with the first coefficient halved, using
// T_k(x) = cosh(k acosh x) for x > 1.
double chebyshevOutside(double x, const std::vector<float>& cs) {
  double sum = 0.5 * cs[0];
  for (std::size_t k = 1; k < cs.size(); ++k) sum += cs[k] * std::cosh(static_cast<double>(k) * std::acosh(x));
  return sum;
}

TEST(ChebyshevSeries, OutsideTheIntervalWarnsAndReturnsTheValue) {
  const std::vector<float> cs = {0.5f, -0.25f, 0.125f, 0.0625f};
  CapturedErrorOutput out;
  const float value = CSEVL(1.2f, cs.data(), 4);
  EXPECT_NEAR(value, chebyshevOutside(1.2f, cs), 1e-6);
  EXPECT_EQ(out.firstLine(), " *** WARNING ERROR 7 from CSEVL.  The argument X = 1.2 is outside the");
  EXPECT_EQ(out.message(), "The argument X = 1.2 is outside the interval (-1.1,+1.1).");
  out.clear();
  CSEVL(1.1f, cs.data(), 4);
  EXPECT_TRUE(out.lines().empty()) << "1.1 itself is allowed";
}

TEST(ChebyshevSeries, SeriesLengthIsChecked) {
  const std::vector<float> cs(1001, 0.0f);
  for (const int n : {0, 1001}) {
    CapturedErrorOutput out;
    EXPECT_THROW(CSEVL(0.5f, cs.data(), n), TerminalError);
    EXPECT_EQ(out.message(), n == 0 ? "The number of terms in the series is not positive. N = 0."
                                    : "The number of terms in the series is greater than 1000. N = 1001.");
  }
  CapturedErrorOutput out;
  ASSERT_NO_THROW(CSEVL(0.5f, cs.data(), 1000));
}

TEST(ChebyshevSeries, InitsChoosesTheTermsForTheAccuracy) {
  const std::vector<float> cs = {1.0f, 0.5f, 1.0e-3f, 1.0e-6f, 1.0e-9f};
  CapturedErrorOutput out;
  EXPECT_EQ(INITS(cs.data(), 5, 1.0e-5f), 3);  // tail 1.000001e-6 stays below, 1.001e-3 does not
  EXPECT_EQ(INITS(cs.data(), 5, 10.0f), 1);    // even the whole series is below the accuracy
  EXPECT_THROW(INITS(cs.data(), 5, 1.0e-10f), TerminalError);
  EXPECT_EQ(out.message(), "Too much accuracy may be requested. ETA should be increased.");
  out.clear();
  EXPECT_THROW(INITS(cs.data(), 0, 1.0f), TerminalError);
  EXPECT_EQ(out.message(), "The number of coefficients is less than 1. NOS = 0.");
}

TEST(MachineConstants, TableAndBadIndex) {
  EXPECT_EQ(AMACH(1), std::ldexp(1.0f, -126));
  EXPECT_EQ(AMACH(3), std::ldexp(1.0f, -24));
  EXPECT_EQ(AMACH(4), std::ldexp(1.0f, -23));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(AMACH(6)), 0x7FC00000u);
  EXPECT_EQ(AMACH(8), -AMACH(7));
  CapturedErrorOutput out;
  EXPECT_THROW(AMACH(9), TerminalError);
  EXPECT_EQ(out.message(), "The argument must be between 1 and 8 inclusive. N = 9");
}

}  // namespace
}  // namespace tallyfold
