#pragma once
// A bootstrap or simulation study spread over several processes: shard I of
// P draws every random number of the whole run, in order, but fits only its
// block of the replicates (shardBlock), and hands on a shard result — the
// block's replicate rows with what the run's outputs need besides them, the
// settings, the seed, a digest of the data and the program's version. The
// merge checks that a set of shard results is one whole run and puts their
// rows together into the run's tables, which are then the tables of the run
// made in one process: the outputs follow from them alike.
//
// The JSON form keeps every number exactly: integers as integers, doubles
// in the shortest text that reads back to the same double (nlohmann's
// dump), a value that is not finite as the text "NaN", "Infinity" or
// "-Infinity", and no value as null.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "simulation/BootstrapEngine.h"
#include "simulation/EstimateTables.h"
#include "simulation/ReplicatePool.h"

namespace tallyfold {

// Shard I of P (1 <= I <= P).
struct ShardId {
  std::int32_t index = 1;
  std::int32_t count = 1;
  bool operator==(const ShardId&) const = default;
};

// "I/P" with 1 <= I <= P (whole numbers, no signs or blanks); none otherwise.
std::optional<ShardId> parseShardId(std::string_view text);

// The replicates of shard I of P of a run of R: floor((I-1) R / P) + 1 ..
// floor(I R / P), so the blocks follow each other without a gap and differ
// in size by one at most; empty for some shards when P > R.
ReplicateBlock shardBlock(std::int32_t replications, ShardId shard);

// "shard-I-of-P.json".
std::string shardFileName(ShardId shard);

// The rows of a block of replicates: column c of the tables (and entry c - 1
// of the vectors) is replicate block.first + c - 1.
struct BlockRows {
  ReplicateBlock block{1, 0};
  EstimateTables tables;
  std::vector<std::int32_t> components;
  std::vector<std::int64_t> observed;  // n of each replicate's table
  std::optional<std::vector<Estimate>> evalMedian;
  std::optional<std::vector<EstimatorIntervals>> evalIntervals;
};

// The block's columns of a run's tables (R columns).
BlockRows blockRows(ReplicateBlock block, const EstimateTables& tables, std::span<const std::int32_t> components,
                    std::span<const std::int64_t> observed, const std::optional<std::vector<Estimate>>& evalMedian,
                    const std::optional<std::vector<EstimatorIntervals>>& evalIntervals);

struct ShardResult {
  std::string command;     // the subcommand that made it: "bootstrap" or "simulate"
  std::string version;     // of the program
  ShardId shard;
  std::int32_t seed = 0;
  std::string dataDigest;  // dataDigest of the run's data
  // Every setting the outputs depend on, as the command records them; R is
  // "replications", and "evaluate" is true when the rows carry the
  // bootstrap evaluation.
  nlohmann::json settings;
  nlohmann::json run;       // what the outputs show besides the rows (the observed data's fit, ...)
  std::vector<std::string> files;  // the files the shard wrote (its sample files), in order
  BlockRows rows;
};

// A digest of the data a run draws from (the counts, or the population's
// parameters) in JSON: 64-bit FNV-1a of its compact text, as 16 hex digits.
// It tells runs of different data apart; it is no protection against
// tampering.
std::string dataDigest(const nlohmann::json& data);

// An exact double as JSON, and back (a number, or one of the three texts).
nlohmann::json exactNumber(double value);
double readExactNumber(const nlohmann::json& value);

nlohmann::json shardJson(const ShardResult& shard);

// Why a shard result or a set of them cannot be merged, in words for the
// user (naming the file).
struct ShardProblem {
  std::string message;
};

// The shard result of JSON text read from `name`; throws ShardProblem when
// the text is not JSON (a truncated file) or not a whole shard result (a
// field missing or of the wrong kind, rows that are not its block's).
ShardResult readShardResult(std::string_view text, const std::string& name);

// readShardResult of a file's text; throws ShardProblem when it cannot be read.
ShardResult readShardFile(const std::filesystem::path& path);

// A whole run put together from its shards.
struct MergedRun {
  const ShardResult* first = nullptr;  // shard 1: the command, settings, seed, run of them all
  BlockRows rows;                      // every replicate, 1 .. R
  std::vector<std::string> files;      // the shards' files, shard 1's first
};

// Checks that the shards (named by `names`, one each) are the P shards of
// one run, each once: the same command, version, data, settings and seed
// and the same P. Throws ShardProblem naming the first problem: another
// run's shard (and what differs), a shard given twice, shards missing. The
// result points into `shards`.
MergedRun mergeShards(std::span<const ShardResult> shards, std::span<const std::string> names);

}  // namespace tallyfold
