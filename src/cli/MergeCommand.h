#pragma once
// tallyfold-cli merge: the shard results of one bootstrap or simulation run
// (bootstrap/simulate --shard I/P) put together, with the outputs of the run
// made in one process: the same text or JSON on standard output, the same
// summary file with --out, the same interim file when the shards or the
// merge ask for it, and the same CSV of the replicates.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tallyfold::cli {

struct MergeOptions {
  std::vector<std::string> files;     // the shard results, in any order
  std::optional<std::string> outDir;  // stands for the folder "C:\Temp"
  bool interim = false;               // also when the shards were not run with --interim
  bool json = false;
  std::optional<std::string> replicatesCsv;  // one CSV row per replicate
};

// Throws BadInput naming the file and the problem when the shards are not
// the P shards of one run, each once, or a file is not a whole shard result.
int runMergeCommand(const MergeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tallyfold::cli
