#include "estimation/CutoffScanText.h"

#include "common/FieldLayout.h"
#include "estimation/ResultFormat.h"

namespace tallyfold {

namespace {

// Poisson and ZTNB N are not rounded by their engines; shown, like every
// N, as the nearest whole number.
std::string cell(const std::optional<double>& value) { return formatWhole(value ? wholeEstimate(*value) : value, 12); }

}  // namespace

std::vector<std::string> cutoffScanLines(std::span<const CutoffRow> rows) {
  std::vector<std::string> lines;
  lines.push_back(" Fits of the classes x <= tau; every N adds back the units seen more than tau times");
  lines.push_back("   tau    n(tau)   Poisson N     NPMLE N      Chao N        Z1 N      ZTNB N");
  for (const CutoffRow& r : rows) {
    lines.push_back(formatI(r.cutoff, 6) + formatI(r.observedBelow, 10) + cell(r.poissonN) + cell(r.npmleN) +
                    cell(r.chaoN) + cell(r.z1N) + cell(r.ztnbN));
  }
  return lines;
}

}  // namespace tallyfold
