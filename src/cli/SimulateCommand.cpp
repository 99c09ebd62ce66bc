#include "SimulateCommand.h"

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "ReplicateProgress.h"
#include "RunFiles.h"
#include "RunSummary.h"
#include "ShardOutput.h"
#include "data/CountTable.h"
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
SamplesDrawn sampleWriter(RunFiles& files, bool wanted, int numCounts, ReplicateBlock block = allReplicates) {
  return files.sampleWriter(wanted, [numCounts, block](const OutputFolders& folders, const SampleTable& samples) {
    return writeSampleFiles(folders, samples, numCounts, block);
  });
}

}  // namespace

StudySettings studySettingsOf(const SimulateOptions& options, std::vector<std::int32_t> observed) {
  StudySettings s;
  s.search = SearchSettings{options.exactness, options.criterion, options.maxComponents};
  s.populationSize = options.populationSize;
  s.replications = options.replications;
  s.evaluate = options.evaluate;
  s.bootReplications = options.bootReplications;
  s.level = options.level;
  s.fromDataset = options.fromData.has_value();
  s.observed = std::move(observed);
  s.numCounts = options.counts ? *options.counts
                               : s.fromDataset ? static_cast<std::int32_t>(s.observed.size()) : defaults::numCounts;
  s.lambda = options.lambda;
  s.weight = options.weight;
  s.threads = options.threads;
  return s;
}

nlohmann::json studyShardSettings(const SimulateOptions& options, const StudySettings& s) {
  const auto exact = [](const std::vector<double>& values) {
    nlohmann::json list = nlohmann::json::array();
    for (const double v : values) list.push_back(exactNumber(v));
    return list;
  };
  return {{"fromData", options.fromData ? nlohmann::json(*options.fromData) : nlohmann::json(nullptr)},
          {"lambda", exact(options.lambda)},
          {"weight", exact(options.weight)},
          {"populationSize", s.populationSize},
          {"replications", s.replications},
          {"counts", s.numCounts},
          {"exactness", exactNumber(options.exactness)},
          {"criterion", criterionName(options.criterion)},
          {"maxComponents", options.maxComponents},
          {"evaluate", s.evaluate},
          {"bootReplications", s.bootReplications},
          {"level", exactNumber(s.level)},
          {"interim", options.interim}};
}

void readStudyShardSettings(const nlohmann::json& settings, SimulateOptions& options) {
  const auto exact = [](const nlohmann::json& list) {
    std::vector<double> values;
    for (const nlohmann::json& v : list) values.push_back(readExactNumber(v));
    return values;
  };
  const nlohmann::json& fromData = settings.at("fromData");
  options.fromData = fromData.is_null() ? std::nullopt : std::optional<std::string>(fromData.get<std::string>());
  options.lambda = exact(settings.at("lambda"));
  options.weight = exact(settings.at("weight"));
  options.populationSize = settings.at("populationSize").get<std::int32_t>();
  options.replications = settings.at("replications").get<std::int32_t>();
  options.counts = settings.at("counts").get<std::int32_t>();
  options.exactness = readExactNumber(settings.at("exactness"));
  options.criterion = parseCriterion(settings.at("criterion").get<std::string>());
  options.maxComponents = settings.at("maxComponents").get<std::int32_t>();
  options.evaluate = settings.at("evaluate").get<bool>();
  options.bootReplications = settings.at("bootReplications").get<std::int32_t>();
  options.level = readExactNumber(settings.at("level"));
  options.interim = options.interim || settings.at("interim").get<bool>();
}

int reportStudy(const SimulateOptions& options, const StudySettings& s, std::int32_t seed, const StudyResult& result,
                RunFiles& files, std::ostream& out) {
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

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err) {
  const StudySettings s = studySettingsOf(
      options, options.fromData ? loadCounts(*options.fromData, options.format) : std::vector<std::int32_t>{});
  if (options.lambda.size() != options.weight.size()) {
    throw BadInput{"--lambda and --weight need one value per component"};
  }
  if (const std::optional<std::string> problem = studySettingsProblem(s)) throw BadInput{*problem};
  if (options.shard) checkShardOptions(options.seed, options.json, options.outDir);
  const std::int32_t seed = chooseSeed(options.seed);
  const ReplicateBlock block = options.shard ? shardBlock(s.replications, *options.shard) : allReplicates;

  // A shard writes its sample files; the interim and summary files are the merge's.
  RunFiles files(options.outDir, options.samples, options.interim && !options.shard, err);
  RandomStream stream(seed);
  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows = replicateCsvSink(options.replicatesCsv, s.evaluate, seed, rowsFile);
  const StudyResult result = [&] {
    ReplicateProgress bar(options.progress ? &err : nullptr);
    const ReplicateBlock fitted = withinRun(block, s.replications);
    const ProgressSink progress = [&bar, fitted](int r, int) { bar.update(r - fitted.first + 1, fitted.size()); };
    return runSimulationStudy(s, stream, {}, options.progress ? progress : ProgressSink{},
                              sampleWriter(files, options.samples && block.size() > 0, s.numCounts, block),
                              options.stop, rows, block);
  }();
  // Stopped: no interim or summary file, nothing printed.
  if (result.stopped) throw Stopped{};
  if (options.shard) {
    ShardResult shard = shardResultOf("simulate", *options.shard, seed, files.written());
    shard.settings = studyShardSettings(options, s);
    // The population drawn from: the counts, or the mixture.
    shard.dataDigest = dataDigest(s.fromDataset ? nlohmann::json{{"counts", s.observed}}
                                                : nlohmann::json{{"lambda", shard.settings["lambda"]},
                                                                 {"weight", shard.settings["weight"]}});
    shard.run = nlohmann::json::object();
    std::vector<std::int64_t> units;
    for (int r = 1; r <= s.replications; ++r) {
      units.push_back(block.contains(r) ? observedUnits(sampleRow(result.samples, r, 2, s.numCounts + 1)) : 0);
    }
    shard.rows = blockRows(withinRun(block, s.replications), result.tables, result.components, units,
                           result.evalMedian, result.evalIntervals);
    emitShard(shard, options.json, options.outDir, out);
    return exitSuccess;
  }
  return reportStudy(options, s, seed, result, files, out);
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
