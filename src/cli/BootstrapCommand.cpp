#include "BootstrapCommand.h"

#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "ReplicateProgress.h"
#include "RunFiles.h"
#include "RunSummary.h"
#include "common/FieldLayout.h"
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

void printText(std::ostream& out, const BootstrapOptions& options, std::int32_t seed, std::size_t m,
               std::int64_t n, const SearchResult& observedFit, const Estimate& observedNall,
               const BootstrapResult& result, const SimulationSummary& summary,
               const std::vector<std::string>& files) {
  out << "Tallyfold bootstrap of " << options.file << "\n";
  out << "m = " << m << " count classes, n = " << n << " observed units\n";
  out << "replications " << options.replications << ", seed " << seed << ", exactness "
      << formatF(options.exactness, 13, 11) << ", criterion " << criterionName(options.criterion)
      << ", maximum components " << options.maxComponents << "\n";
  out << "observed data: " << observedFit.numComponents << " components, N = "
      << (observedNall ? std::to_string(*observedNall) : std::string(noEstimate)) << "\n\n";
  printSummary(out, studyEstimatorNames, summary, true, files);
  printBlock(out, intervalLines(studyEstimatorNames, estimateIntervals(result.tables, options.level), options.level));
}

}  // namespace

int runBootstrapCommand(const BootstrapOptions& options, std::ostream& out, std::ostream& err) {
  if (options.replications < 1) throw BadInput{"--replications must be at least 1"};
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
  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);

  const SearchSettings settings{options.exactness, options.criterion, options.maxComponents};
  const SearchResult observedFit = componentSearch(counts, settings, false, {}, options.stop);
  if (observedFit.stopped) throw Stopped{};
  const Estimate observedNall = nearestInt(estimateNall(counts, observedFit.lambda, observedFit.weight));

  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows = replicateCsvSink(options.replicatesCsv, false, rowsFile);
  const BootstrapResult result = [&] {
    ReplicateProgress bar(options.progress ? &err : nullptr);
    // Each replicate's lines start with its rep line, written once it is done.
    const LogSink progress = [&bar, repLine = listDirected("********  rep "), total = options.replications,
                              done = 0](const std::string& line) mutable {
      if (line.rfind(repLine, 0) == 0) bar.update(++done, total);
    };
    return bootstrapReplicates(counts, settings, options.replications, stream, options.progress ? progress : LogSink{},
                               files.sampleWriter(options.samples, writeBootSampleFiles), options.stop,
                               options.threads, rows);
  }();
  // Stopped: no interim or summary file, nothing printed.
  if (result.stopped) throw Stopped{};
  if (options.interim) files.note(writeBootInterimFile(files.folders(), result.tables, result.components));

  const SimulationSummary summary = summarizeSimulation(result.tables, std::nullopt);
  files.writeSummary(summary);
  if (options.json) {
    const BootstrapJsonParts parts{options.replications, seed, observedFit.numComponents, observedNall, options.level};
    out << bootstrapJson(options.file, counts, settings, parts, result, summary, files.written()).dump(2) << "\n";
  } else {
    printText(out, options, seed, counts.size(), n, observedFit, observedNall, result, summary, files.written());
  }
  return exitSuccess;
}

}  // namespace tallyfold::cli
