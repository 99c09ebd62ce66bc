#include "MergeCommand.h"

#include <ostream>

#include <nlohmann/json.hpp>

#include "BootstrapCommand.h"
#include "CliSupport.h"
#include "RunFiles.h"
#include "SimulateCommand.h"
#include "simulation/ReplicateRows.h"
#include "simulation/ShardResult.h"

namespace tallyfold::cli {

namespace {

// --replicates-csv of the merged rows, as the run in one process writes it.
void writeReplicatesCsv(const std::optional<std::string>& path, bool evaluation, std::int32_t seed,
                        const BlockRows& rows) {
  std::optional<ReplicateCsvFile> file;
  const ReplicateSink sink = replicateCsvSink(path, evaluation, seed, file);
  if (!sink) return;
  for (int r = 1; r <= rows.block.size(); ++r) {
    const auto i = static_cast<std::size_t>(r - 1);
    ReplicateRow row = replicateRow(rows.tables, rows.components, r, rows.observed[i]);
    if (evaluation) row.evalMedian = (*rows.evalMedian)[i];
    sink(row);
  }
}

int reportMerged(const MergeOptions& options, const MergedRun& merged, std::ostream& out, std::ostream& err) {
  const ShardResult& first = *merged.first;
  if (first.command == "bootstrap") {
    BootstrapOptions o;
    o.outDir = options.outDir;
    o.interim = options.interim;
    o.json = options.json;
    readBootstrapShardSettings(first.settings, o);
    const BootstrapObserved observed = readBootstrapObserved(first.run);
    RunFiles files(o.outDir, false, o.interim, err);
    files.noteWritten(merged.files);
    writeReplicatesCsv(options.replicatesCsv, false, first.seed, merged.rows);
    return reportBootstrap(o, first.seed, observed, merged.rows.tables, merged.rows.components, files, out);
  }
  if (first.command == "simulate") {
    SimulateOptions o;
    o.outDir = options.outDir;
    o.interim = options.interim;
    o.json = options.json;
    readStudyShardSettings(first.settings, o);
    const StudySettings s = studySettingsOf(o, {});
    StudyResult result;
    result.tables = merged.rows.tables;
    result.components = merged.rows.components;
    result.evalMedian = merged.rows.evalMedian;
    result.evalIntervals = merged.rows.evalIntervals;
    RunFiles files(o.outDir, false, o.interim, err);
    files.noteWritten(merged.files);
    writeReplicatesCsv(options.replicatesCsv, s.evaluate, first.seed, merged.rows);
    return reportStudy(o, s, first.seed, result, files, out);
  }
  throw BadInput{"merge: shards of the command '" + first.command + "' cannot be merged (bootstrap or simulate)"};
}

}  // namespace

int runMergeCommand(const MergeOptions& options, std::ostream& out, std::ostream& err) {
  std::vector<ShardResult> shards;
  try {
    for (const std::string& file : options.files) shards.push_back(readShardFile(file));
    const MergedRun merged = mergeShards(shards, options.files);
    try {
      return reportMerged(options, merged, out, err);
    } catch (const nlohmann::json::exception& e) {
      throw BadInput{"merge: " + options.files.front() + " is not a whole shard result: " + e.what()};
    }
  } catch (const ShardProblem& problem) {
    throw BadInput{"merge: " + problem.message};
  }
}

}  // namespace tallyfold::cli
