#include "cli/BootstrapCommand.h"

#include <cmath>
#include <ctime>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "cli/RunFiles.h"
#include "common/FieldLayout.h"
#include "common/NearestInteger.h"
#include "estimation/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "numeric/RandomStream.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/RunMemory.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSummary.h"

namespace tallyfold::cli {

namespace {

constexpr std::int64_t largestSeed = 2147483646;

nlohmann::json finiteOrNull(double value) {
  return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
}

void printText(std::ostream& out, const BootstrapOptions& options, std::int32_t seed, std::size_t m,
               std::int64_t n, const SearchResult& observedFit, const Estimate& observedNall,
               const SimulationSummary& summary, const std::vector<std::string>& files) {
  out << "Tallyfold bootstrap of " << options.file << "\n";
  out << "m = " << m << " count classes, n = " << n << " observed units\n";
  out << "replications " << options.replications << ", seed " << seed << ", exactness "
      << formatF(options.exactness, 13, 11) << ", criterion " << criterionName(options.criterion)
      << ", maximum components " << options.maxComponents << "\n";
  out << "observed data: " << observedFit.numComponents << " components, N = "
      << (observedNall ? std::to_string(*observedNall) : std::string(noEstimate)) << "\n\n";

  const auto right = [](std::string_view text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
  };
  out << "estimator " << right("mean", 10) << right("median", 10) << right("st. dev.", 14)
      << right("median dev.", 14) << right("N0 mean", 10) << right("N0 median", 10) << "\n";
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    std::string name(studyEstimatorNames[k - 1]);
    name.resize(10, ' ');
    out << name << formatStatistic(e.nearestMean, 10) << formatStatistic(e.median, 10)
        << formatSpread(e.standardDeviation, 14, 1) << formatSpread(e.medianDeviation, 14, 1)
        << formatStatistic(u.truncatedMean, 10) << formatStatistic(u.median, 10) << "\n";
  }
  out << "\nSummary file rows\n";
  for (const std::string& line : summaryFileLines(summary)) out << line << "\n";
  for (const std::string& file : files) out << "wrote " << file << "\n";
}

nlohmann::json toJson(const BootstrapOptions& options, std::int32_t seed, std::size_t m, std::int64_t n,
                      const SearchResult& observedFit, const Estimate& observedNall, const BootstrapResult& result,
                      const SimulationSummary& summary, const std::vector<std::string>& files) {
  nlohmann::json j;
  j["file"] = options.file;
  j["m"] = m;
  j["n"] = n;
  j["settings"] = {{"exactness", options.exactness},
                   {"criterion", criterionName(options.criterion)},
                   {"maxComponents", options.maxComponents},
                   {"replications", options.replications}};
  j["seed"] = seed;
  j["observed"] = {{"components", observedFit.numComponents}, {"nall", jsonOrNull(observedNall)}};
  nlohmann::json replicates = nlohmann::json::array();
  for (int r = 1; r <= result.tables.replications(); ++r) {
    nlohmann::json estimates = nlohmann::json::array();
    nlohmann::json unobserved = nlohmann::json::array();
    for (int k = 1; k <= result.tables.estimators(); ++k) {
      estimates.push_back(jsonOrNull(result.tables.estimates(k, r)));
      unobserved.push_back(jsonOrNull(result.tables.unobserved(k, r)));
    }
    replicates.push_back({{"components", result.components[static_cast<std::size_t>(r - 1)]},
                          {"estimates", estimates},
                          {"unobserved", unobserved}});
  }
  j["replications"] = replicates;
  nlohmann::json perEstimator = nlohmann::json::object();
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    perEstimator[std::string(studyEstimatorNames[k - 1])] = {
        {"mean", jsonOrNull(e.nearestMean)},
        {"median", jsonOrNull(e.median)},
        {"sd", finiteOrNull(e.standardDeviation)},
        {"medianDeviation", finiteOrNull(e.medianDeviation)},
        {"unobservedMean", jsonOrNull(u.truncatedMean)},
        {"unobservedMedian", jsonOrNull(u.median)},
        {"unobservedSd", finiteOrNull(u.standardDeviation)}};
  }
  j["summary"] = perEstimator;
  j["summaryFile"] = summaryFileLines(summary);
  j["files"] = files;
  return j;
}

}  // namespace

std::int32_t clockSeedNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return RandomStream::clockSeed(local.tm_hour, local.tm_min, local.tm_sec);
}

int runBootstrapCommand(const BootstrapOptions& options, std::ostream& out, std::ostream& err) {
  if (options.replications < 1) throw BadInput{"--replications must be at least 1"};
  if (options.seed && (*options.seed < 1 || *options.seed > largestSeed)) {
    throw BadInput{"--seed must lie between 1 and 2147483646"};
  }
  const std::vector<std::int32_t> counts = loadCounts(options.file);
  if (const std::optional<std::string> problem = countTableProblem(counts)) {
    throw BadInput{options.file + ": " + *problem};
  }
  // The same check as the windowed dialog's: a run that would not fit in
  // memory is refused before anything is allocated.
  if (const std::optional<std::string> problem = bootstrapSettingsProblem(counts, options.replications)) {
    throw BadInput{*problem};
  }
  const std::int64_t n = observedUnits(counts);
  const std::int32_t seed = options.seed ? static_cast<std::int32_t>(*options.seed) : clockSeedNow();
  RunFiles files(options.outDir, options.samples, options.interim, err);
  RandomStream stream(seed);

  const SearchSettings settings{options.exactness, options.criterion, options.maxComponents};
  const SearchResult observedFit = componentSearch(counts, settings, false, {});
  const Estimate observedNall = nearestInt(estimateNall(counts, observedFit.lambda, observedFit.weight));

  SamplesDrawn samplesDrawn;
  if (options.samples) {
    samplesDrawn = [&files](const SampleTable& samples) { files.note(writeBootSampleFiles(files.folders(), samples)); };
  }
  const BootstrapResult result = bootstrapReplicates(counts, settings, options.replications, stream, {}, samplesDrawn);
  if (options.interim) files.note(writeBootInterimFile(files.folders(), result.tables, result.components));

  const SimulationSummary summary = summarizeSimulation(result.tables, std::nullopt);
  files.writeSummary(summary);
  if (options.json) {
    out << toJson(options, seed, counts.size(), n, observedFit, observedNall, result, summary, files.written())
               .dump(2)
        << "\n";
  } else {
    printText(out, options, seed, counts.size(), n, observedFit, observedNall, summary, files.written());
  }
  return exitSuccess;
}

}  // namespace tallyfold::cli
