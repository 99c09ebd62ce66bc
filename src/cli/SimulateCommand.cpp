#include "SimulateCommand.h"

#include <cmath>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "BootstrapCommand.h"
#include "CliSupport.h"
#include "RunFiles.h"
#include "common/FieldLayout.h"
#include "numeric/RandomStream.h"
#include "simulation/SimulationEngine.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSummary.h"

namespace tallyfold::cli {

namespace {

constexpr std::int64_t largestSeed = 2147483646;

nlohmann::json finiteOrNull(double value) {
  return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
}

std::int32_t chooseSeed(const std::optional<std::int64_t>& seed) {
  if (seed && (*seed < 1 || *seed > largestSeed)) throw BadInput{"--seed must lie between 1 and 2147483646"};
  return seed ? static_cast<std::int32_t>(*seed) : clockSeedNow();
}

// Writes the sample files once the samples are drawn, when they are wanted.
SamplesDrawn sampleWriter(RunFiles& files, bool wanted, int numCounts) {
  if (!wanted) return {};
  return [&files, numCounts](const SampleTable& samples) {
    files.note(writeSampleFiles(files.folders(), samples, numCounts));
  };
}

// The per-estimator table, the bias beside each, and (for the study, which
// has a summary file) the summary file rows.
void printSummary(std::ostream& out, std::span<const std::string_view> names, const SimulationSummary& summary,
                  bool fileRows, const std::vector<std::string>& files) {
  const auto right = [](std::string_view text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
  };
  out << "estimator " << right("mean", 10) << right("median", 10) << right("st. dev.", 14)
      << right("median dev.", 14) << right("N0 mean", 10) << right("N0 median", 10) << right("bias", 10) << "\n";
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    std::string name(names[static_cast<std::size_t>(k - 1)]);
    name.resize(10, ' ');
    out << name << formatStatistic(e.nearestMean, 10) << formatStatistic(e.median, 10)
        << formatSpread(e.standardDeviation, 14, 1) << formatSpread(e.medianDeviation, 14, 1)
        << formatStatistic(u.truncatedMean, 10) << formatStatistic(u.median, 10)
        << formatStatistic(summary.bias(k), 10) << "\n";
  }
  if (summary.evaluation) {
    const ValueSummary& v = *summary.evaluation;
    out << "eval. median of the bootstrap: mean " << formatStatistic(v.nearestMean, 10) << ", median "
        << formatStatistic(v.median, 10) << ", st. dev. " << formatSpread(v.standardDeviation, 14, 1) << "\n";
  }
  if (fileRows) {
    out << "\nSummary file rows\n";
    for (const std::string& line : summaryFileLines(summary)) out << line << "\n";
  }
  for (const std::string& file : files) out << "wrote " << file << "\n";
}

nlohmann::json valueJson(const ValueSummary& v) {
  return {{"mean", jsonOrNull(v.nearestMean)},
          {"median", jsonOrNull(v.median)},
          {"sd", finiteOrNull(v.standardDeviation)},
          {"medianDeviation", finiteOrNull(v.medianDeviation)}};
}

nlohmann::json summaryJson(std::span<const std::string_view> names, const SimulationSummary& summary) {
  nlohmann::json perEstimator = nlohmann::json::object();
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    nlohmann::json entry = valueJson(e);
    entry["unobservedMean"] = jsonOrNull(u.truncatedMean);
    entry["unobservedMedian"] = jsonOrNull(u.median);
    entry["unobservedSd"] = finiteOrNull(u.standardDeviation);
    entry["bias"] = jsonOrNull(summary.bias(k));
    perEstimator[std::string(names[static_cast<std::size_t>(k - 1)])] = entry;
  }
  if (summary.evaluation) perEstimator["evalMedian"] = valueJson(*summary.evaluation);
  return perEstimator;
}

// One object per replicate: its estimates and N0 by row, and what else the
// run recorded for it.
nlohmann::json replicatesJson(const EstimateTables& tables, const std::vector<std::int32_t>* components,
                              const std::optional<std::vector<Estimate>>& evalMedian) {
  nlohmann::json replicates = nlohmann::json::array();
  for (int r = 1; r <= tables.replications(); ++r) {
    nlohmann::json estimates = nlohmann::json::array();
    nlohmann::json unobserved = nlohmann::json::array();
    for (int k = 1; k <= tables.estimators(); ++k) {
      estimates.push_back(jsonOrNull(tables.estimates(k, r)));
      unobserved.push_back(jsonOrNull(tables.unobserved(k, r)));
    }
    nlohmann::json entry{{"estimates", estimates}, {"unobserved", unobserved}};
    const auto index = static_cast<std::size_t>(r - 1);
    if (components) entry["components"] = (*components)[index];
    if (evalMedian) entry["evalMedian"] = jsonOrNull((*evalMedian)[index]);
    replicates.push_back(entry);
  }
  return replicates;
}

}  // namespace

