#include "simulation/ShardResult.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numeric/RandomStream.h"
#include "simulation/SimulationEngine.h"

namespace tallyfold {
namespace {

const std::vector<std::int32_t> tenClasses{120, 60, 30, 20, 15, 10, 8, 6, 4, 2};
const SearchSettings search{static_cast<double>(1.0e-7f), StopCriterion::max, 2};

TEST(ShardBlock, ShardsCoverTheRunInOrderWithoutGapsAndParseOnlyIOfP) {
  for (const int r : {1, 2, 7, 100}) {
    for (const int p : {1, 2, 3, 8, 150}) {
      int next = 1;
      for (int i = 1; i <= p; ++i) {
        const ReplicateBlock b = shardBlock(r, {i, p});
        EXPECT_EQ(b.first, next) << r << " " << i << "/" << p;
        EXPECT_LE(std::abs(b.size() - r / p), 1);
        next = b.first + b.size();
      }
      EXPECT_EQ(next, r + 1);
    }
  }
  EXPECT_EQ(parseShardId("2/3"), (ShardId{2, 3}));
  for (const char* bad : {"0/3", "4/3", "3", "/3", "1/", "-1/3", "1/+3", " 1/3", "1/3x", "1/99999999999"}) {
    EXPECT_FALSE(parseShardId(bad)) << bad;
  }
}

// The block's columns of the whole run, as a shard computes them.
void expectSameColumns(const EstimateTables& whole, const EstimateTables& part, ReplicateBlock block) {
  for (int r = block.first; r <= block.last; ++r) {
    for (int j = 1; j <= whole.estimators(); ++j) {
      EXPECT_EQ(part.estimates(j, r), whole.estimates(j, r)) << j << " " << r;
      EXPECT_EQ(part.unobserved(j, r), whole.unobserved(j, r)) << j << " " << r;
    }
  }
}

TEST(ShardBlock, AShardOfTheEnginesFitsTheWholeRunsReplicates) {
  RandomStream wholeStream(99);
  const BootstrapResult whole = bootstrapReplicates(tenClasses, search, 5, wholeStream, {});
  StudySettings s;
  s.search = search;
  s.populationSize = 400;
  s.replications = 5;
  s.bootReplications = 6;
  s.evaluate = true;
  RandomStream studyStream(99);
  const StudyResult study = runSimulationStudy(s, studyStream, {});
  for (const ShardId shard : {ShardId{2, 3}, ShardId{3, 3}}) {
    const ReplicateBlock block = shardBlock(5, shard);
    RandomStream stream(99);
    const BootstrapResult part = bootstrapReplicates(tenClasses, search, 5, stream, {}, {}, {}, 2, {}, block);
    expectSameColumns(whole.tables, part.tables, block);
    RandomStream partStream(99);
    const StudyResult partStudy = runSimulationStudy(s, partStream, {}, {}, {}, {}, {}, block);
    expectSameColumns(study.tables, partStudy.tables, block);
    for (int r = block.first; r <= block.last; ++r) {
      const auto i = static_cast<std::size_t>(r - 1);
      EXPECT_EQ((*partStudy.evalMedian)[i], (*study.evalMedian)[i]) << r;
      EXPECT_EQ((*partStudy.evalIntervals)[i][0].lower, (*study.evalIntervals)[i][0].lower) << r;
    }
    // Outside the block nothing is fitted.
    EXPECT_FALSE(part.tables.estimates(1, 1));
  }
}

ShardResult sampleShard(ShardId id, std::int32_t seed = 5) {
  ShardResult shard;
  shard.command = "simulate";
  shard.version = "1.0";
  shard.shard = id;
  shard.seed = seed;
  shard.dataDigest = dataDigest({{"counts", tenClasses}});
  shard.settings = {{"replications", 3}, {"evaluate", true}, {"exactness", exactNumber(0.1)}};
  shard.run = nlohmann::json::object();
  const ReplicateBlock block = shardBlock(3, id);
  EstimateTables tables(studyEstimators, 3);
  std::vector<std::int32_t> components(3);
  std::vector<Estimate> medians(3);
  std::vector<EstimatorIntervals> intervals(3);
  for (int r = 1; r <= 3; ++r) {
    const auto i = static_cast<std::size_t>(r - 1);
    components[i] = r;
    medians[i] = r == 2 ? Estimate{} : Estimate{100 * r};
    for (int j = 1; j <= studyEstimators; ++j) {
      tables.estimates(j, r) = j == 3 ? Estimate{} : Estimate{1000 * r + j};
      tables.unobserved(j, r) = std::numeric_limits<std::int32_t>::min() + j;
    }
    intervals[i][0] = {0.1 + r, std::numeric_limits<double>::infinity(), 0.95, 5, 1};
    intervals[i][1] = {std::nullopt, -0.0, std::numeric_limits<double>::quiet_NaN(), 0, 6};
  }
  const std::vector<std::int64_t> units{275, 276, 277};
  shard.rows = blockRows(block, tables, components, units, medians, intervals);
  return shard;
}

TEST(ShardJson, EveryNumberReadsBackBitForBit) {
  std::mt19937_64 bits(7);
  for (int i = 0; i < 20000; ++i) {
    const double value = std::bit_cast<double>(bits());
    const double back = readExactNumber(nlohmann::json::parse(exactNumber(value).dump()));
    if (std::isnan(value)) {
      EXPECT_TRUE(std::isnan(back));
    } else {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value)) << exactNumber(value).dump();
    }
  }
  const ShardResult shard = sampleShard({2, 2});
  const ShardResult back = readShardResult(shardJson(shard).dump(2), "s.json");
  EXPECT_EQ(shardJson(back), shardJson(shard));
  const PercentileInterval& v = (*back.rows.evalIntervals)[0][1];
  EXPECT_FALSE(v.lower);
  EXPECT_TRUE(std::signbit(*v.upper));
  EXPECT_TRUE(std::isnan(v.level));
  EXPECT_TRUE(std::isinf(*(*back.rows.evalIntervals)[0][0].upper));
  EXPECT_EQ(back.rows.tables.unobserved(1, 1), std::numeric_limits<std::int32_t>::min() + 1);
  EXPECT_FALSE((*back.rows.evalMedian)[0]);
}

