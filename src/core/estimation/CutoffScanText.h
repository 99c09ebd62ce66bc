#pragma once
// The lines of a cut-off scan, as the "Cut-off Analysis" window and the
// command-line program show them: a heading and one line per cut-off.
#include <span>
#include <string>
#include <vector>

#include "estimation/CutoffScan.h"

namespace tallyfold {

std::vector<std::string> cutoffScanLines(std::span<const CutoffRow> rows);

}  // namespace tallyfold
