#include "numeric/RandomStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/CapturedErrorOutput.h"
#include "numeric/ErrorReporting.h"

namespace tallyfold {
namespace {

using test::CapturedErrorOutput;

// The seed whose next state is `state` (16807^-1 = 16807^(M-2) mod the
// prime M = 2^31 - 1), so that a test can choose the first uniform.
std::int32_t seedBefore(std::int64_t state) {
  const std::int64_t m = 2147483647;
  std::int64_t inverse = 1, base = 16807;
  for (std::int64_t e = m - 2; e > 0; e >>= 1, base = base * base % m) {
    if (e & 1) inverse = inverse * base % m;
  }
  return static_cast<std::int32_t>(state * inverse % m);
}

// How many uniforms `draw` takes from a stream with this seed.
long uniformsUsed(std::int32_t seed, const std::function<void(RandomStream&)>& draw) {
  RandomStream drawn(seed), reference(seed);
  draw(drawn);
  for (long used = 1; used <= 10'000'000; ++used) {
    reference.uniformDeviate();
    if (reference.seed() == drawn.seed()) return used;
  }
  return -1;
}

std::string collapseBlanks(std::string text) {
  text.erase(std::unique(text.begin(), text.end(), [](char a, char b) { return a == ' ' && b == ' '; }), text.end());
  return text;
}

// `call` must end in a terminal error from `routine` with this code and
// message, leave `output` as it was and draw nothing from `stream`.
void expectRefused(const RandomStream& stream, const std::vector<int>& output, const std::function<void()>& call,
                   const std::string& routine, int code, const std::string& message) {
  CapturedErrorOutput captured;
  const std::vector<int> before = output;
  const std::int32_t state = stream.seed();
  EXPECT_THROW(call(), TerminalError) << message;
  EXPECT_EQ(captured.firstLine().rfind(" *** TERMINAL ERROR " + std::to_string(code) + " from " + routine + ".", 0),
            0u)
      << captured.firstLine();
  EXPECT_EQ(collapseBlanks(captured.message()), collapseBlanks(message));
  EXPECT_EQ(output, before) << message;
  EXPECT_EQ(stream.seed(), state) << message;
}

double mean(const std::vector<int>& values) {
  double sum = 0.0;
  for (int v : values) sum += v;
  return sum / static_cast<double>(values.size());
}

void expectMeanNear(const std::vector<int>& draws, int n, float p, double standardErrors) {
  const double np = n * static_cast<double>(p);
  const double se = std::sqrt(np * (1.0 - static_cast<double>(p)) / static_cast<double>(draws.size()));
  EXPECT_NEAR(mean(draws), np, standardErrors * se) << "N = " << n << ", P = " << p;
}

// Pearson's statistic against Binomial(n, p), neighbouring values pooled
// into cells of expected count at least 5, compared with the upper 0.01 %
// point of chi-square (Wilson-Hilferty).
void expectBinomialFit(const std::vector<int>& draws, int n, float pf) {
  const double p = pf;
  std::vector<double> observed(static_cast<std::size_t>(n) + 1, 0.0);
  for (int y : draws) {
    ASSERT_TRUE(y >= 0 && y <= n) << y;
    observed[static_cast<std::size_t>(y)] += 1.0;
  }
  std::vector<double> cellExpected, cellObserved;
  double expected = 0.0, seen = 0.0;
  for (int k = 0; k <= n; ++k) {
    expected += static_cast<double>(draws.size()) *
                std::exp(std::lgamma(n + 1.0) - std::lgamma(k + 1.0) - std::lgamma(n - k + 1.0) + k * std::log(p) +
                         (n - k) * std::log1p(-p));
    seen += observed[static_cast<std::size_t>(k)];
    if (expected >= 5.0) {
      cellExpected.push_back(expected);
      cellObserved.push_back(seen);
      expected = seen = 0.0;
    }
  }
  cellExpected.back() += expected;
  cellObserved.back() += seen;
  double statistic = 0.0;
  for (std::size_t i = 0; i < cellExpected.size(); ++i) {
    statistic += (cellObserved[i] - cellExpected[i]) * (cellObserved[i] - cellExpected[i]) / cellExpected[i];
  }
  const double df = static_cast<double>(cellExpected.size()) - 1.0;
  const double a = 2.0 / (9.0 * df), cube = 1.0 - a + 3.719 * std::sqrt(a);
  EXPECT_LT(statistic, df * cube * cube * cube) << "N = " << n << ", P = " << pf << ", df = " << df;
}

TEST(RandomStreamUniform, ReferenceStatesAndExtremeDeviates) {
  RandomStream stream(1);
  EXPECT_EQ(stream.uniformDeviate(), 7.8263683e-6f);
  EXPECT_EQ(stream.seed(), 16807);
  for (int i = 2; i <= 10000; ++i) stream.uniformDeviate();
  EXPECT_EQ(stream.seed(), 1043618065);
  // The scale keeps the largest state below 1 and the smallest above 0.
  EXPECT_EQ(RandomStream(seedBefore(2147483646)).uniformDeviate(), 0.99999994f);
  EXPECT_EQ(RandomStream(seedBefore(1)).uniformDeviate(), 4.6566126e-10f);
}

TEST(RandomStreamUniform, SeedsOutsideTheStateRangeAreRefused) {
  for (std::int32_t bad : {0, -1, 2147483647, std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_THROW(RandomStream{bad}, std::invalid_argument) << bad;
    EXPECT_THROW(seedProcessRandomStream(bad), std::invalid_argument) << bad;
  }
  seedProcessRandomStream(1);
  EXPECT_EQ(processRandomStream().uniformDeviate(), 7.8263683e-6f);
}

TEST(RandomStreamUniform, ClockSeeding) {
  EXPECT_EQ(RandomStream::clockSeed(0, 0, 0), 123457);
  EXPECT_EQ(RandomStream::clockSeed(0, 0, 1), 2);
  EXPECT_EQ(RandomStream::clockSeed(23, 59, 59), 235960);
  EXPECT_EQ(RandomStream::clockSeed(7, 5, 3), 70504);
  RandomStream stream;
  EXPECT_EQ(stream.seed(), 0);
  stream.uniformDeviate();
  const std::int32_t seed = seedBefore(stream.seed());
  EXPECT_TRUE((seed >= 2 && seed <= 235961) || seed == 123457) << seed;
}

TEST(RandomStreamBinomial, InversionUpToMeanTenAndBtpeAbove) {
  const float justAbove = std::nextafter(0.1f, 1.0f);
  ASSERT_EQ(100 * 0.1f, 10.0f);
  ASSERT_GT(100 * justAbove, 10.0f);
  std::vector<int> ir(1000);
  // N min(P, 1-P) exactly 10: inversion, one uniform per deviate.
  for (auto [n, p] : {std::pair{100, 0.1f}, std::pair{20, 0.5f}, std::pair{40, 0.75f}}) {
    EXPECT_EQ(uniformsUsed(2024, [&](RandomStream& s) { s.RNBIN(1000, n, p, ir.data()); }), 1000) << n << " " << p;
  }
  // Just above: BTPE, two uniforms per attempt and some attempts rejected.
  for (auto [n, p] : {std::pair{100, justAbove}, std::pair{21, 0.5f}, std::pair{41, 0.75f}}) {
    const long used = uniformsUsed(2024, [&](RandomStream& s) { s.RNBIN(1000, n, p, ir.data()); });
    EXPECT_TRUE(used % 2 == 0 && used > 2000) << n << " " << p << ": " << used;
  }
}

TEST(RandomStreamBinomial, ProbabilityAboveOneHalfIsTheMirroredDraw) {
  ASSERT_EQ(1.0f - 0.7f, 0.3f);
  for (int n : {20, 1000}) {  // inversion and BTPE
    RandomStream high(777), low(777);
    std::vector<int> drawHigh(2000), drawLow(2000);
    high.RNBIN(2000, n, 0.7f, drawHigh.data());
    low.RNBIN(2000, n, 0.3f, drawLow.data());
    for (int& y : drawLow) y = n - y;
    EXPECT_EQ(drawHigh, drawLow) << n;
  }
}

TEST(RandomStreamBinomial, LargestUniformNeverCarriesInversionBeyondN) {
  for (int n = 1; n <= 20; ++n) {
    for (int i = 1; i < 200; ++i) {
      const float p = static_cast<float>(i) / 200.0f;
      if (n * std::min(p, 1.0f - p) > 10.0f) continue;
      RandomStream stream(seedBefore(2147483646));  // first uniform 1 - 2^-24
      int y = -1;
      stream.RNBIN(1, n, p, &y);
      ASSERT_TRUE(y >= 0 && y <= n) << "N = " << n << ", P = " << p << ": " << y;
    }
  }
}

TEST(RandomStreamBinomial, GoodnessOfFitAgainstTheBinomialPmf) {
  for (auto [n, p] : {std::pair{20, 0.3f}, std::pair{100, 0.1f}, std::pair{1000, 0.02f}, std::pair{5000, 0.4f},
                      std::pair{200, 0.9f}}) {
    RandomStream stream(19880101);
    std::vector<int> draws(100000);
    stream.RNBIN(100000, n, p, draws.data());
    expectBinomialFit(draws, n, p);
  }
  // With N P (1-P) = 480 most candidates lie more than 20 from the mode and
  // are decided by the squeeze and Stirling's formula; a slip there moves
  // the mean by a fraction of a unit, which a million deviates resolve.
  RandomStream stream(271828);
  std::vector<int> draws(1'000'000);
  stream.RNBIN(1'000'000, 2000, 0.4f, draws.data());
  expectMeanNear(draws, 2000, 0.4f, 4.0);
  expectBinomialFit(draws, 2000, 0.4f);
}

TEST(RandomStreamBinomial, SetupFollowsChangesOfNAndP) {
  RandomStream stream(4242);
  std::vector<int> a(3000), b(3000), c(3000);
  for (std::size_t i = 0; i < a.size(); ++i) {
    stream.RNBIN(1, 1000, 0.2f, &a[i]);
    stream.RNBIN(1, 1000, 0.4f, &b[i]);
    stream.RNBIN(1, 3000, 0.4f, &c[i]);
  }
  expectMeanNear(a, 1000, 0.2f, 5.0);
  expectMeanNear(b, 1000, 0.4f, 5.0);
  expectMeanNear(c, 3000, 0.4f, 5.0);
}

TEST(RandomStreamBinomial, ExtremeTrialCountsAndTinyProbabilities) {
  // The largest N; tiny P whose complement 1 - P is not exact in single
  // precision, with N P above 10 and below it.
  for (auto [n, p] : {std::pair{std::numeric_limits<int>::max(), 0.5f}, std::pair{1'000'000'000, 5e-8f},
                      std::pair{10'000'000, 5e-7f}}) {
    RandomStream stream(31337);
    std::vector<int> draws(100000);
    stream.RNBIN(100000, n, p, draws.data());
    for (int y : draws) ASSERT_TRUE(y >= 0 && y <= n) << y;
    expectMeanNear(draws, n, p, 5.0);
  }
}

TEST(RandomStreamBinomial, ArgumentErrorsDrawNothing) {
  RandomStream stream(99);
  std::vector<int> ir(3, -7);
  const auto rnbin = [&](int nr, int n, float p) { return [&stream, &ir, nr, n, p] { stream.RNBIN(nr, n, p, ir.data()); }; };
  const std::string range = " must be greater than or equal to 1.";
  const std::string pMust = ", but P must be greater than 0.0 and less than 1.0.";
  expectRefused(stream, ir, rnbin(0, 10, 0.5f), "RNBIN", 1, "NR = 0.  NR" + range);
  expectRefused(stream, ir, rnbin(3, -4, 0.5f), "RNBIN", 2, "N = -4.  N" + range);
  expectRefused(stream, ir, rnbin(0, 10, 2.0f), "RNBIN", 1, "NR = 0.  NR" + range);  // P not looked at
  expectRefused(stream, ir, rnbin(3, 10, 0.0f), "RNBIN", 3, "The probability P = 0.0" + pMust);
  expectRefused(stream, ir, rnbin(3, 10, 1.0f), "RNBIN", 3, "The probability P = 1.0" + pMust);
  expectRefused(stream, ir, rnbin(3, 10, -0.25f), "RNBIN", 3, "The probability P = -0.25" + pMust);
  CapturedErrorOutput quiet;
  EXPECT_THROW(stream.RNBIN(3, 10, std::numeric_limits<float>::quiet_NaN(), ir.data()), TerminalError);
}

// The counts 0 .. k-1 of the Poisson mixture of means 2 and 4, normalised.
std::vector<float> mixtureProbabilities(int k) {
  std::vector<float> p;
  float sum = 0.0f;
  for (int x = 0; x < k; ++x) {
    const double logFactorial = std::lgamma(x + 1.0);
    p.push_back(static_cast<float>(0.5 * std::exp(x * std::log(2.0) - 2.0 - logFactorial) +
                                   0.5 * std::exp(x * std::log(4.0) - 4.0 - logFactorial)));
    sum += p.back();
  }
  for (float& v : p) v /= sum;
  return p;
}

TEST(RandomStreamMultinomial, VectorsSumToNAndCategoryMeansMatch) {
  const int nr = 3000, n = 5000, k = 16, ldir = nr + 2;
  const std::vector<float> p = mixtureProbabilities(k);
  std::vector<int> ir(static_cast<std::size_t>(ldir) * k, -7);
  RandomStream(5150).RNMTN(nr, n, k, p.data(), ir.data(), ldir);
  std::vector<std::vector<int>> categories(k);
  std::vector<long> sums(ldir, 0);
  for (int j = 0; j < k; ++j) {
    for (int i = 0; i < ldir; ++i) {
      const int count = ir[static_cast<std::size_t>(j) * ldir + i];
      if (i >= nr) {
        EXPECT_EQ(count, -7) << "row beyond NR written";
        continue;
      }
      EXPECT_GE(count, 0);
      categories[static_cast<std::size_t>(j)].push_back(count);
      sums[static_cast<std::size_t>(i)] += count;
    }
    expectMeanNear(categories[static_cast<std::size_t>(j)], n, p[static_cast<std::size_t>(j)], 4.0);
  }
  sums.resize(nr);
  EXPECT_EQ(sums, std::vector<long>(nr, n)) << "every vector sums to N";
}

TEST(RandomStreamMultinomial, CategoriesAfterAllTrialsAreUsedGetZero) {
  const std::vector<float> p = {0.9f, 0.04f, 0.03f, 0.03f};
  const int nr = 400, n = 2;
  std::vector<int> ir(static_cast<std::size_t>(nr) * 4, -7);
  RandomStream(8).RNMTN(nr, n, 4, p.data(), ir.data(), nr);
  int exhausted = 0;
  for (int i = 0; i < nr; ++i) {
    if (ir[static_cast<std::size_t>(i)] != n) continue;
    ++exhausted;
    for (int j = 1; j < 4; ++j) EXPECT_EQ(ir[static_cast<std::size_t>(j) * nr + i], 0);
  }
  EXPECT_GT(exhausted, 250);
}

TEST(RandomStreamMultinomial, ProbabilitiesWithinToleranceAreUsedAsGiven) {
  // K = 2, N = 1: the trial falls into category 1 when the first uniform
  // exceeds 1 - P(1). P sums to 1 + 2^-23, inside the tolerance 2 * 2^-23;
  // renormalising would lower P(1) and raise that threshold.
  const float p1 = 0.3f;
  float p2 = 0.7f;
  while (p1 + p2 < 1.0f + 0x1p-23f) p2 = std::nextafter(p2, 1.0f);
  const float given = 1.0f - p1, renormalised = 1.0f - p1 / (p1 + p2);
  ASSERT_LT(given, renormalised);
  std::int32_t seed = 0;  // one whose first uniform lies between the two
  const auto near = static_cast<std::int64_t>(static_cast<double>(renormalised) * 2147483648.0);
  for (std::int64_t state = near - 4096; state <= near + 4096 && seed == 0; ++state) {
    const float u = RandomStream(seedBefore(state)).uniformDeviate();
    if (u > given && u <= renormalised) seed = seedBefore(state);
  }
  ASSERT_NE(seed, 0);
  const std::vector<float> p = {p1, p2};
  std::vector<int> ir(2, -7);
  RandomStream(seed).RNMTN(1, 1, 2, p.data(), ir.data(), 1);
  EXPECT_EQ(ir, (std::vector<int>{1, 0}));
}

TEST(RandomStreamMultinomial, ArgumentErrorsDrawNothing) {
  RandomStream stream(1234);
  std::vector<int> ir(12, -7);
  const std::vector<float> good = {0.25f, 0.25f, 0.5f};
  const auto rnmtn = [&](int nr, int n, int k, std::vector<float> p, int ldir) {
    return [&stream, &ir, nr, n, k, p, ldir] { stream.RNMTN(nr, n, k, p.data(), ir.data(), ldir); };
  };
  const std::string must = ", but each element of P must be greater than 0.0 and less than 1.0.";
  const std::string atLeast = " must be greater than or equal to ";
  float over = 0.75f;  // P(1) + P(2) just outside 1 + 2 * 2^-23
  while (0.25f + over <= 1.0f + 2 * 0x1p-23f) over = std::nextafter(over, 1.0f);

  expectRefused(stream, ir, rnmtn(3, 0, 3, good, 3), "RNMTN", 1, "N = 0.  N" + atLeast + "1.");
  expectRefused(stream, ir, rnmtn(3, 10, 1, {1.0f}, 3), "RNMTN", 2, "K = 1.  K" + atLeast + "2.");
  expectRefused(stream, ir, rnmtn(0, 10, 3, good, 3), "RNMTN", 3, "NR = 0.  NR" + atLeast + "1.");
  expectRefused(stream, ir, rnmtn(3, 10, 3, good, 0), "RNMTN", 4, "LDIR = 0.  LDIR" + atLeast + "1.");
  expectRefused(stream, ir, rnmtn(3, 10, 3, good, 2), "RNMTN", 5, "LDIR = 2.  LDIR" + atLeast + "3.");
  expectRefused(stream, ir, rnmtn(3, 0, 3, {0.0f, 0.0f, 0.0f}, 3), "RNMTN", 1, "N = 0.  N" + atLeast + "1.");
  expectRefused(stream, ir, rnmtn(3, 10, 3, {0.5f, 0.0f, 0.5f}, 3), "RNMTN", 6, "The probability P(2) = 0.0" + must);
  expectRefused(stream, ir, rnmtn(3, 10, 3, {0.5f, 1.0f, -0.5f}, 3), "RNMTN", 6, "The probability P(2) = 1.0" + must);
  expectRefused(stream, ir, rnmtn(3, 10, 2, {0.25f, 0.5f}, 3), "RNMTN", 7,
                "The total of the elements in P, is 0.75, but this total must be 1.0.");
  {
    CapturedErrorOutput captured;
    EXPECT_THROW(rnmtn(3, 10, 2, {0.25f, over}, 3)(), TerminalError);
    EXPECT_NE(captured.message().find("but this total must be 1.0."), std::string::npos);
  }
  // Inside the tolerance, but P(2) takes the whole remainder: its
  // conditional probability is 1, refused by RNBIN before anything is drawn.
  expectRefused(stream, ir, rnmtn(3, 10, 3, {0.5f, 0.5f, 0x1p-23f}, 3), "RNBIN", 3,
                "The probability P = 1.0, but P must be greater than 0.0 and less than 1.0.");
}

TEST(RandomStreamMultinomial, ErrorsThatDoNotStopStillDrawNothing) {
  CapturedErrorOutput captured;
  test::ScopedErrorAttributes terminal(5, test::printWithoutStop());
  RandomStream stream(606);
  std::vector<int> ir(6, -7);
  const std::vector<float> zeroElement = {0.5f, 0.0f, 0.5f}, conditionalOne = {0.5f, 0.5f, 0x1p-23f};
  stream.RNMTN(2, 10, 3, zeroElement.data(), ir.data(), 2);
  EXPECT_EQ(N1RCD(1), 6);
  stream.RNMTN(2, 10, 3, conditionalOne.data(), ir.data(), 2);
  EXPECT_EQ(N1RCD(1), 3);
  stream.RNBIN(6, 10, 1.0f, ir.data());
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(ir, std::vector<int>(6, -7));
  EXPECT_EQ(stream.seed(), 606);
  EXPECT_EQ(errorStackDepth(), 0);
}

}  // namespace
}  // namespace tallyfold
