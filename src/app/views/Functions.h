#pragma once
// The data window (the loaded table drawn into the start window, or the
// welcome text again after a failed read) and the removal of the results
// window before a new calculation.
#include <cstdint>
#include <span>

#include "data/CountData.h"

namespace tallyfold {

// The table of the shared state, and below it the form it was read in, n,
// m and, for a frequency table, the classes it did not give (read as 0).
void showData(CountForm form, std::span<const ClassRange> zeroFilled);
// The start window without a table, as before any data were read: after a
// failed read no table may stay on the screen.
void showNoData();
std::int32_t closeResultsWindow();

}  // namespace tallyfold
