#pragma once
// The "Results Window": one block per recorded fit size, then the Zelterman
// and Chao rows and the negative binomial, drawn as graphics text at pixel positions, from the values
// of a calculation: its count table, the accepted fit size and the result
// tables (none when no mixture could be fitted).
#include <cstdint>
#include <optional>
#include <span>

#include "estimation/Identifiability.h"
#include "state/GlobalVar.h"

namespace tallyfold {

void showResults(std::span<const std::int32_t> counts, std::int32_t numComponents,
                 const std::optional<ResultTables>& tables);
// Draws the tables into window `unit` below y and leaves y below the last row.
void drawResultTables(int unit, int& y, std::span<const std::int32_t> counts, std::int32_t numComponents,
                      const std::optional<ResultTables>& tables);
// Below the tables: the system's negative-binomial estimate (PMLE(negB),
// with the calculation's exactness) and the zero-truncated negative
// binomial's maximum likelihood; y is left below the block.
void drawNegativeBinomialBlock(int unit, int& y, std::span<const std::int32_t> counts, double exactness);
// Where the accepted fit does not identify N0, says so and names Chao's
// estimate as the lower bound; nothing otherwise.
void drawIdentificationNote(int unit, int& y, std::span<const std::int32_t> counts, const Identifiability& id);

}  // namespace tallyfold
