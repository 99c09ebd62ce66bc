#include "commands/Boot.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "estimation/EMtrun.h"
#include "numeric/RandomStream.h"
#include "commands/BusyGuard.h"
#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/DialogIds.h"
#include "windows/WindowServices.h"
#include "simulation/BootstrapEngine.h"
#include "simulation/RunJson.h"
#include "simulation/RunMemory.h"
#include "views/Simoutput.h"
#include "commands/SimulationLog.h"
#include "simulation/SimulationEngine.h"
#include "views/IntervalsView.h"
#include "views/Plots.h"

namespace tallyfold {

namespace {

constexpr CriterionRadios criterionRadios{idNpmle, idBic, idMax};

void refuse(const std::string& message) { windows().messageBox(message, "Error"); }

}  // namespace

void startBootstrap() {
  // While a computation runs its worker writes the shared state this dialog
  // would show: refuse before reading it.
  if (refuseWhileBusy()) return;
  const GlobalVar& g = globalVar();
  if (!requireEstimableData()) return;
  std::unique_ptr<Dialog> dialog = loadDialogOrReport(dialogBootstrap);
  if (!dialog) return;
  dialog->setText(idMaxComponents, formatI(g.maxComponents, 5));
  dialog->setText(idReplications, formatI(g.numReplications, 10));
  dialog->setChecked(idPrintInterim, g.printInterim != 0);
  dialog->setChecked(idPrintSamples, g.printSamples != 0);
  dialog->setChecked(idWriteReplicates, g.printReplicates != 0);
  criterionRadios.show(*dialog, g.stopCriterion);
  dialog->setAction(idOk, bootstrapSettingsOk);
  dialog->run();
}

void bootstrapSettingsOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  // Every field is checked before anything is stored: a refused value keeps
  // the dialog open with the user's text and never reaches the settings.
  const std::optional<std::int32_t> maxComponents = readMaxComponents(dialog.text(idMaxComponents));
  if (!maxComponents) return;
  const std::optional<std::int32_t> replications = readListInteger(dialog.text(idReplications));
  if (!replications) return refuse("Error occur by Number of Replications!");
  // Every summary divides by the number of replications, and the samples
  // must fit in memory.
  if (const std::optional<std::string> problem = bootstrapSettingsProblem(g.counts, *replications)) {
    return refuse(*problem);
  }
  g.stopCriterion = criterionRadios.read(dialog);
  g.printInterim = dialog.checked(idPrintInterim) ? 1 : 0;
  g.printSamples = dialog.checked(idPrintSamples) ? 1 : 0;
  g.printReplicates = dialog.checked(idWriteReplicates) ? 1 : 0;
  g.maxComponents = *maxComponents;
  g.numReplications = *replications;

  BootstrapRun run{g.counts, SearchSettings{g.exactness, g.stopCriterion, g.maxComponents},
                   g.numReplications, g.printInterim != 0, g.printSamples != 0, std::nullopt,
                   g.printReplicates != 0};
  run.record = RunRecord{startRunStream(), g.dataFileName,
                         {"bootstrap of " + std::to_string(run.replications) + " replications",
                          searchSettingsText(run.search)}};
  startJob([run](std::stop_token stop) { return runBootstrap(run, processRandomStream(), outputFolders(), stop); });
  dialog.exit(idOk);
}

std::optional<JobFinish> runBootstrap(const BootstrapRun& run, RandomStream& stream, const OutputFolders& folders,
                                      std::stop_token stop) {
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.simLogUnit;

  if (const std::optional<std::string> problem = bootstrapSettingsProblem(run.observed, run.replications)) {
    w.messageBox(*problem, "Error");
    return JobFinish{};
  }
  // The observed table's own fit gives the population size the simulation
  // dialogs start from. A table that carries no information about the
  // means has no fit, but its replicates still have the closed-form
  // estimates.
  const SearchResult fit = componentSearch(run.observed, run.search, false, {}, stop);
  if (fit.stopped) return std::nullopt;
  const std::optional<std::int32_t> size =
      fit.estimable ? nearestInt(estimateNall(run.observed, fit.lambda, fit.weight)) : std::nullopt;

  openSimulationLog(unit);
  // The status bar follows the replicates: each one starts with its rep line.
  const std::string repLine = listDirected("********  rep ");
  const LogSink log = [unit, repLine, total = run.replications, started = 0,
                       progress = RunProgress()](const std::string& line) mutable {
    if (line.rfind(repLine, 0) == 0) windows().setStatusBarText(progress.text(++started, total));
    windows().writeLine(unit, line);
  };
  log(listDirected("Start Simulation"));

  std::vector<std::string> files;  // in the order they are written
  SamplesDrawn samplesDrawn;
  if (run.printSamples) {
    samplesDrawn = [&folders, &files](const SampleTable& samples) {
      noteFiles(files, writeBootSampleFiles(folders, samples));
    };
  }
  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows = replicateFileSink(run.writeReplicates, folders, "Bootreplicates.csv", false, recordedSeed(run.record),
                                               rowsFile);
  BootstrapResult result =
      bootstrapReplicates(run.observed, run.search, run.replications, stream, log, samplesDrawn, stop,
                          defaults::threads, rows);
  if (result.stopped) {
    closeStoppedRun(unit);
    return std::nullopt;
  }

  if (run.printInterim) noteFiles(files, writeBootInterimFile(folders, result.tables, result.components));
  log(expectationLine(result.components, result.tables));
  log(listDirected(std::string(62, '_')));

  w.closeWindow(unit, true);
  w.focusWindow(g.statusUnit);
  // The estimates on the observed table, marked in the histograms.
  const ReplicateEstimates observedRow = estimateReplicate(run.observed, run.search, stop);
  if (stop.stop_requested()) return std::nullopt;
  auto plot = std::make_shared<const PlotDescription>(bootstrapPlot(
      result.tables, std::vector<Estimate>(observedRow.estimates.begin(), observedRow.estimates.end()),
      defaults::intervalLevel));
  result.samples = SampleTable();  // the summary and its JSON need the tables only
  auto shared = std::make_shared<const BootstrapResult>(std::move(result));
  RunOutputs outputs{std::move(files), {}};
  if (run.record) {
    // The observed fit as tallyfold-cli bootstrap reports it.
    const BootstrapJsonParts parts{run.replications, run.record->seed, fit.numComponents,
                                   nearestInt(estimateNall(run.observed, fit.lambda, fit.weight)),
                                   defaults::intervalLevel};
    outputs.json = [shared, parts, file = run.record->dataFile, counts = run.observed, settings = run.search](
                       const SimulationSummary& summary, const std::vector<std::string>& written) {
      return bootstrapJson(file, counts, settings, parts, *shared, summary, written);
    };
  }
  return [size, shared, folders, plot, record = run.record, outputs = std::move(outputs)] {
    // Set only now: an abandoned or stopped run leaves the setting as it was.
    if (size) globalVar().populationSize = *size;
    simulationSummary(shared->tables, std::nullopt, std::nullopt, folders, record, outputs);
    showConfidenceIntervals(shared->tables, defaults::intervalLevel);
    globalVar().bootstrapPlot = *plot;
    windows().setMenuEntryEnabled(bootstrapPlotCaption, true);
  };
}

}  // namespace tallyfold