std::string problemOf(const std::vector<ShardResult>& shards, const std::vector<std::string>& names) {
  try {
    mergeShards(shards, names);
  } catch (const ShardProblem& p) {
    return p.message;
  }
  return "merged";
}

TEST(MergeShards, PutsTheBlocksTogetherAndRefusesWhatIsNotOneWholeRun) {
  const ShardResult a = sampleShard({1, 2});
  const ShardResult b = sampleShard({2, 2});
  const std::vector<ShardResult> both{b, a};
  const MergedRun merged = mergeShards(both, std::vector<std::string>{"b", "a"});
  const ShardResult whole = sampleShard({1, 1});
  ShardResult mergedRows = whole;
  mergedRows.rows = merged.rows;
  EXPECT_EQ(shardJson(mergedRows), shardJson(whole));

  EXPECT_EQ(problemOf({a}, {"a"}), "shard 2 of 2 is missing");
  EXPECT_EQ(problemOf({a, a, b}, {"a", "a2", "b"}), "shard 1 of 2 is given twice: a and a2");
  EXPECT_EQ(problemOf({a, sampleShard({2, 2}, 6)}, {"a", "c"}), "c is a shard of another run than a: seed 6, not 5");
  ShardResult other = b;
  other.settings["exactness"] = exactNumber(0.2);
  EXPECT_EQ(problemOf({a, other}, {"a", "o"}), "o is a shard of another run than a: its settings differ (exactness)");
  other = b;
  other.dataDigest = dataDigest({{"counts", {1, 2}}});
  EXPECT_EQ(problemOf({a, other}, {"a", "o"}), "o is a shard of another run than a: its data differ");

  const std::string text = shardJson(b).dump(2);
  for (const std::string& bad : {text.substr(0, text.size() / 2), std::string("{\"shardResult\": 1}")}) {
    try {
      readShardResult(bad, "t.json");
      ADD_FAILURE() << "read " << bad;
    } catch (const ShardProblem& p) {
      EXPECT_EQ(p.message.rfind("t.json is ", 0), 0u) << p.message;
    }
  }
}

}  // namespace
}  // namespace tallyfold
