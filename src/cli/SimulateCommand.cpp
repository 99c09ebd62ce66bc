#include "SimulateCommand.h"

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "ReplicateProgress.h"
#include "RunFiles.h"
#include "RunSummary.h"
#include "common/FieldLayout.h"
#include "numeric/RandomStream.h"
#include "simulation/RunJson.h"
#include "simulation/SimulationEngine.h"
#include "simulation/SimulationFiles.h"
#include "simulation/IntervalText.h"
#include "simulation/SimulationSummary.h"
#include "simulation/StudyAccuracy.h"

namespace tallyfold::cli {

namespace {

// The sample files of a simulation: K count classes each.
SamplesDrawn sampleWriter(RunFiles& files, bool wanted, int numCounts) {
  return files.sampleWriter(wanted, [numCounts](const OutputFolders& folders, const SampleTable& samples) {
    return writeSampleFiles(folders, samples, numCounts);
  });
}

}  // namespace

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err) {
  StudySettings s;
  s.search = SearchSettings{options.exactness, options.criterion, options.maxComponents};
  s.populationSize = options.populationSize;
  s.replications = options.replications;
  s.evaluate = options.evaluate;
  s.bootReplications = options.bootReplications;
  s.level = options.level;
  s.fromDataset = options.fromData.has_value();
  if (s.fromDataset) s.observed = loadCounts(*options.fromData, options.format);
  s.numCounts = options.counts ? *options.counts
                               : s.fromDataset ? static_cast<std::int32_t>(s.observed.size()) : defaults::numCounts;
  s.lambda = options.lambda;
  s.weight = options.weight;
  s.threads = options.threads;
  if (options.lambda.size() != options.weight.size()) {
    throw BadInput{"--lambda and --weight need one value per component"};
  }
  if (const std::optional<std::string> problem = studySettingsProblem(s)) throw BadInput{*problem};
  const std::int32_t seed = chooseSeed(options.seed);

  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);
  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows = replicateCsvSink(options.replicatesCsv, s.evaluate, rowsFile);
  const StudyResult result = [&] {
    ReplicateProgress bar(options.progress ? &err : nullptr);
    const ProgressSink progress = [&bar](int r, int total) { bar.update(r, total); };
    return runSimulationStudy(s, stream, {}, options.progress ? progress : ProgressSink{},
                              sampleWriter(files, options.samples, s.numCounts), options.stop, rows);
  }();
  // Stopped: no interim or summary file, nothing printed.
  if (result.stopped) throw Stopped{};
  if (options.interim) {
    files.note(
        writeInterimFile(files.folders(), InterimKind::study, result.tables, result.components, result.evalMedian));
  }
  const SimulationSummary summary = summarizeSimulation(result.tables, s.populationSize, result.evalMedian);
  files.writeSummary(summary);
  const std::array<EstimatorAccuracy, studyEstimators> accuracy = studyAccuracy(result, s.populationSize);

  if (options.json) {
    out << studyJson(s, options.fromData.value_or(""), seed, result, summary, accuracy, files.written()).dump(2)
        << "\n";
    return exitSuccess;
  }

  out << "Tallyfold simulation study, ";
  if (s.fromDataset) {
    out << "nonparametric from " << *options.fromData << "\n";
  } else {
    out << "parametric from the Poisson mixture";
    for (std::size_t j = 0; j < s.lambda.size(); ++j) out << " (" << s.lambda[j] << ", " << s.weight[j] << ")";
    out << "\n";
  }
  out << "N = " << s.populationSize << ", replications " << s.replications << ", counts " << s.numCounts
      << ", seed " << seed << ", exactness " << formatF(options.exactness, 13, 11) << ", criterion "
      << criterionName(options.criterion) << ", maximum components " << options.maxComponents << ", evaluation "
      << (s.evaluate ? std::to_string(s.bootReplications) + " bootstrap samples" : std::string("off")) << "\n\n";
  printSummary(out, studyEstimatorNames, summary, true, files.written());
  printBlock(out, accuracyLines(accuracy, s.populationSize, s.level));
  return exitSuccess;
}

int runPoissonGammaCommand(const PoissonGammaOptions& options, std::ostream& out, std::ostream& err) {
  const PoissonGammaSettings s{options.alpha, options.kappa, options.populationSize, options.replications,
                               options.counts, options.threads};
  if (const std::optional<std::string> problem = poissonGammaSettingsProblem(s)) throw BadInput{*problem};
  const std::int32_t seed = chooseSeed(options.seed);

  // The Poisson-Gamma simulation writes no summary file.
  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);
  const PoissonGammaResult result = [&] {
    ReplicateProgress bar(options.progress ? &err : nullptr);
    const ProgressSink progress = [&bar](int r, int total) { bar.update(r, total); };
    return runPoissonGammaSimulation(s, stream, {}, options.progress ? progress : ProgressSink{},
                                     sampleWriter(files, options.samples, s.numCounts), options.stop);
  }();
  if (result.stopped) throw Stopped{};
  if (options.interim) {
    files.note(writeInterimFile(files.folders(), InterimKind::poissonGamma, result.tables, {}, std::nullopt));
  }
  const SimulationSummary summary = summarizeSimulation(result.tables, s.populationSize);

  if (options.json) {
    out << poissonGammaJson(s, seed, result, summary, files.written()).dump(2) << "\n";
    return exitSuccess;
  }
  out << "Tallyfold Poisson-Gamma simulation, alpha " << s.alpha << ", kappa " << s.kappa << "\n";
  out << "N = " << s.populationSize << ", replications " << s.replications << ", counts " << s.numCounts
      << ", seed " << seed << "\n\n";
  printSummary(out, poissonGammaEstimatorNames, summary, false, files.written());
  return exitSuccess;
}

}  // namespace tallyfold::cli
