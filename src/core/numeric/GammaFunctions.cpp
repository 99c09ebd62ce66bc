#include "numeric/GammaFunctions.h"

#include "numeric/MachineConstants.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "numeric/ErrorReporting.h"

namespace tallyfold {

namespace {

const float quietNaN = std::bit_cast<float>(std::uint32_t{0x7FC00000});

constexpr float pi = 3.1415927f;
constexpr float lnSqrtTwoPi = 0.9189385f;     // ln sqrt(2 pi)
constexpr float lnSqrtHalfPi = 0.22579135f;   // ln sqrt(pi / 2)

// Chebyshev series of Gamma(1 + y) - 0.9375 in t = 2y - 1 on 0 <= y < 1
// (FNLIB's gcs). Only the first 23 terms matter to single precision: for an
// accuracy of 0.1 * 2^-24 INITS chooses 12 of them.
constexpr float gammaSeries[23] = {
    8.57119542e-03f,  4.41538123e-03f,  5.68504371e-02f,  -4.21983562e-03f, 1.32680812e-03f,  -1.89302460e-04f,
    3.60692538e-05f,  -6.05676178e-06f, 1.05582956e-06f,  -1.81196739e-07f, 3.11772510e-08f,  -5.35421973e-09f,
    9.19327559e-10f,  -1.57794125e-10f, 2.70798054e-11f,  -4.64681852e-12f, 7.97335017e-13f,  -1.36807815e-13f,
    2.34731956e-14f,  -4.02743245e-15f, 6.91005190e-16f,  -1.18558447e-16f, 2.03414846e-17f,
};

// Chebyshev series of x * R9LGMC(x) in t = 2 (10/x)^2 - 1 for x >= 10
// (FNLIB's algmcs); two terms reach single precision.
constexpr float stirlingSeries[6] = {
    1.66638955e-01f, -1.38494815e-05f, 9.81082593e-09f, -1.80912004e-11f, 6.22000010e-14f, -3.00000012e-16f,
};

// Distance of a negative argument from the nearest integer, relative to the
// argument. Beside a pole n, Gamma(x) changes relatively |x / (x - n)| times
// as much as x does, so below sqrt(2^-23) a single rounding of x spoils half
// the digits of the result.
float relativeDistanceToInteger(float x) { return std::fabs((x - std::trunc(x - 0.5f)) / x); }

// sin(pi y), reduced to the nearest whole number n first:
// sin(pi y) = (-1)^n sin(pi (y - n)). y - n is exact, so the result is
// exactly 0 at whole y (the poles of the reflection formula) and keeps its
// relative accuracy beside them, where sin of the rounded product pi * y
// would not. Every float of magnitude 2^23 or more is whole.
float sinPi(float y) {
  const float nearest = std::round(y);
  const float s = std::sin(pi * (y - nearest));
  return std::fmod(nearest, 2.0f) == 0.0f ? s : -s;
}

}  // namespace

int INITS(const float* os, int nos, float eta) {
  E1PSH("INITS");
  int result = 0;
  if (nos < 1) {
    errStoreInteger(1, nos);
    E1MES(5, 5, "The number of coefficients is less than 1. NOS = %(I1).");
  } else {
    // Add the magnitudes from the last term down; the series is cut where
    // the neglected tail first exceeds eta. A tail that never exceeds it
    // leaves one term.
    float tail = 0.0f;
    int i = nos;
    for (; i >= 1; --i) {
      tail += std::fabs(os[i - 1]);
      if (tail > eta) break;
    }
    if (i < 1) i = 1;
    if (i == nos && tail > eta) {
      E1MES(5, 6, "Too much accuracy may be requested. ETA should be increased.");
    } else {
      result = i;
    }
  }
  E1POP("INITS");
  return result;
}

float CSEVL(float x, const float* cs, int n) {
  E1PSH("CSEVL");
  float result = quietNaN;
  if (n < 1) {
    errStoreInteger(1, n);
    E1MES(5, 5, "The number of terms in the series is not positive. N = %(I1).");
  } else if (n > 1000) {
    errStoreInteger(1, n);
    E1MES(5, 6, "The number of terms in the series is greater than 1000. N = %(I1).");
  } else {
    if (std::fabs(x) > 1.1f) {
      errStoreReal(1, x);
      E1MES(3, 7, "The argument X = %(R1) is outside the interval (-1.1,+1.1).");
    }
    float b0 = 0.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    const float twoX = 2.0f * x;
    for (int i = 1; i <= n; ++i) {
      b2 = b1;
      b1 = b0;
      b0 = twoX * b1 - b2 + cs[n - i];
    }
    result = 0.5f * (b0 - b2);
  }
  E1POP("CSEVL");
  return result;
}

void R9GAML(float& xmin, float& xmax) {
  E1PSH("R9GAML");
  // xmin solves ln Gamma(-x) = ln of the smallest normalised float, xmax
  // ln Gamma(x) = ln of the largest, by Newton's method on Stirling's
  // formula; 0.01 of slack is left on each side.
  const float alnsml = std::log(AMACH(1));
  float x = -alnsml;
  bool converged = false;
  for (int i = 1; i <= 10 && !converged; ++i) {
    const float previous = x;
    const float xln = std::log(x);
    x = x - x * ((x + 0.5f) * xln - x - 0.2258f + alnsml) / (x * xln + 0.5f);
    converged = std::fabs(x - previous) < 0.005f;
  }
  if (converged) {
    xmin = 0.01f - x;
  } else {
    xmin = quietNaN;
    E1MES(5, 5, "Unable to determine the value of XMIN.");
  }

  const float alnbig = std::log(AMACH(2));
  x = alnbig;
  converged = false;
  for (int i = 1; i <= 10 && !converged; ++i) {
    const float previous = x;
    const float xln = std::log(x);
    x = x - x * ((x - 0.5f) * xln - x + 0.9189f - alnbig) / (x * xln - 0.5f);
    converged = std::fabs(x - previous) < 0.005f;
  }
  if (converged) {
    xmax = x - 0.01f;
  } else {
    xmax = quietNaN;
    E1MES(5, 6, "Unable to determine the value of XMAX.");
  }

  // Gamma(x) for x < 0 is about 1 / Gamma(1 - x): keep 1 - xmin within xmax.
  if (!std::isnan(xmin) && !std::isnan(xmax)) xmin = std::max(xmin, 1.0f - xmax);
  E1POP("R9GAML");
}

float R9LGMC(float x) {
  E1PSH("R9LGMC");
  struct Limits {
    int nalgm;
    float xbig;
    float xmax;
  };
  static const Limits limits = [] {
    Limits l{};
    l.nalgm = INITS(stirlingSeries, 6, AMACH(3));
    l.xbig = 1.0f / std::sqrt(AMACH(3));
    l.xmax = std::exp(std::min(std::log(AMACH(2) / 12.0f), -std::log(12.0f * AMACH(1))));
    return l;
  }();

  float result = quietNaN;
  if (x < 10.0f) {
    errStoreReal(1, x);
    E1MES(5, 5, "The argument X = %(R1) must be greater than or equal to 10.0.");
  } else if (x >= limits.xmax) {
    errStoreReal(1, x);
    errStoreReal(2, limits.xmax);
    E1MES(2, 1, "The function underflows because X = %(R1) is greater than %(R2). The result is set to zero.");
    result = 0.0f;
  } else if (x < limits.xbig) {
    const float ratio = 10.0f / x;
    result = CSEVL(2.0f * ratio * ratio - 1.0f, stirlingSeries, limits.nalgm) / x;
  } else {
    result = 1.0f / (12.0f * x);
  }
  E1POP("R9LGMC");
  return result;
}

float GAMMA(float x) {
  E1PSH("GAMMA");
  struct Limits {
    int ngcs;
    float xmin;
    float xmax;
    float dxrel;
    float xsml;
  };
  static const Limits limits = [] {
    Limits l{};
    l.ngcs = INITS(gammaSeries, 23, 0.1f * AMACH(3));
    R9GAML(l.xmin, l.xmax);
    l.dxrel = std::sqrt(AMACH(4));
    l.xsml = std::exp(std::max(std::log(AMACH(1)), -std::log(AMACH(2))) + 0.01f);
    return l;
  }();

  float result = quietNaN;
  float y = std::fabs(x);
  if (std::isnan(x)) {
    // No branch below applies; not-a-number in, not-a-number out.
  } else if (y <= 10.0f) {
    // Reduce to Gamma(1 + y) with 0 <= y < 1, then climb or descend by the
    // recurrence Gamma(x + 1) = x Gamma(x).
    int n = static_cast<int>(x);
    if (x < 0.0f) n = n - 1;
    y = x - static_cast<float>(n);
    n = n - 1;
    float g = 0.9375f + CSEVL(2.0f * y - 1.0f, gammaSeries, limits.ngcs);
    if (n > 0) {
      for (int i = 1; i <= n; ++i) g = g * (y + static_cast<float>(i));
      result = g;
    } else if (n == 0) {
      result = g;
    } else {
      n = -n;
      if (x == 0.0f) {
        E1MES(5, 5, "The argument for the function can not be zero.");
      } else if (std::fabs(x) < limits.xsml) {
        // 1/x no longer fits. The reduced y equals |x| only for positive x,
        // so the magnitude is tested to catch tiny negative x too.
        errStoreReal(1, x);
        E1MES(5, 4, "The function overflows because X = %(R1) is too close to zero.");
      } else if (x < 0.0f && x + static_cast<float>(n - 2) == 0.0f) {
        errStoreReal(1, x);
        E1MES(5, 6, "The argument for the function can not be a negative integer. Argument X = %(R1).");
      } else {
        if (x < -0.5f && relativeDistanceToInteger(x) < limits.dxrel) {
          errStoreReal(1, x);
          E1MES(3, 2,
                "The result is accurate to less than one half precision because X = %(R1) is too close to a "
                "negative integer.");
        }
        for (int i = 1; i <= n; ++i) g = g / (x + static_cast<float>(i - 1));
        result = g;
      }
    }
  } else if (x > limits.xmax) {
    errStoreReal(1, x);
    errStoreReal(2, limits.xmax);
    E1MES(5, 4, "The function overflows because X = %(R1) is greater than %(R2).");
  } else if (x < limits.xmin) {
    errStoreReal(1, x);
    errStoreReal(2, limits.xmin);
    E1MES(2, 1, "The function underflows because X = %(R1) is less than %(R2). The result is set to zero.");
    result = 0.0f;
  } else {
    // Stirling's formula with its correction term; the reflection formula
    // Gamma(x) = -pi / (y sin(pi y) Gamma(y)) for x = -y < 0.
    const float g = std::exp((y - 0.5f) * std::log(y) - y + lnSqrtTwoPi + R9LGMC(y));
    if (x > 0.0f) {
      result = g;
    } else {
      if (relativeDistanceToInteger(x) < limits.dxrel) {
        errStoreReal(1, x);
        E1MES(3, 2,
              "The result is accurate to less than one half precision because X = %(R1) is too close to a "
              "negative integer.");
      }
      const float sinpiy = sinPi(y);
      if (sinpiy == 0.0f) {
        errStoreReal(1, x);
        E1MES(5, 7, "The argument for the function can not be a negative integer. Argument X = %(R1).");
      } else {
        result = -pi / (y * sinpiy * g);
      }
    }
  }
  E1POP("GAMMA");
  return result;
}

float ALNGAM(float x) {
  E1PSH("ALNGAM");
  struct Limits {
    float xmax;
    float dxrel;
  };
  static const Limits limits = [] {
    Limits l{};
    l.xmax = AMACH(2) / std::log(AMACH(2));
    l.dxrel = std::sqrt(AMACH(4));
    return l;
  }();

  float result = quietNaN;
  const float y = std::fabs(x);
  if (std::isnan(x)) {
    // Not-a-number in, not-a-number out.
  } else if (y <= 10.0f) {
    result = std::log(std::fabs(GAMMA(x)));
  } else if (y > limits.xmax) {
    errStoreReal(1, x);
    errStoreReal(2, limits.xmax);
    E1MES(5, 4, "The function overflows because ABS(%(R1)) is greater than %(R2).");
  } else if (x > 0.0f) {
    result = lnSqrtTwoPi + (x - 0.5f) * std::log(x) - x + R9LGMC(y);
  } else {
    // Reflection formula: ln |Gamma(x)| = ln (pi / (y |sin(pi y)| Gamma(y))).
    const float sinpiy = std::fabs(sinPi(y));
    if (sinpiy == 0.0f) {
      errStoreReal(1, x);
      E1MES(5, 5, "The argument for the function can not be a negative integer. Argument X = %(R1).");
    } else {
      result = lnSqrtHalfPi + (x - 0.5f) * std::log(y) - x - std::log(sinpiy) - R9LGMC(y);
      if (std::fabs((x - std::trunc(x - 0.5f)) * result / x) < limits.dxrel) {
        errStoreReal(1, x);
        E1MES(3, 2,
              "The result is accurate to less than one half precision because X = %(R1) is too close to a "
              "negative integer.");
      }
    }
  }
  E1POP("ALNGAM");
  return result;
}

}  // namespace tallyfold
