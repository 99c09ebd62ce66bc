#pragma once
// Machine constants of the numerical library: the limits of 32-bit floats
// (AMACH) and of the integer types (IMACH). A bad index is reported through
// the error facility (ErrorReporting.h).
#include <cstdint>

namespace tallyfold {

// Machine constants of 32-bit floats, index 1..8:
// 1 smallest normalised positive 2^-126, 2 largest finite, 3 smallest
// relative spacing 2^-24, 4 largest relative spacing 2^-23, 5 log10(2),
// 6 quiet NaN, 7 +infinity, 8 -infinity.
float AMACH(int n);

// Integer machine constants, index 1..12.
std::int32_t IMACH(int n);

}  // namespace tallyfold
