#pragma once
// An estimate of a number of units (N0, N) as the system shows it: rounded
// to the nearest whole number, halves away from zero, and kept in double
// precision, so that a value beyond the 32-bit range is still the value
// (exact up to 2^53, the rounded double beyond). No value when the
// computation has no finite result.
#include <cstdint>
#include <optional>

namespace tallyfold {

using WholeEstimate = std::optional<double>;

// x rounded to the nearest whole number, or no value when x is not finite.
WholeEstimate wholeEstimate(double x);

// n + N0, or no value when N0 has none.
WholeEstimate plusObservedUnits(WholeEstimate n0, std::int64_t n);

// The estimate as a 32-bit integer, for the tables that hold 32 bits (the
// simulation and bootstrap tables, the results window): no value beyond
// that range.
std::optional<std::int32_t> narrowEstimate(WholeEstimate value);

// Whether a whole double converts to a 64-bit integer: -2^63 <= v < 2^63.
inline bool fitsIn64Bits(double v) { return v >= -0x1p63 && v < 0x1p63; }

}  // namespace tallyfold
