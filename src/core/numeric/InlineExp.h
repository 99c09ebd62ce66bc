#pragma once
// The C library's exponential, inlined, for loops whose every step waits for
// one exp: e^x bit for bit as glibc 2.28 and later computes it on x86-64
// with fused multiply-adds (Szabolcs Nagy's exp from ARM's optimized-
// routines): x = k ln2/128 + r with |r| <= ln2/256, and
//   e^x = 2^(k/128) e^r ~ s (1 + tail + r + C2 r^2 + C3 r^3 + C4 r^4 + C5 r^5),
// where 2^(j/128) = H_j (1 + T_j), s = H_(k mod 128) 2^floor(k/128) and
// tail = T_(k mod 128). A call costs its latency plus the spills around it;
// inlined, the step of a dependent chain is a third shorter.
//
// Only for x86-64 with FMA (the callers check expMatchesLibrary() first,
// which also checks that the processor has FMA).
#include <bit>
#include <cmath>
#include <cstdint>

namespace tallyfold::inlineexp {

// |x| in [nearZeroLow, nearZeroHigh): k = 0, s = 1, tail = 0 and r = x.
inline constexpr double nearZeroLow = 0x1p-54;  // below it the library returns 1 + x
inline constexpr double nearZeroHigh = 0.0027;  // below ln2/256
// |x| below mainRangeHigh: the library's main path, no special cases.
inline constexpr double mainRangeHigh = 512.0;

struct Table {
  double tail[128];                 // T_j
  std::uint64_t scaleBits[128];     // bits of H_j minus j << 45
};

// True when this processor has FMA and the functions below give the C
// library's bits on a spread of arguments; computed once.
bool expMatchesLibrary();

inline constexpr double c2 = 0x1.ffffffffffdbdp-2;
inline constexpr double c3 = 0x1.555555555543cp-3;
inline constexpr double c4 = 0x1.55555cf172b91p-5;
inline constexpr double c5 = 0x1.1111167a4d017p-7;
inline constexpr double invLn2N = 0x1.71547652b82fep0 * 128;
inline constexpr double negLn2hiN = -0x1.62e42fefa0000p-8;  // kd * negLn2hiN is exact
inline constexpr double negLn2loN = -0x1.cf79abc9e3b3ap-47;
inline constexpr double shift = 0x1.8p52;

#if defined(__x86_64__) && defined(__GNUC__)
#define TALLYFOLD_INLINE_EXP 1

// H_j and T_j, computed once (quadruple precision, Newton on x^128 = 2^j).
const Table& table();

// e^x for |x| in [nearZeroLow, nearZeroHigh).
[[gnu::target("fma")]] inline double expNearZero(double x) {
  const double x2 = x * x;
  const double tmp =
      __builtin_fma(x2 * x2, __builtin_fma(x, c5, c4), __builtin_fma(x2, __builtin_fma(x, c3, c2), x));
  return 1.0 + tmp;
}

// e^x for |x| in [nearZeroLow, mainRangeHigh).
[[gnu::target("fma")]] inline double expMainRange(double x, const Table& t) {
  double kd = __builtin_fma(invLn2N, x, shift);  // k + shift, rounded to an integer
  const std::uint64_t ki = std::bit_cast<std::uint64_t>(kd);
  kd -= shift;
  const double r = __builtin_fma(kd, negLn2loN, __builtin_fma(kd, negLn2hiN, x));
  const std::uint64_t j = ki % 128;
  const double scale = std::bit_cast<double>(t.scaleBits[j] + (ki << 45));  // adds floor(k/128) to the exponent
  const double r2 = r * r;
  const double tmp = __builtin_fma(r2 * r2, __builtin_fma(r, c5, c4),
                                   __builtin_fma(r2, __builtin_fma(r, c3, c2), t.tail[j] + r));
  return __builtin_fma(scale, tmp, scale);
}

// e^x for every x: the main range inlined, the rest from the library.
[[gnu::target("fma")]] inline double expFma(double x, const Table& t) {
  const double size = x < 0 ? -x : x;
  return size >= nearZeroLow && size < mainRangeHigh ? expMainRange(x, t) : std::exp(x);
}
#endif

}  // namespace tallyfold::inlineexp
