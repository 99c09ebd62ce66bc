#include "numeric/InlineExp.h"

#include <cmath>
#include <initializer_list>

namespace tallyfold::inlineexp {

#ifdef TALLYFOLD_INLINE_EXP
namespace {

__extension__ typedef __float128 Quad;

Table makeTable() {
  Table t{};
  for (int j = 0; j < 128; ++j) {
    // x = 2^(j/128) to ~2^-110: two Newton steps on x^128 = 2^j from the
    // double value (each squares the relative error; x^128 by seven squarings).
    Quad x = std::exp2(j / 128.0);
    const Quad target = std::ldexp(1.0, j);
    for (int step = 0; step < 2; ++step) {
      Quad power = x;
      for (int s = 0; s < 7; ++s) power = power * power;
      x = x - x * (power - target) / (128 * power);
    }
    const double h = static_cast<double>(x);
    t.tail[j] = static_cast<double>((x - h) / h);
    t.scaleBits[j] = std::bit_cast<std::uint64_t>(h) - (static_cast<std::uint64_t>(j) << 45);
  }
  return t;
}

// Every table entry several times over, both signs, and the near-zero range.
bool agreesOnSpread() {
  const Table& t = table();
  for (int i = 0; i < 4096; ++i) {
    const double magnitude = std::exp2(-54.0 + 63.0 * i / 4096.0);  // 2^-54 .. 2^9
    for (const double x : {-magnitude, magnitude}) {
      if (std::fabs(x) < mainRangeHigh && expMainRange(x, t) != std::exp(x)) return false;
      if (std::fabs(x) < nearZeroHigh && expNearZero(x) != std::exp(x)) return false;
    }
  }
  return true;
}

// The four-lane exponential on the same spread, each argument in every lane
// beside three others from elsewhere in the spread (the outside range too).
[[gnu::target("avx2,fma")]] bool fourAgreesOnSpread() {
  const Table& t = table();
  for (int i = 0; i < 4096; ++i) {
    const double magnitude = std::exp2(-60.0 + 70.0 * i / 4096.0);  // 2^-60 .. 2^10
    alignas(32) double x[4] = {-magnitude, magnitude, -magnitude * 0.75, magnitude * 1.3};
    alignas(32) double y[4];
    _mm256_store_pd(y, expFour(_mm256_load_pd(x), t));
    for (int lane = 0; lane < 4; ++lane) {
      if (y[lane] != std::exp(x[lane])) return false;
    }
  }
  // The large-argument case more densely, every table entry of both signs.
  for (int i = 0; i < 4096; ++i) {
    const double magnitude = mainRangeHigh + (largeRangeHigh - mainRangeHigh) * i / 4096.0;
    alignas(32) double x[4] = {-magnitude, magnitude, 1.0, -magnitude};
    alignas(32) double y[4];
    _mm256_store_pd(y, expFour(_mm256_load_pd(x), t));
    for (int lane = 0; lane < 4; ++lane) {
      if (y[lane] != std::exp(x[lane])) return false;
    }
  }
  return true;
}

}  // namespace

const Table& table() {
  static const Table t = makeTable();
  return t;
}
#endif

bool expMatchesLibrary() {
#ifdef TALLYFOLD_INLINE_EXP
  static const bool agrees = __builtin_cpu_supports("fma") != 0 && agreesOnSpread();
  return agrees;
#else
  return false;
#endif
}

bool expFourMatchesLibrary() {
#ifdef TALLYFOLD_INLINE_EXP
  static const bool agrees =
      expMatchesLibrary() && __builtin_cpu_supports("avx2") != 0 && fourAgreesOnSpread();
  return agrees;
#else
  return false;
#endif
}

}  // namespace tallyfold::inlineexp
