#pragma once
// Poisson probability of a single count, in single precision.
namespace tallyfold {

// P(X = k) for X ~ Poisson(theta). A negative k has probability 0 (reported
// as a note); theta must be positive (terminal error, result NaN).
// Probabilities below the smallest normalised float are returned as 0.
float POIPR(int k, float theta);

}  // namespace tallyfold
