#pragma once
// "Save Results As…" of the File menu: the active text window's content as
// text, or, for the results window and the "Simulation Results" window, as
// CSV (a header row, one row per fit or per estimator, full precision). A
// file that exists is replaced only after the user confirms; a failed write
// says why and leaves the old file as it was.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "simulation/SimulationSummary.h"
#include "state/GlobalVar.h"

namespace tallyfold {

inline constexpr std::string_view saveResultsCaption = "Save Results As\u2026";

// The results as CSV: one row per recorded fit up to numComponents, then
// one per closed form and the negative binomial (with `exactness`).
std::string resultsCsv(std::span<const std::int32_t> counts, std::int32_t numComponents, const ResultTables& tables,
                       double exactness);
// A run's summary as CSV, one row per estimator.
std::string summaryCsv(const SimulationSummary& summary);

void saveResultsAs();

}  // namespace tallyfold
