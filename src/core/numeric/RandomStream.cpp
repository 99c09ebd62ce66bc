#include "numeric/RandomStream.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/NearestInteger.h"
#include "numeric/ErrorReporting.h"
#include "numeric/MachineConstants.h"

namespace tallyfold {

namespace {

constexpr std::int32_t modulus = 2147483647;  // 2^31 - 1
constexpr std::int32_t multiplier = 16807;    // 7^5
constexpr std::int32_t schrageQuotient = 127773;  // modulus div multiplier

// BTPE falls back to inversion at or below this mean of the smaller tail.
constexpr float btpeThreshold = 10.0f;

// 1/166320, the last factor of the Stirling correction in the final test.
constexpr float stirlingFactor = 1.0f / 166320.0f;

void checkSeed(std::int32_t seed) {
  if (seed < 1 || seed > modulus - 1) {
    throw std::invalid_argument("seed " + std::to_string(seed) + " is outside 1 .. 2147483646");
  }
}

// Truncation toward zero of a float that is known to fit (a BTPE setup
// quantity bounded by N).
int truncateKnown(float x) { return truncateInt(x).value(); }

// The Stirling-series remainder term of ln t! used by the final BTPE test.
float stirlingTerm(float t) {
  const float t2 = t * t;
  return (13860.0f - (462.0f - (132.0f - (99.0f - 140.0f / t2) / t2) / t2) / t2) / t * stirlingFactor;
}

}  // namespace

RandomStream::RandomStream(std::int32_t seed) {
  checkSeed(seed);
  seed_ = seed;
  seedSet_ = true;
}

std::int32_t clockSeedNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return RandomStream::clockSeed(local.tm_hour, local.tm_min, local.tm_sec);
}

int RandomStream::clockSeed(int hour, int minute, int second) {
  const int seed = 10000 * hour + 100 * minute + second + 1;
  return seed <= 1 ? 123457 : seed;
}

void RandomStream::initialise() {
  // The largest float below 2^-31, so that the largest state 2^31 - 2 still
  // maps below 1.
  float scale = 0x1p-31f;
  const float shrink = 1.0f - AMACH(3);
  while (scale * 0x1p31f >= 1.0f) scale *= shrink;
  scale_ = scale;
  initialised_ = true;
  if (!seedSet_) {
    seed_ = clockSeedNow();
    seedSet_ = true;
  }
}

float RandomStream::uniformDeviate() {
  if (!initialised_) initialise();
  // Schrage: 16807 x - k (2^31 - 1) with k = x div 127773 equals
  // 16807 (x mod 127773) - 2836 k, which lies within the 32-bit range; the
  // unsigned arithmetic wraps to that same value.
  const std::int32_t k = seed_ / schrageQuotient;
  const std::uint32_t wrapped = static_cast<std::uint32_t>(multiplier) * static_cast<std::uint32_t>(seed_) -
                                static_cast<std::uint32_t>(k) * static_cast<std::uint32_t>(modulus);
  std::int32_t next = static_cast<std::int32_t>(wrapped);
  if (next < 0) next += modulus;
  seed_ = next;
  return static_cast<float>(next) * scale_;
}

void RandomStream::RNBIN(int nr, int n, float p, int* ir) {
  E1PSH("RNBIN ");
  int code = 1;
  checkIntRange(nr, "NR", 1, 0, code);
  checkIntRange(n, "N", 1, 0, code);
  if (N1RCD(0) == 0 && !(p > 0.0f && p < 1.0f)) {
    errStoreReal(1, p);
    E1MES(5, code, "The probability P = %(R1), but P must be greater than 0.0 and less than 1.0.");
  }
  if (N1RCD(0) == 0) binomialDeviates(nr, n, p, ir);
  E1POP("RNBIN ");
}

