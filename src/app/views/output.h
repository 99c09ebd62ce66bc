#pragma once
// The "Results Window": one block per recorded fit size, then the Zelterman
// and Chao rows, drawn as graphics text at pixel positions, from the values
// of a calculation: its count table, the accepted fit size and the result
// tables (none when no mixture could be fitted).
#include <cstdint>
#include <optional>
#include <span>

#include "state/GlobalVar.h"

namespace tallyfold {

void showResults(std::span<const std::int32_t> counts, std::int32_t numComponents,
                 const std::optional<ResultTables>& tables);
// Draws the tables into window `unit` below y and leaves y below the last row.
void drawResultTables(int unit, int& y, std::span<const std::int32_t> counts, std::int32_t numComponents,
                      const std::optional<ResultTables>& tables);

}  // namespace tallyfold
