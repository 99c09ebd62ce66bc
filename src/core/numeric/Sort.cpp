#include "numeric/Sort.h"

#include <array>
#include <cstring>

#include "numeric/ErrorReporting.h"

namespace tallyfold {

namespace {

// Singleton's quicksort (R. C. Singleton, "Algorithm 347: An efficient
// algorithm for sorting with minimal storage", CACM 12(3), 1969) with a
// split fraction that moves between segments, median-of-three pivots and a
// straight insertion sort for short segments that do not start the array.
//
// The bounds i, j, k, l are the algorithm's 1-based positions; a(q) is the
// element at position q of data[0..n-1].
void singletonSort(float* data, int n) {
  const auto a = [data](int q) -> float& { return data[q - 1]; };
  // The smaller part of every split is sorted first and the larger one
  // waits, so each waiting segment is at most half of the one below it:
  // 32 entries cover any int length.
  std::array<int, 32> lower{};
  std::array<int, 32> upper{};
  int depth = 0;

  int i = 1;
  int j = n;
  float r = 0.375f;

  enum class Step { top, partition, choose, insertion, pop };
  Step step = Step::top;
  for (;;) {
    switch (step) {
      case Step::top:
        if (i == j) {
          step = Step::pop;
          break;
        }
        // Move the split fraction (within about 0.41 .. 0.63) so that ordered
        // or patterned input does not meet the same pivot position each time.
        if (r > 0.5898437f) {
          r -= 0.21875f;
        } else {
          r += 0.0390625f;
        }
        step = Step::partition;
        break;

      case Step::partition: {
        // Median of a(i), a(p), a(j) becomes the pivot t, left at p, with
        // a(i) <= t <= a(j) as sentinels for both scans.
        const int p = i + static_cast<int>(static_cast<float>(j - i) * r);
        float t = a(p);
        if (a(i) > t) {
          a(p) = a(i);
          a(i) = t;
          t = a(p);
        }
        if (a(j) < t) {
          a(p) = a(j);
          a(j) = t;
          t = a(p);
          if (a(i) > t) {
            a(p) = a(i);
            a(i) = t;
            t = a(p);
          }
        }
        int k = i;
        int l = j;
        for (;;) {
          do {
            --l;
          } while (a(l) > t);
          do {
            ++k;
          } while (a(k) < t);
          if (k > l) break;
          if (a(k) != a(l)) {
            const float swap = a(k);
            a(k) = a(l);
            a(l) = swap;
          }
        }
        // Keep the larger part for later, go on with the smaller one.
        if (l - i <= j - k) {
          lower[static_cast<std::size_t>(depth)] = k;
          upper[static_cast<std::size_t>(depth)] = j;
          j = l;
        } else {
          lower[static_cast<std::size_t>(depth)] = i;
          upper[static_cast<std::size_t>(depth)] = l;
          i = k;
        }
        ++depth;
        step = Step::choose;
        break;
      }

      case Step::choose:
        if (j - i > 10) {
          step = Step::partition;
        } else if (i == 1) {
          // No element left of the segment to stop the insertion scan.
          step = Step::top;
        } else {
          step = Step::insertion;
        }
        break;

      case Step::insertion:
        // a(i - 1) is not greater than any element of the segment; the
        // scan is also bounded by i so that unordered input (NaN) can never
        // lead it outside the segment.
        for (int q = i; q < j; ++q) {
          if (a(q) > a(q + 1)) {
            const float t = a(q + 1);
            int m = q;
            do {
              a(m + 1) = a(m);
              --m;
            } while (m >= i && t < a(m));
            a(m + 1) = t;
          }
        }
        step = Step::pop;
        break;

      case Step::pop:
        if (depth == 0) return;
        --depth;
        i = lower[static_cast<std::size_t>(depth)];
        j = upper[static_cast<std::size_t>(depth)];
        step = Step::choose;
        break;
    }
  }
}

}  // namespace

void SVRGN(int n, const float* ra, float* rb) {
  E1PSH("SVRGN");
  if (n < 1) {
    errStoreInteger(1, n);
    E1MES(5, 1, "N = %(I1).  The length of RA and RB, N, must be greater than or equal to one.");
  }
  if (N1RCD(0) == 0) {
    if (ra != rb) std::memmove(rb, ra, static_cast<std::size_t>(n) * sizeof(float));
    singletonSort(rb, n);
  }
  E1POP("SVRGN");
}

}  // namespace tallyfold