void RandomStream::binomialDeviates(int nr, int n, float p, int* ir) {
  const bool mirrored = p > 0.5f;
  const float pmin = mirrored ? 1.0f - p : p;
  const float q = 1.0f - pmin;
  const float xnp = static_cast<float>(n) * pmin;

  if (xnp > btpeThreshold) {
    if (!btpe_.valid || btpe_.n != n || btpe_.p != p) prepareBtpe(n, p, pmin);
    for (int i = 0; i < nr; ++i) {
      const int y = btpeDeviate();
      ir[i] = mirrored ? n - y : y;
    }
    return;
  }

  // Inversion: walk up the pmf from 0 with f(y) = f(y-1) (g/y - r). q^N is
  // taken from the exact complement of pmin, because the float q = 1 - pmin
  // is rounded and that rounding, raised to the power N, would misstate
  // every probability once N is large.
  const float eps = AMACH(3);
  const float qn = static_cast<float>(std::pow(1.0 - static_cast<double>(pmin), static_cast<double>(n)));
  const float r = pmin / q;
  const float g = r * static_cast<float>(static_cast<std::int64_t>(n) + 1);
  for (int i = 0; i < nr; ++i) {
    int y = 0;
    float f = qn;
    float cum = qn;
    const float u = uniformDeviate();
    if (u > cum) {
      // The walk also stops at N: rounding can leave the sum of the pmf
      // below the largest uniform, and no deviate may exceed N.
      while (!(cum > 1.0f - eps) && !(f < eps) && y < n) {
        ++y;
        f *= g / static_cast<float>(y) - r;
        cum += f;
        if (!(cum < u)) break;
      }
    }
    ir[i] = mirrored ? n - y : y;
  }
}

void RandomStream::prepareBtpe(int n, float p, float pmin) {
  BtpeSetup& s = btpe_;
  s.valid = true;
  s.n = n;
  s.p = p;
  s.pmin = pmin;
  s.q = 1.0f - pmin;
  s.xnp = static_cast<float>(n) * pmin;
  s.ffm = s.xnp + pmin;
  s.m = truncateKnown(s.ffm);  // at most N/2 + 1
  s.fm = static_cast<float>(s.m);
  s.xnpq = s.xnp * s.q;
  s.p1 = static_cast<float>(truncateKnown(2.195f * std::sqrt(s.xnpq) - 4.6f * s.q)) + 0.5f;
  s.xm = s.fm + 0.5f;
  s.xl = s.xm - s.p1;
  s.xr = s.xm + s.p1;
  s.c = 0.134f + 20.5f / (15.3f + s.fm);
  float a = (s.ffm - s.xl) / (s.ffm - s.xl * pmin);
  s.xll = a * (1.0f + 0.5f * a);
  a = (s.xr - s.ffm) / (s.xr * s.q);
  s.xlr = a * (1.0f + 0.5f * a);
  s.p2 = s.p1 * (1.0f + 2.0f * s.c);
  s.p3 = s.p2 + s.c / s.xll;
  s.p4 = s.p3 + s.c / s.xlr;
  s.r = pmin / s.q;
  s.g = s.r * static_cast<float>(static_cast<std::int64_t>(n) + 1);
}

// One deviate of Binomial(n, pmin) by BTPE (Kachitvichyanukul & Schmeiser,
// "Binomial random variate generation", CACM 31, 1988): the region under a
// triangle is accepted at once; the parallelogram and the two exponential
// tails are accepted by comparing v with f(y)/f(m), evaluated explicitly
// near the mode or far out, otherwise through a squeeze on ln f(y)/f(m) and
// finally Stirling's formula. Candidates that fall outside 0 .. n are
// rejected before any conversion to an integer.
int RandomStream::btpeDeviate() {
  const BtpeSetup& s = btpe_;
  const int n = s.n;
  const int m = s.m;
  for (;;) {
    const float u = uniformDeviate() * s.p4;
    float v = uniformDeviate();
    int y = 0;
    if (u <= s.p1) {
      // Triangle: the candidate lies in (xl, xr), inside 0 .. n.
      const auto t = truncateInt(s.xm - s.p1 * v + u);
      if (!t || *t < 0 || *t > n) continue;
      return *t;
    }
    if (u <= s.p2) {
      // Parallelogram.
      const float x = s.xl + (u - s.p1) / s.c;
      v = v * s.c + 1.0f - std::fabs(s.xm - x) / s.p1;
      if (v > 1.0f) continue;
      const auto t = truncateInt(x);
      if (!t || *t < 0 || *t > n) continue;
      y = *t;
    } else if (u <= s.p3) {
      // Left exponential tail.
      const auto t = truncateInt(s.xl + std::log(v) / s.xll);
      if (!t || *t < 0) continue;
      y = *t;
      v = v * (u - s.p2) * s.xll;
    } else {
      // Right exponential tail.
      const auto t = truncateInt(s.xr - std::log(v) / s.xlr);
      if (!t || *t > n) continue;
      y = *t;
      v = v * (u - s.p3) * s.xlr;
    }

    const int k = std::abs(y - m);
    if (k <= 20 || static_cast<float>(k) >= s.xnpq / 2.0f - 1.0f) {
      // f(y)/f(m) by the recurrence of the pmf.
      float f = 1.0f;
      if (m < y) {
        for (std::int64_t i = m + 1; i <= y; ++i) f *= s.g / static_cast<float>(i) - s.r;
      } else if (m > y) {
        for (std::int64_t i = y + 1; i <= m; ++i) f /= s.g / static_cast<float>(i) - s.r;
      }
      if (v <= f) return y;
      continue;
    }

    // Squeeze on ln(f(y)/f(m)) with the normal approximation.
    const float fk = static_cast<float>(k);
    const float amaxp = (fk / s.xnpq) * ((fk * (fk / 3.0f + 0.625f) + 0.16666667f) / s.xnpq + 0.5f);
    const float ynorm = -static_cast<float>(static_cast<std::int64_t>(k) * k) / (2.0f * s.xnpq);
    const float alv = std::log(v);
    if (alv < ynorm - amaxp) return y;
    if (alv > ynorm + amaxp) continue;

    // Final test: ln(f(y)/f(m)) by Stirling's formula.
    const float x1 = static_cast<float>(static_cast<std::int64_t>(y) + 1);
    const float f1 = s.fm + 1.0f;
    const float z = static_cast<float>(static_cast<std::int64_t>(n) + 1) - s.fm;
    const float w = static_cast<float>(static_cast<std::int64_t>(n) - y + 1);
    const float bound = s.xm * std::log(f1 / x1) + (static_cast<float>(n - m) + 0.5f) * std::log(z / w) +
                        static_cast<float>(y - m) * std::log(w * s.pmin / (x1 * s.q)) + stirlingTerm(f1) +
                        stirlingTerm(z) + stirlingTerm(x1) + stirlingTerm(w);
    if (alv <= bound) return y;
  }
}

