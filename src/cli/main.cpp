// tallyfold-cli: the batch companion of the windowed program, over the same
// numerical engines.
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "BootstrapCommand.h"
#include "CliSupport.h"
#include "EstimateCommand.h"
#include "HelpText.h"
#include "MergeCommand.h"
#include "ReplicateProgress.h"
#include "RunStop.h"
#include "SearchProgress.h"
#include "SimulateCommand.h"
#include "common/ListDirected.h"
#include "data/CountData.h"
#include "numeric/ErrorReporting.h"
#include "settings/Defaults.h"
#include "simulation/ShardResult.h"
#include "simulation/SimulationEngine.h"

namespace {

using namespace tallyfold;
using namespace tallyfold::cli;

// The most threads --threads takes.
constexpr std::int32_t largestThreads = 1024;

// The options every subcommand that draws samples takes alike.
void addSeedOption(CLI::App* command, std::optional<std::int64_t>& seed) {
  command->add_option("--seed", seed, "state of the random stream, 1..2147483646 (default: clock)");
}

// A confidence level strictly between 0 and 1.
void addLevelOption(CLI::App* command, double& level, const std::string& what) {
  command
      ->add_option("--level", level, "confidence level of " + what + ", in (0, 1)" + defaultNote(shortestReal(level)))
      ->check([](const std::string& text) -> std::string {
        try {
          const double v = std::stod(text);
          if (v > 0.0 && v < 1.0) return {};
        } catch (const std::exception&) {
        }
        return "the level must lie strictly between 0 and 1";
      });
}

// The options of the runs over many replicates: how many threads fit
// them, and whether the progress bar is shown.
void addReplicateOptions(CLI::App* command, std::int32_t& threads, bool& quiet) {
  command
      ->add_option("--threads", threads,
                   "threads that fit the replicates; 0: every core, 1: one after the other (default 0); "
                   "the results do not depend on it")
      ->check(CLI::Range(0, largestThreads));
  command->add_flag("--quiet", quiet, "no progress bar on standard error (it is shown only on a terminal)");
}

void addTimeLimitOption(CLI::App* command, std::optional<double>& seconds) {
  command->add_option("--time-limit", seconds, "stop the computation after SECONDS (exit status 3)");
}

// --shard I/P of a run spread over several processes.
void addShardOption(CLI::App* command, std::optional<ShardId>& shard) {
  command
      ->add_option_function<std::string>(
          "--shard", [&shard](const std::string& text) { shard = parseShardId(text); },
          "fit only shard I of P (a block of the replicates; needs --seed) and write its result, for merge: "
          "with --out DIR the file DIR/shard-I-of-P.json, with --json on standard output")
      ->check([](const std::string& text) -> std::string {
        return parseShardId(text) ? std::string() : "--shard takes I/P, whole numbers with 1 <= I <= P";
      });
}

// The form the count data file `file` is read in.
CLI::Option* addFormatOption(CLI::App* command, CountFormat& format, const std::string& file) {
  std::vector<std::string> names;
  for (const CountFormat f : {CountFormat::automatic, CountFormat::counts, CountFormat::pairs}) {
    names.emplace_back(countFormatName(f));
  }
  return command
      ->add_option_function<std::string>(
          "--format", [&format](const std::string& name) { format = *countFormatFromName(name); },
          "form of " + file + ": counts (line x holds f(x)), pairs (lines \"x,f(x)\", classes missing are 0) or "
          "auto: pairs for a .csv or .tsv file or one whose first line is a header of words (default auto)")
      ->check(CLI::IsMember(names));
}

// `stop` is made once the options are parsed; it outlives run so that main
// can tell why a command stopped.
int run(int argc, char** argv, std::optional<RunStop>& stop) {
  CLI::App app{"Tallyfold: population size from capture-recapture count data", "tallyfold-cli"};
  app.require_subcommand(1);
  std::optional<double> timeLimit;
  bool quiet = false;
  // The "(default ...)" notes that several options' help texts share.
  const std::string exactnessNote = defaultNote(exponentText(defaults::exactness));
  const std::string criterionNote = defaultNote(criterionName(defaults::stopCriterion));
  const std::string populationNote = defaultNote(defaults::populationSize);
  const std::string replicationsNote = defaultNote(defaults::replications);

  EstimateOptions estimate;
  estimate.exactness = static_cast<double>(defaults::exactness);
  std::string criterion = std::string(criterionName(defaults::stopCriterion));
  CLI::App* estimateCommand = app.add_subcommand("estimate", "NPMLE, Zelterman, Chao and negative-binomial estimates");
  estimateCommand->add_option("FILE", estimate.file, "count data file: line x holds f(x)")->required();
  addFormatOption(estimateCommand, estimate.format, "FILE");
  estimateCommand->add_option("--exactness", estimate.exactness, "exactness of computation" + exactnessNote);
  estimateCommand->add_option("--criterion", criterion, "stop criterion: npmle, bic or max" + criterionNote);
  estimateCommand->add_option("--max-components", estimate.maxComponents, "largest number of components for max");
  estimateCommand->add_flag("--log", estimate.log, "print the search's progress lines first");
  estimateCommand->add_flag("--json", estimate.json, "print one JSON object");
  estimateCommand->add_flag("--gof", estimate.gof, "also print the observed and expected frequencies");
  estimateCommand->add_flag("--curves", estimate.curves, "JSON: each fit's gradient function at 400 points");
  addLevelOption(estimateCommand, estimate.level, "Chao's interval");
  CLI::Option* cutoff = estimateCommand->add_option(
      "--cutoff", estimate.cutoff, "fit only the classes x <= T and add back the units seen more often");
  estimateCommand->add_flag("--cutoff-scan", estimate.cutoffScan, "the same for every cut-off T = 2..m")->excludes(cutoff);
  estimateCommand->add_flag("--csv", estimate.csv, "print the fits and the closed forms as CSV")->excludes("--json");
  estimateCommand
      ->add_option("--threads", estimate.threads,
                   "threads that share the search's classes on large tables; 0: every core (default 0); "
                   "the results do not depend on it")
      ->check(CLI::Range(0, largestThreads));
  addTimeLimitOption(estimateCommand, timeLimit);

  BootstrapOptions bootstrap;
  bootstrap.exactness = static_cast<double>(defaults::exactness);
  std::string bootstrapCriterion = std::string(criterionName(defaults::stopCriterion));
  CLI::App* bootstrapCommand = app.add_subcommand("bootstrap", "bootstrap of the seven estimators");
  bootstrapCommand->add_option("FILE", bootstrap.file, "count data file: line x holds f(x)")->required();
  addFormatOption(bootstrapCommand, bootstrap.format, "FILE");
  bootstrapCommand->add_option("--replications", bootstrap.replications,
                               "number of bootstrap samples, at least 1" + replicationsNote +
                                   "; refused when the run needs more "
                               "than the machine's memory");
  bootstrapCommand->add_option("--criterion", bootstrapCriterion,
                               "stop criterion: npmle, bic or max" + criterionNote);
  bootstrapCommand->add_option("--max-components", bootstrap.maxComponents, "largest number of components for max");
  bootstrapCommand->add_option("--exactness", bootstrap.exactness, "exactness of computation" + exactnessNote);
  addSeedOption(bootstrapCommand, bootstrap.seed);
  bootstrapCommand->add_option("--out", bootstrap.outDir, "folder that stands for C:\\Temp (sample files in its Sim)");
  bootstrapCommand->add_flag("--samples", bootstrap.samples, "write the samples boot1.txt ... into Sim");
  bootstrapCommand->add_flag("--interim", bootstrap.interim, "write Bootinterim.txt");
  bootstrapCommand->add_flag("--json", bootstrap.json, "print one JSON object");
  addLevelOption(bootstrapCommand, bootstrap.level, "the percentile intervals");
  addReplicateOptions(bootstrapCommand, bootstrap.threads, quiet);
  bootstrapCommand->add_option("--replicates-csv", bootstrap.replicatesCsv,
                               "write one CSV row per replicate to FILE as the run goes");
  addShardOption(bootstrapCommand, bootstrap.shard);
  addTimeLimitOption(bootstrapCommand, timeLimit);

  SimulateOptions simulate;
  simulate.exactness = static_cast<double>(defaults::exactness);
  std::string simulateCriterion = std::string(criterionName(defaults::stopCriterion));
  std::optional<std::int32_t> bootEvaluation;
  bool noBootEvaluation = false;
  CLI::App* simulateCommand = app.add_subcommand("simulate", "simulation study of a population of known size");
  CLI::Option* fromData =
      simulateCommand->add_option("--from-data", simulate.fromData, "nonparametric: draw from this count data file");
  addFormatOption(simulateCommand, simulate.format, "the --from-data file")->needs(fromData);
  CLI::Option* lambdas = simulateCommand
                             ->add_option("--lambda", simulate.lambda,
                                          "component means" + defaultNote(commaList(defaults::simLambda)))
                             ->delimiter(',')
                             ->excludes(fromData);
  simulateCommand
      ->add_option("--weight", simulate.weight, "component weights" + defaultNote(commaList(defaults::simWeight)))
      ->delimiter(',')
      ->excludes(fromData)
      ->needs(lambdas);
  simulateCommand->add_option("--population", simulate.populationSize, "population size N" + populationNote);
  simulateCommand->add_option("--replications", simulate.replications,
                              "number of samples, at least 1" + replicationsNote +
                                  "; refused when the run needs more than the "
                              "machine's memory");
  simulateCommand->add_option("--counts", simulate.counts,
                              "largest count kept K, 1.." + std::to_string(largestNumCounts) +
                                  " (2.. with the bootstrap evaluation; default " +
                                  std::to_string(defaults::numCounts) + ", or m of the data)");
  simulateCommand->add_option("--criterion", simulateCriterion, "stop criterion: npmle, bic or max" + criterionNote);
  simulateCommand->add_option("--max-components", simulate.maxComponents, "largest number of components for max");
  simulateCommand->add_option("--exactness", simulate.exactness, "exactness of computation" + exactnessNote);
  CLI::Option* bootEval =
      simulateCommand->add_option("--boot-eval", bootEvaluation,
                                  "bootstrap samples per replicate, at least 1 (default " +
                                      std::to_string(defaults::bootReplications) + "); refused when the run "
                                  "needs more than the machine's memory");
  simulateCommand->add_flag("--no-boot-eval", noBootEvaluation, "no bootstrap evaluation")->excludes(bootEval);
  addSeedOption(simulateCommand, simulate.seed);
  simulateCommand->add_option("--out", simulate.outDir, "folder that stands for C:\\Temp (sample files in its Sim)");
  simulateCommand->add_flag("--samples", simulate.samples, "write the samples sample1.txt ... into Sim");
  simulateCommand->add_flag("--interim", simulate.interim, "write Siminterim.txt");
  simulateCommand->add_flag("--json", simulate.json, "print one JSON object");
  addLevelOption(simulateCommand, simulate.level, "the evaluation's intervals");
  addReplicateOptions(simulateCommand, simulate.threads, quiet);
  simulateCommand->add_option("--replicates-csv", simulate.replicatesCsv,
                              "write one CSV row per replicate to FILE as the run goes");
  addShardOption(simulateCommand, simulate.shard);
  addTimeLimitOption(simulateCommand, timeLimit);

  PoissonGammaOptions pg;
  CLI::App* pgCommand = app.add_subcommand("pg-simulate", "simulation from a Poisson-Gamma population");
  pgCommand->add_option("--alpha", pg.alpha,
                        "probability parameter alpha" + defaultNote(shortestReal(defaults::pgAlpha)));
  pgCommand->add_option("--kappa", pg.kappa, "shape kappa" + defaultNote(shortestReal(defaults::pgKappa)));
  pgCommand->add_option("--population", pg.populationSize, "population size N" + populationNote);
  pgCommand->add_option("--replications", pg.replications,
                        "number of samples, at least 1" + replicationsNote +
                            "; refused when the run needs more than the "
                        "machine's memory");
  pgCommand->add_option("--counts", pg.counts,
                        "largest count kept K, 2.." + std::to_string(largestNumCounts) +
                            defaultNote(defaults::numCounts));
  addSeedOption(pgCommand, pg.seed);
  pgCommand->add_option("--out", pg.outDir, "folder that stands for C:\\Temp (sample files in its Sim)");
  pgCommand->add_flag("--samples", pg.samples, "write the samples sample1.txt ... into Sim");
  pgCommand->add_flag("--interim", pg.interim, "write Siminterim.txt");
  pgCommand->add_flag("--json", pg.json, "print one JSON object");
  addReplicateOptions(pgCommand, pg.threads, quiet);
  addTimeLimitOption(pgCommand, timeLimit);

  MergeOptions merge;
  CLI::App* mergeCommand =
      app.add_subcommand("merge", "put the shard results of one bootstrap or simulate run together");
  mergeCommand->add_option("SHARD", merge.files, "shard results (shard-I-of-P.json), every shard of the run once")
      ->required();
  mergeCommand->add_option("--out", merge.outDir, "folder that stands for C:\\Temp (the summary file)");
  mergeCommand->add_flag("--interim", merge.interim, "write the interim file (also when the shards did not ask)");
  mergeCommand->add_flag("--json", merge.json, "print the JSON object of the run");
  mergeCommand->add_option("--replicates-csv", merge.replicatesCsv, "write one CSV row per replicate to FILE");

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return exitBadInput;
  }

