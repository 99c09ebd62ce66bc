#pragma once
// tallyfold-cli bootstrap: the bootstrap of the windowed program in batch
// form — R bootstrap samples of one count data file, the seven estimators
// on each, and the summary over the replicates; optionally the sample files
// and the interim file.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>

#include <nlohmann/json.hpp>

#include "data/CountData.h"
#include "settings/Defaults.h"
#include "simulation/EstimateTables.h"
#include "simulation/ShardResult.h"

namespace tallyfold::cli {

struct BootstrapOptions {
  std::string file;
  CountFormat format = CountFormat::automatic;  // the form the file is read in
  double exactness = 0.0;  // set to the program's default by the caller
  StopCriterion criterion = defaults::stopCriterion;
  std::int32_t maxComponents = defaults::maxComponents;
  std::int32_t replications = defaults::replications;
  std::optional<std::int64_t> seed;      // none: the clock seed, as in the program
  std::optional<std::string> outDir;     // stands for the folder "C:\Temp"
  bool samples = false;
  bool interim = false;
  bool json = false;
  std::optional<std::string> replicatesCsv;  // one CSV row per replicate, written as the run goes
  double level = defaults::intervalLevel;  // of the percentile intervals
  std::int32_t threads = defaults::threads;  // that fit the replicates; 0: every core
  bool progress = false;  // the progress bar on the error stream
  std::stop_token stop;  // the run's stop request
  // Shard I of P: fit the shard's replicates only and hand on their rows as
  // a shard result (JSON on standard output with json, the file
  // shard-I-of-P.json in outDir); the samples written are the shard's, the
  // interim and summary files are the merge's.
  std::optional<ShardId> shard;
};

class RunFiles;

// What a bootstrap shows of the observed data besides the settings.
struct BootstrapObserved {
  std::size_t m = 0;
  std::int64_t n = 0;
  std::int32_t components = 0;  // of the observed data's fit
  Estimate nall;
};

// The outputs of a whole bootstrap from its tables: the interim file when
// asked, the summary file, and the text or JSON on `out`. A run in one
// process and the merge of its shards both end here.
int reportBootstrap(const BootstrapOptions& options, std::int32_t seed, const BootstrapObserved& observed,
                    const EstimateTables& tables, const std::vector<std::int32_t>& components, RunFiles& files,
                    std::ostream& out);

// The settings a bootstrap shard records (those the outputs depend on), and
// the options they stand for.
nlohmann::json bootstrapShardSettings(const BootstrapOptions& options);
void readBootstrapShardSettings(const nlohmann::json& settings, BootstrapOptions& options);
BootstrapObserved readBootstrapObserved(const nlohmann::json& run);

// Writes the results to `out` and any missing-folder message to `err`;
// returns the exit code. Throws BadInput; a terminal numerical error
// propagates as TerminalError; a run that sees its stop request throws
// Stopped.
int runBootstrapCommand(const BootstrapOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tallyfold::cli
