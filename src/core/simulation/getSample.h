#pragma once
// Simulated count data: a probability vector over K categories is built
// from a model of the population, normalised, and NR independent samples
// are drawn at once as multinomial vectors (RNMTN).
//
// The result is an NR x K table, one row per replicate, one column per
// category (column-major, as RNMTN fills it). For the two model-based
// generators column x holds the number of units with count x - 1, so column
// 1 is the zero class; dropping it is the caller's step. For
// drawFromFrequencies the meaning of the columns is the caller's.
//
// The probabilities are single precision because RNMTN takes them so. Bad
// arguments (K < 2, a total below 1, a probability outside (0, 1) after
// normalisation, a non-positive mean) are reported by RNMTN and POIPR as
// terminal errors of the numerical error facility; nothing is drawn then.
//
// With a stop request the replicates are drawn in chunks and the request is
// looked at between them; once it is seen the draw ends and the table means
// nothing (the caller tells by stop.stop_requested()). The stream gives the
// same numbers either way, since RNMTN draws one replicate after another.
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "common/Matrix.h"
#include "estimation/EMtrun_alg.h"

namespace tallyfold {

class RandomStream;

using SampleTable = Matrix<std::int32_t>;

// Nonparametric: probabilities proportional to freq(1..K), sample size
// n = sum of freq. An empty class gets the probability 1.0E-6 before the
// normalisation, so it can still receive units.
SampleTable drawFromFrequencies(std::span<const std::int32_t> freq, int nr, RandomStream& stream,
                                std::stop_token stop = {});

// Parametric: a mixture of Poisson distributions with means lambda(1..c)
// and weights weight(1..c), conditioned on the counts 0 .. k-1; each
// replicate has n units. The weights need not sum to 1.
SampleTable drawFromPoissonMixture(int k, std::span<const double> lambda, std::span<const double> weight, int nr,
                                   std::int32_t n, RandomStream& stream, std::stop_token stop = {});

// Negative binomial (Poisson-Gamma) with probability alpha and shape kappa
// over the counts 0 .. k-1; each replicate has n units. Logs one "spi="
// line per class (the probability before a zero is replaced by 1.0E-9) and
// the line "test1" (not when stopped).
SampleTable drawFromNegativeBinomial(double alpha, double kappa, int k, std::int32_t n, int nr, RandomStream& stream,
                                     const LogSink& log, std::stop_token stop = {});

// The normalised probability vectors the three generators draw from (the
// negative binomial logs its "spi=" lines while building, as above). A
// caller may check them with undrawableCategory before it draws.
std::vector<float> frequencyProbabilities(std::span<const std::int32_t> freq);
std::vector<float> poissonMixtureProbabilities(int k, std::span<const double> lambda, std::span<const double> weight);
std::vector<float> negativeBinomialProbabilities(double alpha, double kappa, int k, const LogSink& log);

// The first category (1-based) that RNMTN would refuse: a probability
// outside (0, 1), or a conditional probability p(j) / (1 - p(1) - ... -
// p(j-1)) outside (0, 1) in RNMTN's single-precision arithmetic (a long
// tail of tiny probabilities can leave a remainder that rounding has made
// smaller than the next probability). None when every category can be
// drawn. Fewer than two categories give category 1.
std::optional<int> undrawableCategory(std::span<const float> p);

// Row r (1-based) of a sample table, columns first..last.
std::vector<std::int32_t> sampleRow(const SampleTable& samples, int r, int first, int last);

}  // namespace tallyfold
