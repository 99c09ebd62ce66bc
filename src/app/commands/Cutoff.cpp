#include "commands/Cutoff.h"

#include <memory>
#include <vector>

#include "commands/BusyGuard.h"
#include "commands/CommandSupport.h"
#include "estimation/CutoffScan.h"
#include "state/GlobalVar.h"
#include "views/CutoffView.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void startCutoffAnalysis() {
  if (refuseWhileBusy() || !requireEstimableData()) return;
  const GlobalVar& g = globalVar();
  const SearchSettings settings{g.exactness, g.stopCriterion, g.maxComponents, defaults::searchThreads};
  startJob([counts = g.counts, settings](std::stop_token stop) -> std::optional<JobFinish> {
    CutoffScanResult scan = cutoffScan(counts, settings, stop);
    if (scan.stopped) return std::nullopt;
    auto rows = std::make_shared<const std::vector<CutoffRow>>(std::move(scan.rows));
    return [rows] { showCutoffAnalysis(*rows); };
  });
}

}  // namespace tallyfold
