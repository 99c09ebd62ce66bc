#include "ReplicateProgress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace tallyfold::cli {
namespace {

using std::chrono::seconds;

TEST(ReplicateProgress, TheLineTellsTheReplicatesTheRateAndTheTimeLeft) {
  EXPECT_EQ(progressBarLine(0, 200, seconds(0)), "replicate 0 of 200 [....................]");
  EXPECT_EQ(progressBarLine(50, 200, seconds(10)), "replicate 50 of 200 [#####...............]  5.0/s  30 s left");
  EXPECT_EQ(progressBarLine(10, 1000, seconds(10)),
            "replicate 10 of 1000 [....................]  1.0/s  16 min 30 s left");
  EXPECT_EQ(progressBarLine(200, 200, seconds(40)), "replicate 200 of 200 [####################]  5.0/s  0 s left");
  EXPECT_FALSE(showsReplicateProgress(true, true));
  EXPECT_FALSE(showsReplicateProgress(false, false));
  EXPECT_TRUE(showsReplicateProgress(false, true));
}

TEST(ReplicateProgress, TheBarIsDrawnInPlaceAndClearedAtTheEnd) {
  std::ostringstream err;
  {
    ReplicateProgress bar(&err);
    bar.update(1, 3);
    bar.update(3, 3);  // the last one is drawn however soon it comes
  }
  const std::string text = err.str();
  EXPECT_EQ(text.rfind("\rreplicate 1 of 3 [", 0), 0u) << text;
  EXPECT_NE(text.find("\rreplicate 3 of 3 [####################]"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 4), "\r\x1b[K");
  EXPECT_EQ(text.find('\n'), std::string::npos);
  ReplicateProgress silent(nullptr);
  silent.update(1, 1);  // draws nowhere
}

}  // namespace
}  // namespace tallyfold::cli
