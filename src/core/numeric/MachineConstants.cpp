#include "numeric/MachineConstants.h"

#include <bit>
#include <cstdint>
#include <limits>

#include "numeric/ErrorReporting.h"

namespace tallyfold {

namespace {
const float quietNaN = std::bit_cast<float>(std::uint32_t{0x7FC00000});
}  // namespace

float AMACH(int n) {
  switch (n) {
    case 1: return std::numeric_limits<float>::min();               // 2^-126
    case 2: return std::numeric_limits<float>::max();               // 3.4028235e38
    case 3: return std::numeric_limits<float>::epsilon() / 2.0f;    // 2^-24
    case 4: return std::numeric_limits<float>::epsilon();          // 2^-23
    case 5: return 0.30103f;                                         // log10(2)
    case 6: return quietNaN;                                         // bit pattern 0x7FC00000
    case 7: return std::numeric_limits<float>::infinity();
    case 8: return -std::numeric_limits<float>::infinity();
    default: break;
  }
  E1PSH("AMACH");
  errStoreInteger(1, n);
  E1MES(5, 5, "The argument must be between 1 and 8 inclusive. N = %(I1)");
  E1POP("AMACH");
  return quietNaN;
}

std::int32_t IMACH(int n) {
  // 1 bits per integer, 2 characters per integer, 3 integer base, 4 integer
  // digits, 5 largest integer, 6 float base, 7 single digits, 8 smallest
  // single exponent, 9 largest single exponent, 10 double digits,
  // 11 smallest double exponent, 12 largest double exponent.
  static constexpr std::int32_t table[12] = {32, 4, 2, 31, 2147483647, 2, 24, -125, 128, 53, -1021, 1024};
  if (n >= 1 && n <= 12) return table[n - 1];
  terminalThreeLines("IMACH", "The argument", "must be between 1 and 12 inclusive.", "N = ", n);
}

}  // namespace tallyfold
