#include "estimation/ChaoInterval.h"

#include <gtest/gtest.h>

#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

TEST(ChaoInterval, TenClassesWorkedByHand) {
  // examples/tenclasses.txt: n = 275, f1 = 120, f2 = 60, so f0 = 120, r = 2,
  // var = 60 (4 + 8 + 2) = 840, var / f0^2 = 0.0583333, z = 1.959964,
  // C = exp(1.959964 sqrt(ln 1.0583333)) = 1.594695.
  const Table tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
  const std::optional<ChaoInterval> interval = chaoInterval(tenClasses, 0.95);
  ASSERT_TRUE(interval);
  EXPECT_NEAR(interval->se, 28.98275, 1e-5);
  EXPECT_NEAR(interval->lower, 350.2495, 1e-4);  // 275 + 120 / C
  EXPECT_NEAR(interval->upper, 466.3635, 1e-4);  // 275 + 120 C
  EXPECT_EQ(interval->level, 0.95);
  // A lower level narrows the interval around the same centre.
  const std::optional<ChaoInterval> narrow = chaoInterval(tenClasses, 0.5);
  EXPECT_GT(narrow->lower, interval->lower);
  EXPECT_LT(narrow->upper, interval->upper);
}

TEST(ChaoInterval, DegenerateTables) {
  // f1 = 0: nothing unseen and no spread.
  const std::optional<ChaoInterval> none = chaoInterval(Table{0, 4, 3}, 0.95);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->se, 0.0);
  EXPECT_EQ(none->lower, 7.0);
  EXPECT_EQ(none->upper, 7.0);
  // f2 = 0 (also one class), an empty table, a level outside (0, 1): no value, a reason.
  for (const auto& [table, level] : {std::pair{Table{5, 0, 2}, 0.95}, std::pair{Table{9}, 0.95},
                                     std::pair{Table{0, 0}, 0.95}, std::pair{Table{5, 2}, 1.0}}) {
    EXPECT_FALSE(chaoInterval(table, level));
    EXPECT_TRUE(chaoIntervalProblem(table, level));
  }
  EXPECT_EQ(*chaoIntervalProblem(Table{5, 0, 2}, 0.95), "f2 = 0: f1*f1/(2*f2) and its variance divide by zero");
}

}  // namespace
}  // namespace tallyfold
