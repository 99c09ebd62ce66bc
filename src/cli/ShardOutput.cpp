#include "ShardOutput.h"

#include <filesystem>
#include <ostream>
#include <utility>

#include "CliSupport.h"
#include "common/ReplaceFile.h"

namespace tallyfold::cli {

std::string programVersion() { return TALLYFOLD_VERSION; }

ShardResult shardResultOf(std::string command, const ShardId& shard, std::int32_t seed,
                          std::vector<std::string> files) {
  ShardResult result;
  result.command = std::move(command);
  result.version = programVersion();
  result.shard = shard;
  result.seed = seed;
  result.files = std::move(files);
  return result;
}

void checkShardOptions(const std::optional<std::int64_t>& seed, bool json, const std::optional<std::string>& outDir) {
  if (!seed) throw BadInput{"--shard needs --seed: every shard of a run must draw the same random numbers"};
  if (!json && !outDir) throw BadInput{"--shard needs --out DIR or --json: the shard result goes there"};
}

void emitShard(const ShardResult& shard, bool json, const std::optional<std::string>& outDir, std::ostream& out) {
  const std::string text = shardJson(shard).dump(2) + "\n";
  std::string written;
  if (outDir) {
    const std::filesystem::path path = std::filesystem::path(*outDir) / shardFileName(shard.shard);
    if (const std::optional<std::string> problem = replaceFile(path, text)) {
      throw BadInput{"cannot write " + path.string() + ": " + *problem};
    }
    written = path.string();
  }
  if (json) {
    out << text;
    return;
  }
  const ReplicateBlock block = shard.rows.block;
  out << "shard " << shard.shard.index << " of " << shard.shard.count << ": ";
  if (block.size() == 0) {
    out << "no replicates\n";
  } else {
    out << "replicates " << block.first << " .. " << block.last << "\n";
  }
  for (const std::string& file : shard.files) out << "wrote " << file << "\n";
  out << "wrote " << written << "\n";
}

}  // namespace tallyfold::cli
