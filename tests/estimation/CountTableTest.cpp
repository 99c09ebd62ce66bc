#include "estimation/CountTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tallyfold {
namespace {

TEST(CountTable, ObservedUnitsDoNotOverflow32Bits) {
  const std::vector<std::int32_t> counts{2147483647, 2147483647, 5};
  EXPECT_EQ(observedUnits(counts), 4294967299LL);
  EXPECT_EQ(observedUnits(std::vector<std::int32_t>{}), 0);
}

TEST(CountTable, ExplainsWhyATableCannotBeEstimated) {
  EXPECT_EQ(countTableProblem(std::vector<std::int32_t>{}), "The count data hold no count classes.");
  EXPECT_EQ(countTableProblem(std::vector<std::int32_t>{0, 0, 0}),
            "The count data hold no observed units: every count is zero.");
  // The first negative count is named by its line, even when the sum is
  // positive or zero.
  EXPECT_EQ(countTableProblem(std::vector<std::int32_t>{10, 5, -2, -1}),
            "The count data hold a negative count in line 3.");
  EXPECT_EQ(countTableProblem(std::vector<std::int32_t>{1, -1}), "The count data hold a negative count in line 2.");
  EXPECT_FALSE(countTableProblem(std::vector<std::int32_t>{0, 0, 1}).has_value());
  EXPECT_FALSE(countTableProblem(std::vector<std::int32_t>{7}).has_value());
}

}  // namespace
}  // namespace tallyfold
