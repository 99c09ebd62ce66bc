#pragma once
// The gamma and log-gamma functions of the numerical library in single
// precision, with their support routines. They follow W. Fullerton's FNLIB (Los
// Alamos, 1977): Chebyshev series on [1, 2] evaluated by Clenshaw's
// recurrence, Stirling's series with a Chebyshev correction term above 10,
// and the reflection formula for negative arguments. Every routine reports
// bad arguments through the error facility (ErrorReporting.h).

namespace tallyfold {

// Number of terms of the Chebyshev series os[0..nos-1] needed so that the
// neglected tail stays below eta (0 after an error).
int INITS(const float* os, int nos, float eta);

// Sum of the Chebyshev series cs[0..n-1] at x (Clenshaw's recurrence); the
// first coefficient counts half. Meant for -1 <= x <= 1; beyond 1.1 in
// magnitude it warns and still evaluates.
float CSEVL(float x, const float* cs, int n);

// Range of arguments for which GAMMA neither overflows nor underflows:
// xmin (about -33.96) and xmax (about 35.04).
void R9GAML(float& xmin, float& xmax);

// Stirling correction for x >= 10:
// ln Gamma(x) - ((x - 0.5) ln x - x + ln sqrt(2 pi)).
float R9LGMC(float x);

// The gamma function.
float GAMMA(float x);

// ln |Gamma(x)|.
float ALNGAM(float x);

}  // namespace tallyfold
