#pragma once
// Nearest integer, halves away from zero: add 0.5 to a non-negative value,
// subtract 0.5 from a negative one, then truncate. Used wherever an estimate
// is shown or stored as a whole number.
#include <cstdint>
#include <optional>

namespace tallyfold {

// The rounded value as a 32-bit integer, or no value when x is not finite
// or its rounded value lies outside the 32-bit range.
std::optional<std::int32_t> nearestInt(double x);

// The same rounding kept in double precision (NaN and infinities pass
// through unchanged), for results that are stored as whole doubles.
double nearestWhole(double x);

// Truncation toward zero into 32 bits, with the same refusal of values that
// do not fit.
std::optional<std::int32_t> truncateInt(double x);

}  // namespace tallyfold
