#pragma once
// Ascending sort of single-precision values.
namespace tallyfold {

// Copies ra[0..n-1] to rb[0..n-1] and sorts rb ascending. ra and rb may be
// the same array. n < 1 is a terminal error and nothing is sorted. The
// order among equal values is not preserved.
void SVRGN(int n, const float* ra, float* rb);

}  // namespace tallyfold
