#pragma once
// The shard side of tallyfold-cli bootstrap and simulate --shard I/P: the
// options a shard needs, and its result on standard output (--json) and in
// the file shard-I-of-P.json of --out DIR.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "simulation/ShardResult.h"

namespace tallyfold::cli {

// The program's version, as a shard result records it.
std::string programVersion();

// A shard result of `command` with the program's version, the shard, the
// seed and the files the shard wrote; the caller adds its data, settings
// and rows.
ShardResult shardResultOf(std::string command, const ShardId& shard, std::int32_t seed,
                          std::vector<std::string> files);

// Refuses (BadInput) a shard without --seed (every shard must draw the
// numbers of one run) and one whose result would go nowhere (neither
// --json nor --out).
void checkShardOptions(const std::optional<std::int64_t>& seed, bool json, const std::optional<std::string>& outDir);

// Writes the shard result to outDir/shard-I-of-P.json (whole or not at all;
// BadInput when it cannot be written) and prints it with `json`, or else
// the line saying which replicates it holds and the file written.
void emitShard(const ShardResult& shard, bool json, const std::optional<std::string>& outDir, std::ostream& out);

}  // namespace tallyfold::cli
