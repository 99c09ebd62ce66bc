// tallyfold-cli: the batch companion of the windowed program, over the same
// numerical engines.
#include <cmath>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/CliSupport.h"
#include "cli/EstimateCommand.h"
#include "common/SinglePrecision.h"
#include "numeric/ErrorReporting.h"

namespace {

using namespace tallyfold;
using namespace tallyfold::cli;

int run(int argc, char** argv) {
  CLI::App app{"Tallyfold: population size from capture-recapture count data", "tallyfold-cli"};
  app.require_subcommand(1);

  EstimateOptions estimate;
  estimate.exactness = static_cast<double>(single::exactness);
  std::string criterion = "max";
  CLI::App* estimateCommand = app.add_subcommand("estimate", "NPMLE, Zelterman, Chao and negative-binomial estimates");
  estimateCommand->add_option("FILE", estimate.file, "count data file: line x holds f(x)")->required();
  estimateCommand->add_option("--exactness", estimate.exactness, "exactness of computation (default 1.0E-7)");
  estimateCommand->add_option("--criterion", criterion, "stop criterion: npmle, bic or max (default max)");
  estimateCommand->add_option("--max-components", estimate.maxComponents, "largest number of components for max");
  estimateCommand->add_flag("--log", estimate.log, "print the search's progress lines first");
  estimateCommand->add_flag("--json", estimate.json, "print one JSON object");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return exitBadInput;
  }

  if (estimateCommand->parsed()) {
    estimate.criterion = parseCriterion(criterion);
    if (!(estimate.exactness > 0.0) || !std::isfinite(estimate.exactness)) {
      throw BadInput{"--exactness must be a positive number"};
    }
    return runEstimate(estimate, std::cout);
  }
  return exitBadInput;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const BadInput& e) {
    std::cerr << "tallyfold-cli: " << e.message << "\n";
    return exitBadInput;
  } catch (const TerminalError&) {
    // The error facility has printed the message already.
    std::cerr << "Stop - Program terminated.\n";
    return exitNumericalError;
  }
}
