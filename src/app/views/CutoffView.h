#pragma once
// The "Cut-off Analysis" window: per cut-off tau the estimates of the
// classes x <= tau with the units seen more often added back.
#include <span>
#include <string_view>

#include "estimation/CutoffScan.h"

namespace tallyfold {

inline constexpr std::string_view cutoffAnalysisTitle = "Cut-off Analysis";

// Opens (or replaces) the window with the rows of a finished scan.
void showCutoffAnalysis(std::span<const CutoffRow> rows);

}  // namespace tallyfold
