// Draws a long-tailed count table for the search benchmarks with the
// project's own sampler: one multinomial sample of n units from a mixture of
// C Poisson distributions (eight unless given) with equal weights and means
// log-spaced from 0.5 to `top`, conditioned on the counts 0 .. m; the zero class is dropped,
// so the table has the classes 1 .. m. Prints f(1) .. f(m), one a line.
//
//   draw_long_tail M TOP N SEED [C]
//
// bench/data/longtail265.txt is `draw_long_tail 265 250 20000 265`. Longer
// tables need more components, or the gaps between the means hold classes
// whose single-precision probability is zero, which the sampler refuses.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "numeric/RandomStream.h"
#include "simulation/getSample.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: draw_long_tail M TOP N SEED [C]\n");
    return 1;
  }
  const int m = std::atoi(argv[1]);
  const double top = std::atof(argv[2]);
  const int n = std::atoi(argv[3]);
  const int seed = std::atoi(argv[4]);
  const int components = argc == 6 ? std::atoi(argv[5]) : 8;
  constexpr double bottom = 0.5;
  std::vector<double> lambda(components);
  std::vector<double> weight(components, 1.0 / components);
  for (int j = 0; j < components; ++j) {
    lambda[j] = bottom * std::pow(top / bottom, static_cast<double>(j) / (components - 1));
  }
  tallyfold::RandomStream stream(seed);
  const tallyfold::SampleTable sample = tallyfold::drawFromPoissonMixture(m + 1, lambda, weight, 1, n, stream);
  for (const std::int32_t f : tallyfold::sampleRow(sample, 1, 2, m + 1)) std::printf("%d\n", f);
  return 0;
}
