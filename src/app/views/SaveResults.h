#pragma once
// "Save Results As…" of the File menu: the active text window's content as
// text, or, for the results window and the "Simulation Results" window, as
// CSV (a header row, one row per fit or per estimator, full precision) or
// as the JSON tallyfold-cli writes for the same data, settings and seed.
// The extension (.txt, .csv, .json) picks the form, else the chosen
// filter. A file that exists is replaced only after the user confirms; a
// failed write says why and leaves the old file as it was.
#include <cstdint>
#include <optional>
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
// A run's summary as CSV, one row per estimator; the last column is the
// seed of the run (empty when it has none).
std::string summaryCsv(const SimulationSummary& summary, std::optional<std::int32_t> seed);

// The calculation as tallyfold-cli estimate --json writes it for the same
// file and settings (Chao's interval at the default level, no curves, no
// cut-off rows).
std::string resultsJson(const CalculationRecord& calculation);

void saveResultsAs();

}  // namespace tallyfold
