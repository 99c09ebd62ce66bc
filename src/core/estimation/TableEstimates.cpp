#include "estimation/TableEstimates.h"

#include "data/CountTable.h"
#include "estimation/Zelterman.h"

namespace tallyfold {

TableEstimates estimateTable(std::span<const std::int32_t> counts, std::optional<double> negBinExactness) {
  TableEstimates t;
  t.observed = observedUnits(counts);
  t.zelterman1 = zelterman1(counts);
  t.zelterman2 = zelterman2(counts);
  t.zelterman3 = zelterman3(counts);
  t.zelterman4 = zelterman4(counts);
  t.chao = chao(counts);
  if (negBinExactness) t.negativeBinomial = negativeBinomial(counts, *negBinExactness);
  return t;
}

}  // namespace tallyfold
