#include "numeric/PoissonProbability.h"

#include <cmath>
#include <cstdint>

#include "numeric/ErrorReporting.h"
#include "numeric/GammaFunctions.h"
#include "numeric/MachineConstants.h"

namespace tallyfold {

float POIPR(int k, float theta) {
  E1PSH("POIPR");
  float result = 0.0f;
  // Written as "not positive" so that a NaN mean is refused as well.
  if (!(theta > 0.0f)) {
    errStoreReal(1, theta);
    E1MES(5, 2, "The mean of the Poisson distribution, THETA = %(R1), must be positive.");
    result = AMACH(6);
  } else if (k < 0) {
    errStoreInteger(1, k);
    E1MES(1, 1, "Since the input value, K = %(I1), is less than 0, the probability function is set to 0.");
    result = 0.0f;
  } else {
    // ln P = k ln theta - ln k! - theta; k + 1 is formed in 64 bits so that
    // the largest int does not overflow.
    const float kPlusOne = static_cast<float>(static_cast<std::int64_t>(k) + 1);
    const float t = static_cast<float>(k) * std::log(theta) - (ALNGAM(kPlusOne) + theta);
    result = t >= std::log(AMACH(1)) ? std::exp(t) : 0.0f;
  }
  E1POP("POIPR");
  return result;
}

}  // namespace tallyfold
