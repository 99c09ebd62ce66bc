#include "estimation/ClosedFormRows.h"

#include <optional>

#include "estimation/Zelterman.h"

namespace tallyfold {

namespace {

ClosedFormEstimate closedFormRow(const char* label, WholeEstimate n0, std::int64_t n,
                                 std::optional<std::string> problem) {
  ClosedFormEstimate row{label, n0, plusObservedUnits(n0, n), {}};
  if (!row.n0 || !row.n) row.reason = problem.value_or("no finite value");
  return row;
}

}  // namespace

ClosedFormRows closedFormEstimates(std::span<const std::int32_t> counts, const TableEstimates& t) {
  const std::int64_t n = t.observed;
  const std::optional<std::string> zelterman = zeltermanProblem(counts);
  return {{closedFormRow("lam=2f2/f1", t.zelterman1, n, zelterman),
           closedFormRow("lam=(2f2+3f3)/(f1+f2)", t.zelterman2, n, zelterman),
           closedFormRow("lam=(2f2+3f3+4f4)/(f1+f2+f3)", t.zelterman3, n, zelterman),
           closedFormRow("lam=(2f2+3f3+4f4+5f5)/(f1+f2+f3+f4)", t.zelterman4, n, zelterman)},
          closedFormRow("f0=f1*f1/(2*f2)", t.chao, n, chaoProblem(counts))};
}

ClosedFormEstimate negativeBinomialRow(const NegBinResult& fit) { return {"PMLE(negB)", fit.n0, fit.n, fit.reason}; }

}  // namespace tallyfold
