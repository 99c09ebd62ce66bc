#pragma once
// "&Cut-off Analysis" of the Calculation menu: the cut-off scan of the
// loaded table under the calculation's settings (exactness, criterion,
// maximum components), run on a worker like every computation and
// stoppable; its rows go to the "Cut-off Analysis" window.
#include <string_view>

namespace tallyfold {

inline constexpr std::string_view cutoffAnalysisCaption = "&Cut-off Analysis";

void startCutoffAnalysis();

}  // namespace tallyfold
