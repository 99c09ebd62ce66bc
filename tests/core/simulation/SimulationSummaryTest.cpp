#include "simulation/SimulationSummary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tallyfold {
namespace {

using Values = std::vector<Estimate>;

// Tables whose row j holds the given values in every estimator row, shifted
// by 100 (j - 1) so that the columns differ.
EstimateTables tablesOf(int estimators, const Values& values, const Values& unobserved) {
  EstimateTables t(estimators, static_cast<int>(values.size()));
  for (int j = 1; j <= estimators; ++j) {
    for (int r = 1; r <= t.replications(); ++r) {
      const Estimate& v = values[static_cast<std::size_t>(r - 1)];
      const Estimate& u = unobserved[static_cast<std::size_t>(r - 1)];
      t.estimates(j, r) = v ? Estimate(*v + 100 * (j - 1)) : std::nullopt;
      t.unobserved(j, r) = u;
    }
  }
  return t;
}

TEST(SummarizeValues, MeansRoundAndTruncateAsTheWindowShowsThem) {
  const ValueSummary s = summarizeValues(Values{10, 11});
  EXPECT_EQ(s.nearestMean, 11);    // 10.5 goes away from zero
  EXPECT_EQ(s.truncatedMean, 10);  // 21 / 2 in integer arithmetic
  EXPECT_EQ(s.median, 11);         // 10.5 again
  const ValueSummary negative = summarizeValues(Values{-10, -11});
  EXPECT_EQ(negative.truncatedMean, -10);  // toward zero
  EXPECT_EQ(negative.nearestMean, -11);
}

TEST(SummarizeValues, SpreadsAreSquareRootsOfVarianceAndMedianSquaredDeviation) {
  const ValueSummary s = summarizeValues(Values{2, 4, 4, 4, 5, 5, 7, 9});
  EXPECT_NEAR(s.standardDeviation, std::sqrt(32.0 / 7.0), 1e-6);
  const ValueSummary outlier = summarizeValues(Values{1, 2, 3, 4, 100});
  EXPECT_DOUBLE_EQ(outlier.medianDeviation, 1.0);
  EXPECT_EQ(outlier.median, 3);
}

TEST(SummarizeValues, ReplicatesWithoutEstimateAreLeftOut) {
  const ValueSummary s = summarizeValues(Values{std::nullopt, 10, std::nullopt, 20});
  EXPECT_EQ(s.count, 2);
  EXPECT_EQ(s.nearestMean, 15);
  EXPECT_EQ(s.median, 15);
  const ValueSummary none = summarizeValues(Values{std::nullopt, std::nullopt});
  EXPECT_EQ(none.count, 0);
  EXPECT_FALSE(none.nearestMean || none.truncatedMean || none.median);
  EXPECT_TRUE(std::isnan(none.standardDeviation));
  // One value: no standard deviation, a median deviation of 0.
  const ValueSummary one = summarizeValues(Values{42});
  EXPECT_TRUE(std::isnan(one.standardDeviation));
  EXPECT_EQ(one.medianDeviation, 0.0);
}

TEST(SummaryLayout, MissingStatisticsShowTheNoEstimateText) {
  EXPECT_EQ(formatSpread(std::nan(""), 14, 1), "           n/a");
  EXPECT_EQ(formatSpread(2.25, 14, 1), "           2.2");
  EXPECT_EQ(formatStatistic(std::nullopt, 10), "       n/a");
  EXPECT_EQ(formatStatistic(-7, 10), "        -7");
}

std::vector<std::string> labels(const std::vector<SummaryRow>& rows) {
  std::vector<std::string> out;
  for (const SummaryRow& row : rows) out.push_back(row.kind == SummaryRow::Kind::separator ? "---" : row.label);
  return out;
}

TEST(SummaryWindowRows, KnownSizeAddsPredefinedSizeAndBias) {
  const EstimateTables t = tablesOf(7, Values{10, 11}, Values{3, 4});
  const std::vector<std::string> known = labels(summaryWindowRows(summarizeSimulation(t, 10)));
  const std::vector<std::string> expected{" Predefined Population Size",
                                          " Mean of Estimated Size",
                                          " Bias",
                                          " Median of Estimated Size",
                                          "---",
                                          " Unobserved Size",
                                          " Mean",
                                          " Median",
                                          "---",
                                          " Standard deviation of",
                                          " Population Size",
                                          " Standard deviation of",
                                          " Unobserved Size",
                                          "---",
                                          " Simulation Settings",
                                          " Number of Replications"};
  EXPECT_EQ(known, expected);

  std::vector<std::string> unknown = expected;
  unknown.erase(unknown.begin() + 2);  // " Bias"
  unknown.erase(unknown.begin());      // " Predefined Population Size"
  EXPECT_EQ(labels(summaryWindowRows(summarizeSimulation(t, std::nullopt))), unknown);
}

TEST(SummaryWindowRows, ValuesPerEstimator) {
  const EstimateTables t = tablesOf(7, Values{10, 11}, Values{3, 4});
  const std::vector<SummaryRow> rows = summaryWindowRows(summarizeSimulation(t, 10));
  ASSERT_EQ(rows[0].values.size(), 7u);
  for (const std::string& v : rows[0].values) EXPECT_EQ(v, "        10");
  EXPECT_EQ(rows[1].values[0], "        11");   // mean of 10 and 11
  EXPECT_EQ(rows[1].values[6], "       611");   // of 610 and 611
  EXPECT_EQ(rows[2].values[0], "         0");   // bias: 21 / 2 = 10, minus 10
  EXPECT_EQ(rows[2].values[1], "       100");
  EXPECT_EQ(rows[6].values[0], "         3");   // unobserved mean of 3 and 4, truncated
  EXPECT_EQ(rows[10].values[0], "           0.7");  // sqrt(0.5)
  EXPECT_EQ(rows[15].kind, SummaryRow::Kind::single);
  EXPECT_EQ(rows[15].values, std::vector<std::string>{"         2"});
}

TEST(SummaryWindowRows, EvaluationRowsOnlyWithAnEvaluation) {
  const EstimateTables t = tablesOf(7, Values{10, 11, 12}, Values{3, 4, 5});
  const std::vector<SummaryRow> rows =
      summaryWindowRows(summarizeSimulation(t, 10, Values{100, 104, std::nullopt}));
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_EQ(rows[4].label, " Mean of eval. Median");
  EXPECT_EQ(rows[4].values, std::vector<std::string>{"       102"});
  EXPECT_EQ(rows[5].label, " Variance of eval. Median");
  EXPECT_EQ(rows[5].values, std::vector<std::string>{"           2.8"});  // sqrt(8)
  EXPECT_EQ(rows[6].label, " Median of eval. Median");
  EXPECT_EQ(rows[7].label, " Variance Median of eval. Median");
  EXPECT_EQ(rows[8].kind, SummaryRow::Kind::separator);
}

TEST(SummaryWindowRows, OneReplicateShowsNoStandardDeviation) {
  const EstimateTables t = tablesOf(5, Values{10}, Values{3});
  const std::vector<SummaryRow> rows = summaryWindowRows(summarizeSimulation(t, 10));
  EXPECT_EQ(rows[10].label, " Population Size");
  ASSERT_EQ(rows[10].values.size(), 5u);
  for (const std::string& v : rows[10].values) EXPECT_EQ(v, "           n/a");
}

TEST(SummaryColumnHeader, SevenAndFiveEstimators) {
  EXPECT_EQ(summaryColumnHeader(7).size(), 116u);
  EXPECT_EQ(summaryColumnHeader(7).substr(0, 16), " NPMLE         P");
  EXPECT_EQ(summaryColumnHeader(5).size(), 91u);
  EXPECT_EQ(summaryColumnHeader(5).substr(0, 11), "         Z1");
}

TEST(SummaryFileLines, LabelsLoseTrailingBlanksAndEachValueAddsOneLeadingBlank) {
  const EstimateTables t = tablesOf(7, Values{10, 11}, Values{3, 4});
  const std::vector<std::string> lines = summaryFileLines(summarizeSimulation(t, std::nullopt));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "   ; ML ;  pML;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N");
  EXPECT_EQ(lines[1],
            "         mean;        11;       111;       211;       311;       411;       511;       611");
  EXPECT_EQ(lines[2].substr(0, 18), "         st. err.;");
  EXPECT_EQ(lines[2].substr(18, 14), "        0.7071");
  EXPECT_EQ(lines[3].substr(0, 26), "         median;        11");
  EXPECT_EQ(lines[4].substr(0, 25), "         st. err. median;");
  EXPECT_EQ(lines[4].size(), 9u + 15u + 7u * (1u + 14u));
}

TEST(SummaryFileLines, TheEvaluationAddsAColumnAndABlank) {
  const EstimateTables t = tablesOf(7, Values{10, 11}, Values{3, 4});
  const std::vector<std::string> lines = summaryFileLines(summarizeSimulation(t, 10, Values{50, 60}));
  EXPECT_EQ(lines[0], "    ; ML ;  pML;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N ; ev.ML");
  EXPECT_EQ(lines[1].substr(0, 15), "          mean;");
  EXPECT_EQ(lines[1].substr(lines[1].size() - 11), ";        55");
}

}  // namespace
}  // namespace tallyfold
