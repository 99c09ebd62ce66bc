#include "HelpText.h"

#include <gtest/gtest.h>

#include <vector>

namespace tallyfold::cli {
namespace {

TEST(HelpText, WritesDefaultsAsTheHelpShowsThem) {
  EXPECT_EQ(exponentText(1.0e-7f), "1.0E-7");
  EXPECT_EQ(exponentText(2.5e-10f), "2.5E-10");
  EXPECT_EQ(exponentText(3.0e12f), "3.0E12");
  EXPECT_EQ(commaList(std::vector<double>{2.0, 4.0}), "2,4");
  EXPECT_EQ(commaList(std::vector<double>{0.5, 0.25, 0.25}), "0.5,0.25,0.25");
  EXPECT_EQ(defaultNote(15), " (default 15)");
  EXPECT_EQ(defaultNote("max"), " (default max)");
}

}  // namespace
}  // namespace tallyfold::cli