  checkTimeLimit(timeLimit);
  // From here SIGINT, SIGTERM and the time limit stop the computation.
  stop.emplace(timeLimit);
  estimate.stop = bootstrap.stop = simulate.stop = pg.stop = stop->token();
  bootstrap.progress = simulate.progress = pg.progress =
      showsReplicateProgress(quiet, standardErrorIsTerminal());
  if (estimateCommand->parsed()) {
    estimate.criterion = parseCriterion(criterion);
    checkSearchOptions(estimate.exactness, estimate.maxComponents, std::cerr);
    const bool progress = showsProgress(estimate.log, standardErrorIsTerminal());
    return runEstimate(estimate, std::cout, progress ? &std::cerr : nullptr);
  }
  if (bootstrapCommand->parsed()) {
    bootstrap.criterion = parseCriterion(bootstrapCriterion);
    checkSearchOptions(bootstrap.exactness, bootstrap.maxComponents, std::cerr);
    return runBootstrapCommand(bootstrap, std::cout, std::cerr);
  }
  if (simulateCommand->parsed()) {
    simulate.criterion = parseCriterion(simulateCriterion);
    checkSearchOptions(simulate.exactness, simulate.maxComponents, std::cerr);
    if (bootEvaluation) simulate.bootReplications = *bootEvaluation;
    simulate.evaluate = !noBootEvaluation;
    return runSimulateCommand(simulate, std::cout, std::cerr);
  }
  if (pgCommand->parsed()) return runPoissonGammaCommand(pg, std::cout, std::cerr);
  if (mergeCommand->parsed()) return runMergeCommand(merge, std::cout, std::cerr);
  return exitBadInput;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<RunStop> stop;
  try {
    return run(argc, argv, stop);
  } catch (const Stopped&) {
    // A stopped command has printed no result; this is said once, here.
    std::cerr << stop->stoppedMessage();
    return stop->exitStatus();
  } catch (const BadInput& e) {
    std::cerr << "tallyfold-cli: " << e.message << "\n";
    return exitBadInput;
  } catch (const TerminalError&) {
    // The error facility has printed the message already.
    std::cerr << "Stop - Program terminated.\n";
    return exitNumericalError;
  } catch (const std::bad_alloc&) {
    // The settings checks refuse what cannot fit; this is what they could
    // not foresee (the output of a very large run, memory taken by others).
    std::cerr << "tallyfold-cli: not enough memory for this run\n";
    return exitBadInput;
  } catch (const std::exception& e) {
    std::cerr << "tallyfold-cli: " << e.what() << "\n";
    return exitBadInput;
  }
}