void RandomStream::RNMTN(int nr, int n, int k, const float* p, int* ir, int ldir) {
  E1PSH("RNMTN ");
  int code = 1;
  checkIntRange(n, "N", 1, 0, code);
  checkIntRange(k, "K", 2, 0, code);
  checkIntRange(nr, "NR", 1, 0, code);
  checkIntRange(ldir, "LDIR", 1, 0, code);
  if (ldir >= 1) {
    checkIntRange(ldir, "LDIR", nr, 0, code);
  } else {
    ++code;  // already reported as below 1
  }

  if (N1RCD(0) == 0) {
    for (int j = 0; j < k; ++j) {
      if (!(p[j] > 0.0f && p[j] < 1.0f)) {
        errStoreInteger(1, j + 1);
        errStoreReal(1, p[j]);
        E1MES(5, code,
              "The probability P(%(I1)) = %(R1), but each element of P must be greater than 0.0 and less than 1.0.");
        break;
      }
    }
  }
  ++code;

  if (N1RCD(0) == 0) {
    float sum = 0.0f;
    for (int j = 0; j < k; ++j) sum += p[j];
    const float tolerance = static_cast<float>(k) * AMACH(4);
    if (sum < 1.0f - tolerance || sum > 1.0f + tolerance) {
      errStoreReal(1, sum);
      E1MES(5, code, "The total of the elements in P, is %(R1), but this total must be 1.0.");
    }
  }

  // The conditional probability of category j given that the trials did
  // not fall into categories 1 .. j-1: P(j) over the running complement of
  // the given probabilities. It is the same for every vector, so it is
  // computed once, and one that rounding has pushed out of (0, 1) is
  // reported by RNBIN before anything is drawn.
  std::vector<float> conditional;
  if (N1RCD(0) == 0) {
    conditional.resize(static_cast<std::size_t>(k - 1));
    float rest = 1.0f;
    for (int j = 0; j < k - 1; ++j) {
      const float pc = p[j] / rest;
      rest -= p[j];
      conditional[static_cast<std::size_t>(j)] = pc;
      if (!(pc > 0.0f && pc < 1.0f)) {
        int unused = 0;
        RNBIN(1, n, pc, &unused);
        break;
      }
    }
  }

  if (N1RCD(0) == 0) {
    const auto column = [&](int j) { return ir + static_cast<std::ptrdiff_t>(j) * ldir; };
    for (int i = 0; i < nr; ++i) {
      int total = 0;
      for (int j = 0; j < k - 1; ++j) {
        int& cell = column(j)[i];
        const int remaining = n - total;
        if (remaining >= 1) {
          binomialDeviates(1, remaining, conditional[static_cast<std::size_t>(j)], &cell);
          total += cell;
        } else {
          cell = 0;
        }
      }
      column(k - 1)[i] = n - total;
    }
  }
  E1POP("RNMTN ");
}

RandomStream& processRandomStream() {
  static RandomStream stream;
  return stream;
}

void seedProcessRandomStream(std::int32_t seed) { processRandomStream() = RandomStream(seed); }

}  // namespace tallyfold