int runSimulateCommand(const SimulateOptions& options, std::ostream& out, std::ostream& err) {
  StudySettings s;
  s.search = SearchSettings{options.exactness, options.criterion, options.maxComponents};
  s.populationSize = options.populationSize;
  s.replications = options.replications;
  s.evaluate = options.evaluate;
  s.bootReplications = options.bootReplications;
  s.fromDataset = options.fromData.has_value();
  if (s.fromDataset) s.observed = loadCounts(*options.fromData);
  s.numCounts = options.counts ? *options.counts
                               : s.fromDataset ? static_cast<std::int32_t>(s.observed.size()) : defaults::numCounts;
  s.lambda = options.lambda;
  s.weight = options.weight;
  if (options.lambda.size() != options.weight.size()) {
    throw BadInput{"--lambda and --weight need one value per component"};
  }
  if (const std::optional<std::string> problem = studySettingsProblem(s)) throw BadInput{*problem};
  const std::int32_t seed = chooseSeed(options.seed);

  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);
  const StudyResult result = runSimulationStudy(s, stream, {}, {}, sampleWriter(files, options.samples, s.numCounts));
  if (options.interim) {
    files.note(
        writeInterimFile(files.folders(), InterimKind::study, result.tables, result.components, result.evalMedian));
  }
  const SimulationSummary summary = summarizeSimulation(result.tables, s.populationSize, result.evalMedian);
  files.writeSummary(summary);

  if (options.json) {
    nlohmann::json j;
    j["model"] = s.fromDataset ? nlohmann::json{{"fromData", *options.fromData}}
                               : nlohmann::json{{"lambda", s.lambda}, {"weight", s.weight}};
    j["settings"] = {{"populationSize", s.populationSize},
                     {"replications", s.replications},
                     {"counts", s.numCounts},
                     {"exactness", options.exactness},
                     {"criterion", criterionName(options.criterion)},
                     {"maxComponents", options.maxComponents},
                     {"bootReplications", s.evaluate ? nlohmann::json(s.bootReplications) : nlohmann::json(nullptr)}};
    j["seed"] = seed;
    j["replications"] = replicatesJson(result.tables, &result.components, result.evalMedian);
    j["summary"] = summaryJson(studyEstimatorNames, summary);
    j["summaryFile"] = summaryFileLines(summary);
    j["files"] = files.written();
    out << j.dump(2) << "\n";
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
  return exitSuccess;
}

int runPoissonGammaCommand(const PoissonGammaOptions& options, std::ostream& out, std::ostream& err) {
  const PoissonGammaSettings s{options.alpha, options.kappa, options.populationSize, options.replications,
                               options.counts};
  if (const std::optional<std::string> problem = poissonGammaSettingsProblem(s)) throw BadInput{*problem};
  const std::int32_t seed = chooseSeed(options.seed);

  // The Poisson-Gamma simulation writes no summary file.
  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);
  const PoissonGammaResult result =
      runPoissonGammaSimulation(s, stream, {}, {}, sampleWriter(files, options.samples, s.numCounts));
  if (options.interim) {
    files.note(writeInterimFile(files.folders(), InterimKind::poissonGamma, result.tables, {}, std::nullopt));
  }
  const SimulationSummary summary = summarizeSimulation(result.tables, s.populationSize);

  if (options.json) {
    nlohmann::json j;
    j["model"] = {{"alpha", s.alpha}, {"kappa", s.kappa}};
    j["settings"] = {{"populationSize", s.populationSize}, {"replications", s.replications}, {"counts", s.numCounts}};
    j["seed"] = seed;
    j["replications"] = replicatesJson(result.tables, nullptr, std::nullopt);
    // The Poisson-Gamma simulation writes no summary file.
    j["summary"] = summaryJson(poissonGammaEstimatorNames, summary);
    j["files"] = files.written();
    out << j.dump(2) << "\n";
    return exitSuccess;
  }
  out << "Tallyfold Poisson-Gamma simulation, alpha " << s.alpha << ", kappa " << s.kappa << "\n";
  out << "N = " << s.populationSize << ", replications " << s.replications << ", counts " << s.numCounts
      << ", seed " << seed << "\n\n";
  printSummary(out, poissonGammaEstimatorNames, summary, false, files.written());
  return exitSuccess;
}

}  // namespace tallyfold::cli
