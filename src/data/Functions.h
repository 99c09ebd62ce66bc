#pragma once
// The data window (the loaded table drawn into the start window) and the
// removal of the results window before a new calculation.
#include <cstdint>

namespace tallyfold {

void showData();
std::int32_t closeResultsWindow();

}  // namespace tallyfold
