#pragma once
// The random stream of the system: one uniform generator and the binomial
// and multinomial deviates built on it, all in single precision.
//
// Uniform deviates come from the multiplicative congruential generator
// x := 16807 x mod (2^31 - 1) (Park & Miller 1988), stepped with Schrage's
// decomposition (Schrage 1979) so that only 32-bit integer arithmetic is
// needed. Binomial deviates use the BTPE acceptance-rejection method of
// Kachitvichyanukul & Schmeiser (1988) when N min(P, 1-P) exceeds 10, so
// the cost per deviate does not grow with N, and inversion from zero
// otherwise. Multinomial vectors are drawn as a chain of conditional
// binomials.
//
// A stream is an object: tests and the command-line program make their own
// from an explicit seed. The windowed program draws from the process-wide
// stream, which seeds itself from the local time of day at its first draw.
// A stream is not safe for concurrent use: only one thread may draw from it
// at a time.
#include <cstdint>

namespace tallyfold {

class RandomStream {
 public:
  // Seeded from the local time of day at the first draw (see clockSeed).
  RandomStream() = default;
  // Seeded with `seed`, 1 <= seed <= 2147483646; throws
  // std::invalid_argument otherwise.
  explicit RandomStream(std::int32_t seed);

  // A uniform deviate u with 0 < u < 1.
  float uniformDeviate();

  // Fills ir[0 .. nr-1] with independent Binomial(n, p) deviates.
  // nr >= 1, n >= 1, 0 < p < 1; a bad argument is reported through the
  // numerical error facility as a terminal error and nothing is drawn.
  void RNBIN(int nr, int n, float p, int* ir);

  // Fills the column-major matrix ir (nr rows, k columns, leading dimension
  // ldir >= nr) with nr independent multinomial vectors of n trials over k
  // categories with probabilities p[0 .. k-1]; ir[(j-1)*ldir + (i-1)] is the
  // number of trials of vector i in category j. Every vector sums to n. The
  // probabilities must lie in (0, 1) and sum to 1 within k * 2^-23; they are
  // used as given. A bad argument is reported as a terminal error and
  // nothing is drawn.
  void RNMTN(int nr, int n, int k, const float* p, int* ir, int ldir);

  // The current state of the generator; 0 while a clock-seeded stream has
  // not drawn yet.
  std::int32_t seed() const { return seed_; }

  // The seed taken from the time of day: 10000 h + 100 m + s + 1, or 123457
  // when that is not above 1 (only at 00:00:00).
  static int clockSeed(int hour, int minute, int second);

 private:
  // BTPE setup for one (N, P): every quantity that depends only on them.
  struct BtpeSetup {
    bool valid = false;
    int n = 0;
    float p = 0.0f;
    float pmin = 0.0f, q = 0.0f, xnp = 0.0f, ffm = 0.0f;
    int m = 0;
    float fm = 0.0f, xnpq = 0.0f, p1 = 0.0f, xm = 0.0f, xl = 0.0f, xr = 0.0f, c = 0.0f;
    float xll = 0.0f, xlr = 0.0f, p2 = 0.0f, p3 = 0.0f, p4 = 0.0f, r = 0.0f, g = 0.0f;
  };

  void initialise();
  // Draws without checking the arguments (n >= 1, 0 < p < 1).
  void binomialDeviates(int nr, int n, float p, int* ir);
  void prepareBtpe(int n, float p, float pmin);
  int btpeDeviate();

  std::int32_t seed_ = 0;
  float scale_ = 0.0f;
  bool initialised_ = false;
  bool seedSet_ = false;
  BtpeSetup btpe_;
};

// The seed from the local time of day now (RandomStream::clockSeed): what a
// stream without a seed takes at its first draw, and the command-line
// program's seed when none is given.
std::int32_t clockSeedNow();

// The stream of the whole process, clock-seeded at its first draw.
RandomStream& processRandomStream();

// Restarts the process-wide stream from an explicit seed (the command-line
// program's --seed); same range and exception as RandomStream(seed).
void seedProcessRandomStream(std::int32_t seed);

}  // namespace tallyfold
