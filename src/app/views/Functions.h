#pragma once
// The data window (the loaded table drawn into the start window, or the
// welcome text again after a failed read) and the removal of the results
// window before a new calculation.
#include <cstdint>

namespace tallyfold {

void showData();
// The start window without a table, as before any data were read: after a
// failed read no table may stay on the screen.
void showNoData();
std::int32_t closeResultsWindow();

}  // namespace tallyfold
