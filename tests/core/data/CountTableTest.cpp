#include "data/CountTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tallyfold {
namespace {

using Table = std::vector<std::int32_t>;

TEST(CountTable, SumsIn64BitsAndExplainsUnusableTables) {
  EXPECT_EQ(observedUnits(Table{2147483647, 2147483647, 5}), 4294967299LL);
  EXPECT_EQ(countTableProblem(Table{}), "The count data hold no count classes.");
  EXPECT_EQ(countTableProblem(Table{0, 0, 0}), "The count data hold no observed units: every count is zero.");
  // The first negative count is named by its line, whatever the sum.
  EXPECT_EQ(countTableProblem(Table{10, 5, -2, -1}), "The count data hold a negative count in line 3.");
  EXPECT_FALSE(countTableProblem(Table{0, 0, 1}).has_value());
}

}  // namespace
}  // namespace tallyfold
