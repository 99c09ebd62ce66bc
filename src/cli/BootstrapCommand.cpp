#include "BootstrapCommand.h"

#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "ReplicateProgress.h"
#include "RunFiles.h"
#include "RunSummary.h"
#include "ShardOutput.h"
#include "common/FieldLayout.h"
#include "common/JsonValues.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "numeric/RandomStream.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/RunJson.h"
#include "simulation/RunMemory.h"
#include "simulation/SimulationFiles.h"
#include "simulation/IntervalText.h"
#include "simulation/SimulationSummary.h"

namespace tallyfold::cli {

namespace {

void printText(std::ostream& out, const BootstrapOptions& options, std::int32_t seed,
               const BootstrapObserved& observed, const EstimateTables& tables, const SimulationSummary& summary,
               const std::vector<std::string>& files) {
  out << "Tallyfold bootstrap of " << options.file << "\n";
  out << "m = " << observed.m << " count classes, n = " << observed.n << " observed units\n";
  out << "replications " << options.replications << ", seed " << seed << ", exactness "
      << formatF(options.exactness, 13, 11) << ", criterion " << criterionName(options.criterion)
      << ", maximum components " << options.maxComponents << "\n";
  out << "observed data: " << observed.components << " components, N = "
      << (observed.nall ? std::to_string(*observed.nall) : std::string(noEstimate)) << "\n\n";
  printSummary(out, studyEstimatorNames, summary, true, files);
  printBlock(out, intervalLines(studyEstimatorNames, estimateIntervals(tables, options.level), options.level));
}

}  // namespace

int reportBootstrap(const BootstrapOptions& options, std::int32_t seed, const BootstrapObserved& observed,
                    const EstimateTables& tables, const std::vector<std::int32_t>& components, RunFiles& files,
                    std::ostream& out) {
  if (options.interim) files.note(writeBootInterimFile(files.folders(), tables, components));
  const SimulationSummary summary = summarizeSimulation(tables, std::nullopt);
  files.writeSummary(summary);
  if (options.json) {
    const SearchSettings settings{options.exactness, options.criterion, options.maxComponents};
    const BootstrapJsonParts parts{options.replications, seed, observed.components, observed.nall, options.level};
    out << bootstrapJson(options.file, observed.m, observed.n, settings, parts, tables, components, summary,
                         files.written())
               .dump(2)
        << "\n";
  } else {
    printText(out, options, seed, observed, tables, summary, files.written());
  }
  return exitSuccess;
}

nlohmann::json bootstrapShardSettings(const BootstrapOptions& options) {
  return {{"file", options.file},
          {"exactness", exactNumber(options.exactness)},
          {"criterion", criterionName(options.criterion)},
          {"maxComponents", options.maxComponents},
          {"replications", options.replications},
          {"level", exactNumber(options.level)},
          {"interim", options.interim}};
}

void readBootstrapShardSettings(const nlohmann::json& settings, BootstrapOptions& options) {
  options.file = settings.at("file").get<std::string>();
  options.exactness = readExactNumber(settings.at("exactness"));
  options.criterion = parseCriterion(settings.at("criterion").get<std::string>());
  options.maxComponents = settings.at("maxComponents").get<std::int32_t>();
  options.replications = settings.at("replications").get<std::int32_t>();
  options.level = readExactNumber(settings.at("level"));
  options.interim = options.interim || settings.at("interim").get<bool>();
}

BootstrapObserved readBootstrapObserved(const nlohmann::json& run) {
  BootstrapObserved observed;
  observed.m = run.at("m").get<std::size_t>();
  observed.n = run.at("n").get<std::int64_t>();
  observed.components = run.at("components").get<std::int32_t>();
  if (!run.at("nall").is_null()) observed.nall = run.at("nall").get<std::int32_t>();
  return observed;
}

int runBootstrapCommand(const BootstrapOptions& options, std::ostream& out, std::ostream& err) {
  if (options.replications < 1) throw BadInput{"--replications must be at least 1"};
  if (options.shard) checkShardOptions(options.seed, options.json, options.outDir);
  const std::int32_t seed = chooseSeed(options.seed);
  const std::vector<std::int32_t> counts = loadCounts(options.file, options.format);
  if (const std::optional<std::string> problem = countTableProblem(counts)) {
    throw BadInput{options.file + ": " + *problem};
  }
  // The same check as the windowed dialog's: a run that would not fit in
  // memory is refused before anything is allocated.
  if (const std::optional<std::string> problem = bootstrapSettingsProblem(counts, options.replications)) {
    throw BadInput{*problem};
  }
  const std::int64_t n = observedUnits(counts);
  // A shard writes its sample files; the interim and summary files are the merge's.
  RunFiles files(options.outDir, options.samples, options.interim && !options.shard, err);
  RandomStream stream(seed);

  const SearchSettings settings{options.exactness, options.criterion, options.maxComponents};
  const SearchResult observedFit = componentSearch(counts, settings, false, {}, options.stop);
  if (observedFit.stopped) throw Stopped{};
  const BootstrapObserved observed{counts.size(), n, observedFit.numComponents,
                                   nearestInt(estimateNall(counts, observedFit.lambda, observedFit.weight))};
  const ReplicateBlock block = options.shard ? shardBlock(options.replications, *options.shard) : allReplicates;

  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows = replicateCsvSink(options.replicatesCsv, false, seed, rowsFile);
  const BootstrapResult result = [&] {
    ReplicateProgress bar(options.progress ? &err : nullptr);
    // Each replicate's lines start with its rep line, written once it is done.
    const LogSink progress = [&bar, repLine = listDirected("********  rep "),
                              total = withinRun(block, options.replications).size(),
                              done = 0](const std::string& line) mutable {
      if (line.rfind(repLine, 0) == 0) bar.update(++done, total);
    };
    const auto writeSamples = [block](const OutputFolders& folders, const SampleTable& samples) {
      return writeBootSampleFiles(folders, samples, block);
    };
    return bootstrapReplicates(counts, settings, options.replications, stream, options.progress ? progress : LogSink{},
                               files.sampleWriter(options.samples && block.size() > 0, writeSamples), options.stop,
                               options.threads, rows, block);
  }();
  // Stopped: no interim or summary file, nothing printed.
  if (result.stopped) throw Stopped{};
  if (options.shard) {
    ShardResult shard = shardResultOf("bootstrap", *options.shard, seed, files.written());
    shard.dataDigest = dataDigest({{"counts", counts}});
    shard.settings = bootstrapShardSettings(options);
    shard.run = {{"m", observed.m}, {"n", observed.n}, {"components", observed.components},
                 {"nall", jsonOrNull(observed.nall)}};
    const std::vector<std::int64_t> units(result.components.size(), n);
    shard.rows = blockRows(block, result.tables, result.components, units, std::nullopt, std::nullopt);
    emitShard(shard, options.json, options.outDir, out);
    return exitSuccess;
  }
  return reportBootstrap(options, seed, observed, result.tables, result.components, files, out);
}

}  // namespace tallyfold::cli
