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

#include "data/CountData.h"
#include "settings/Defaults.h"

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
};

// Writes the results to `out` and any missing-folder message to `err`;
// returns the exit code. Throws BadInput; a terminal numerical error
// propagates as TerminalError; a run that sees its stop request throws
// Stopped.
int runBootstrapCommand(const BootstrapOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tallyfold::cli
