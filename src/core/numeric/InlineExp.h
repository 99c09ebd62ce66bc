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
// which also checks that the processor has FMA); the four-lane form also
// needs AVX2 (expFourMatchesLibrary()). Like every unit of the project this
// is compiled without contraction of a multiply and an add into one fused
// operation: every fused step is written out.
#include <bit>
#include <cmath>
#include <cstdint>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

// True when, in addition, the processor has AVX2 and the four-lane
// exponential below gives the C library's bits on the same spread.
bool expFourMatchesLibrary();

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

// |x| in [mainRangeHigh, largeRangeHigh): the library's large-argument
// case, whose result is still a normal number: 2^(k/128) is formed
// 2^1009 too small (k > 0) or 2^1022 too large (k < 0) and scaled back
// after the last step, exactly.
inline constexpr double largeRangeHigh = 708.0;
inline constexpr double vanishingBelow = -746.0;  // e^-746 < 2^-1076

// e^x in four lanes, each lane's operations those of expMainRange, or for
// |x| in [mainRangeHigh, largeRangeHigh) the library's large-argument
// case, or below vanishingBelow +0. Any other lane (NaN included) is taken
// from the library, so every lane is the C library's value.
[[gnu::target("avx2,fma")]] inline __m256d expFour(__m256d x, const Table& t) {
  const __m256d kdShifted = _mm256_fmadd_pd(_mm256_set1_pd(invLn2N), x, _mm256_set1_pd(shift));
  const __m256i ki = _mm256_castpd_si256(kdShifted);
  const __m256d kd = _mm256_sub_pd(kdShifted, _mm256_set1_pd(shift));
  const __m256d r = _mm256_fmadd_pd(kd, _mm256_set1_pd(negLn2loN), _mm256_fmadd_pd(kd, _mm256_set1_pd(negLn2hiN), x));
  const __m256i j = _mm256_and_si256(ki, _mm256_set1_epi64x(127));
  const __m256i scaleBits =
      _mm256_add_epi64(_mm256_i64gather_epi64(reinterpret_cast<const long long*>(t.scaleBits), j, 8),
                       _mm256_slli_epi64(ki, 45));
  const __m256d tail = _mm256_i64gather_pd(t.tail, j, 8);
  const __m256d r2 = _mm256_mul_pd(r, r);
  const __m256d tmp = _mm256_fmadd_pd(
      _mm256_mul_pd(r2, r2), _mm256_fmadd_pd(r, _mm256_set1_pd(c5), _mm256_set1_pd(c4)),
      _mm256_fmadd_pd(r2, _mm256_fmadd_pd(r, _mm256_set1_pd(c3), _mm256_set1_pd(c2)), _mm256_add_pd(tail, r)));
  const __m256d size = _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
  const __m256d inMain = _mm256_and_pd(_mm256_cmp_pd(size, _mm256_set1_pd(nearZeroLow), _CMP_GE_OQ),
                                       _mm256_cmp_pd(size, _mm256_set1_pd(mainRangeHigh), _CMP_LT_OQ));
  const int main = _mm256_movemask_pd(inMain);
  if (main == 0xf) [[likely]] {
    const __m256d scale = _mm256_castsi256_pd(scaleBits);
    return _mm256_fmadd_pd(scale, tmp, scale);
  }
  // Some lane is large (or outside every range): k > 0 scales by 2^-1009,
  // k < 0 by 2^1022, then back.
  const __m256d negative = _mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ);
  const __m256i inMainBits = _mm256_castpd_si256(inMain);
  const __m256i largeShift = _mm256_blendv_epi8(_mm256_set1_epi64x(-(1009LL << 52)), _mm256_set1_epi64x(1022LL << 52),
                                                _mm256_castpd_si256(negative));
  const __m256d scale = _mm256_castsi256_pd(
      _mm256_add_epi64(scaleBits, _mm256_andnot_si256(inMainBits, largeShift)));
  // 1 in the main range, where the product would underflow (slowly) for
  // nothing.
  const __m256d back = _mm256_blendv_pd(
      _mm256_blendv_pd(_mm256_set1_pd(0x1p1009), _mm256_set1_pd(0x1p-1022), negative), _mm256_set1_pd(1.0), inMain);
  // The library fuses scale + scale tmp for k > 0 and in the main range, and
  // rounds the product first for k < 0.
  const __m256d fused = _mm256_fmadd_pd(scale, tmp, scale);
  const __m256d large = _mm256_blendv_pd(fused, _mm256_add_pd(scale, _mm256_mul_pd(scale, tmp)), negative);
  __m256d y = _mm256_blendv_pd(_mm256_mul_pd(back, large), fused, inMain);
  const __m256d inLarge = _mm256_and_pd(_mm256_cmp_pd(size, _mm256_set1_pd(mainRangeHigh), _CMP_GE_OQ),
                                        _mm256_cmp_pd(size, _mm256_set1_pd(largeRangeHigh), _CMP_LT_OQ));
  // Below -746 e^x is under half the smallest subnormal: the library's
  // result is +0.
  const __m256d vanishing = _mm256_cmp_pd(x, _mm256_set1_pd(vanishingBelow), _CMP_LT_OQ);
  y = _mm256_andnot_pd(vanishing, y);
  const int outside = ~(main | _mm256_movemask_pd(_mm256_or_pd(inLarge, vanishing))) & 0xf;
  if (outside != 0) [[unlikely]] {
    alignas(32) double lanes[4];
    alignas(32) double values[4];
    _mm256_store_pd(lanes, x);
    _mm256_store_pd(values, y);
    for (int i = 0; i < 4; ++i) {
      if ((outside >> i) & 1) values[i] = std::exp(lanes[i]);
    }
    y = _mm256_load_pd(values);
  }
  return y;
}
#endif

}  // namespace tallyfold::inlineexp
