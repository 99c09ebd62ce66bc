#include "estimation/ChaoInterval.h"

#include <gtest/gtest.h>

#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

TEST(ChaoInterval, TenClassesWorkedByHand) {
  // examples/tenclasses.txt: n = 275, f1 = 120, f2 = 60, so f0 = 120, r = 2,
  // var = 60 (4 + 8 + 2) = 840, z = 1.959964 and
  // C = exp(1.959964 sqrt(ln(1 + 840 / 14400))) = 1.594695.
  const std::optional<ChaoInterval> interval = chaoInterval(Table{120, 60, 30, 20, 15, 10, 8, 6, 4, 2}, 0.95);
  ASSERT_TRUE(interval);
  EXPECT_NEAR(interval->se, 28.98275, 1e-5);
  EXPECT_NEAR(interval->lower, 350.2495, 1e-4);  // 275 + 120 / C
  EXPECT_NEAR(interval->upper, 466.3635, 1e-4);  // 275 + 120 C
}

TEST(ChaoInterval, DegenerateTables) {
  const std::optional<ChaoInterval> noSingles = chaoInterval(Table{0, 4, 3}, 0.95);
  ASSERT_TRUE(noSingles);
  EXPECT_EQ(noSingles->se, 0.0);
  EXPECT_EQ(noSingles->lower, 7.0);
  EXPECT_EQ(noSingles->upper, 7.0);
  // f2 = 0 (also a single class), no units, a level outside (0, 1).
  for (const auto& [table, level] : {std::pair{Table{5, 0, 2}, 0.95}, std::pair{Table{9}, 0.95},
                                     std::pair{Table{0, 0}, 0.95}, std::pair{Table{5, 2}, 1.0}}) {
    EXPECT_FALSE(chaoInterval(table, level));
    EXPECT_TRUE(chaoIntervalProblem(table, level));
  }
}

}  // namespace
}  // namespace tallyfold
