#include "estimation/CutoffScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stop_token>
#include <vector>

#include "estimation/EMtrun.h"
#include "estimation/ZeroTruncated.h"
#include "estimation/Zelterman.h"
#include "estimation/ZtnbMle.h"

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;
const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};  // n = 275
const SearchSettings npmle{static_cast<double>(1.0e-7f), StopCriterion::npmle, 2};

TEST(CutoffScan, ARowIsTheEstimatorsOnTheCutTablePlusTheUnitsAbove) {
  // tau = 5: f(1..5) holds 245 units, 30 were seen more than five times.
  const Table cut{120, 60, 30, 20, 15};
  const CutoffRow row = cutoffRow(tenClasses, 5, npmle);
  EXPECT_EQ(row.observedBelow, 245);
  EXPECT_EQ(row.above, 30);
  const SearchResult fit = componentSearch(cut, npmle, false, {});
  EXPECT_EQ(row.npmleN, std::round(estimateNall(cut, fit.lambda, fit.weight)) + 30.0);
  EXPECT_EQ(row.chaoN, *chao(cut) + 275.0);
  EXPECT_EQ(row.z1N, *zelterman1(cut) + 275.0);
  const double lambda = truncatedPoissonMean(averageCount(cut));
  EXPECT_DOUBLE_EQ(*row.poissonN, 275.0 + 245.0 * std::exp(-lambda) / (1.0 - std::exp(-lambda)));
  const ZtnbFit ztnb = ztnbMle(cut);
  ASSERT_EQ(ztnb.status, ZtnbStatus::estimated);
  EXPECT_DOUBLE_EQ(*row.ztnbN, 275.0 + *ztnb.n0);

  const CutoffScanResult scan = cutoffScan(tenClasses, npmle);
  ASSERT_EQ(scan.rows.size(), 9u);
  EXPECT_EQ(scan.rows[3].cutoff, 5);
  EXPECT_EQ(scan.rows[3].npmleN, row.npmleN);
  std::stop_source stopped;
  stopped.request_stop();
  EXPECT_TRUE(cutoffScan(tenClasses, npmle, stopped.get_token()).stopped);
}

TEST(CutoffScan, EstimatorsWithoutAValueOnTheCutTableGiveNone) {
  // tau = 2 cuts {5, 0}: every unit seen once, no mixture, Poisson or ZTNB;
  // Chao takes the zero f2 as 0.5, as the system does: 25 + 10.
  const CutoffRow row = cutoffRow(Table{5, 0, 3, 2}, 2, npmle);
  EXPECT_FALSE(row.npmleN);
  EXPECT_FALSE(row.poissonN);
  EXPECT_FALSE(row.ztnbN);
  EXPECT_EQ(row.chaoN, 35.0);
  // Underdispersed: the ZTNB is in its Poisson limit and reports the Poisson's N.
  const CutoffRow flat = cutoffRow(Table{10, 5, 2, 0}, 3, npmle);
  ASSERT_TRUE(flat.ztnbN);
  EXPECT_NEAR(*flat.ztnbN, *flat.poissonN, 1e-9 * *flat.poissonN);
}

}  // namespace
}  // namespace tallyfold
