#include "data/FrequencyTable.h"

#include <gtest/gtest.h>

namespace tallyfold {
namespace {

TEST(FrequencyTable, ReadsEachSeparatorHeaderAndOrderFillingMissingClassesWithZero) {
  struct Case {
    const char* text;
    std::vector<std::int32_t> counts;
    std::vector<ClassRange> zeroFilled;
  };
  const Case cases[] = {
      {"x,f\n1,43\n2,16\n4,6\n", {43, 16, 0, 6}, {{3, 3}}},
      {"j;f_j\r\n3;1\r\n1;5\r\n", {5, 0, 1}, {{2, 2}}},
      {"frequency count\n1 4  \n2\t\t3\t\n\n", {4, 3}, {}},
      {"# counted twice\n\n\"x\",\"f\"\n\"2\",\"7\"\n  # late note\n1 , 3\n", {3, 7}, {}},
      {"6\t0\n1\t5\n", {5, 0, 0, 0, 0, 0}, {{2, 5}}},  // a given zero is not filled
      {"+2;+3", {0, 3}, {{1, 1}}},
      {"1;4,5\n", {}, {}},  // a decimal comma is no count
  };
  for (const Case& c : cases) {
    const FrequencyTable table = parseFrequencyTable(c.text);
    EXPECT_EQ(table.problem.has_value(), c.counts.empty()) << c.text;
    EXPECT_EQ(table.counts, c.counts) << c.text;
    EXPECT_EQ(table.zeroFilled, c.zeroFilled) << c.text;
  }
}

TEST(FrequencyTable, RefusesTheFirstBadLineNamingItAndItsValue) {
  const std::string longItem(50, '7');
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"x,f\n1,5\n0,3\n", "line 3: the class x = 0 is refused: f(0), the units never seen, is what is estimated"},
      {"1,5\n2,3\n+1,4\n", "line 3: the class x = 1 is given again (first on line 1)"},
      {"1,5\n-2,3\n", "line 2: the class x = -2 is negative"},
      {"1.5,3\n", "line 1: the class '1.5' is not a whole number"},
      {"1,5\nx,f\n", "line 2: the class 'x' is not a whole number"},  // a header comes first
      {"1,2.5\n", "line 1: the count '2.5' of class 1 is not a whole number"},
      {"2,-1\n", "line 1: the count f(2) = -1 is negative"},
      {"x,f\n1,5,7\n", "line 2: '1,5,7' is not a class x and its count f(x)"},
      {"1,1\n10000001,1\n", "line 2: the class x = 10000001 is larger than 10000000, the largest class read"},
      {"1," + longItem + "\n",
       "line 1: the count f(1) = " + longItem.substr(0, 40) + "... lies outside the 32-bit range"},
      {"1,2147483647\n2,1\n", "line 2: the count f(2) = 1 takes the sum of the counts beyond the 32-bit range"},
      {"x,f\n# nothing yet\n", "no line holds a class x and its count f(x)"},
      // The earliest bad line is named, whichever check finds it.
      {"1,5\n1,3\nabc,1\n", "line 2: the class x = 1 is given again (first on line 1)"},
      {"1,5\nabc,1\n1,3\n", "line 2: the class 'abc' is not a whole number"},
  };
  for (const Case& c : cases) {
    const FrequencyTable table = parseFrequencyTable(c.text);
    ASSERT_TRUE(table.problem.has_value()) << c.text;
    EXPECT_EQ(describeTableProblem(*table.problem), c.message);
    EXPECT_TRUE(table.counts.empty() && table.zeroFilled.empty()) << "no partial table for " << c.text;
  }
}

TEST(FrequencyTable, ClassRangesAreListedThenSummedUp) {
  const std::vector<ClassRange> ranges{{2, 2}, {5, 9}, {12, 13}};
  EXPECT_EQ(classRangesText({}), "none");
  EXPECT_EQ(classRangesText(ranges), "2, 5-9, 12-13");
  EXPECT_EQ(classRangesText(ranges, 2), "2, 5-9, ... (8 classes in 3 ranges in all)");
}

}  // namespace
}  // namespace tallyfold
