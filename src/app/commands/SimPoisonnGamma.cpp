#include "commands/SimPoisonnGamma.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "numeric/RandomStream.h"
#include "commands/BusyGuard.h"
#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/DialogIds.h"
#include "windows/WindowServices.h"
#include "startup/startWin.h"
#include "views/Simoutput.h"
#include "commands/SimulationLog.h"
#include "simulation/RunJson.h"
#include "simulation/SimulationFiles.h"
#include "commands/Simu.h"

namespace tallyfold {

namespace {

void refuse(const std::string& message) { windows().messageBox(message, "Error"); }

}  // namespace

void startPoissonGamma() {
  // While a computation runs its worker writes the shared state this dialog
  // would show: refuse before reading it.
  if (refuseWhileBusy()) return;
  GlobalVar& g = globalVar();
  std::unique_ptr<Dialog> dialog = loadDialogOrReport(dialogPoissonGamma);
  if (!dialog) return;
  dialog->setText(idPopulationSize, formatI(offeredPopulationSize(), 10));
  dialog->setText(idReplications, formatI(g.numReplications, 10));
  writeStatus("Ready for computation!");
  if (g.numCountClasses > 0) g.numSimCounts = g.numCountClasses;
  dialog->setText(idNumCounts, formatI(g.numSimCounts, 5));
  dialog->setText(idAlpha, formatF(g.pgAlpha, 6, 4));
  dialog->setText(idKappa, formatF(g.pgKappa, 6, 4));
  dialog->setAction(idOk, poissonGammaSettingsOk);
  dialog->run();
}

void poissonGammaSettingsOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  // Every field is checked before anything is stored: a refused value keeps
  // the dialog open with the user's text and never reaches the settings.
  const std::optional<std::int32_t> replications = readListInteger(dialog.text(idReplications));
  if (!replications) return refuse("Error occur by Number of Replications!");
  const std::optional<std::int32_t> populationSize = readListInteger(dialog.text(idPopulationSize));
  if (!populationSize) return refuse("Error occur by Population Size!");
  const std::optional<std::int32_t> numCounts = readListInteger(dialog.text(idNumCounts));
  if (!numCounts) return refuse("Error occur by Number of Counts!");
  const std::optional<double> alpha = readListReal(dialog.text(idAlpha));
  if (!alpha) return refuse("Error occur by Alpha!");
  const std::optional<double> kappa = readListReal(dialog.text(idKappa));
  if (!kappa) return refuse("Error occur by Kappa!");

  PoissonGammaRun run;
  run.settings = PoissonGammaSettings{*alpha, *kappa, *populationSize, *replications, *numCounts};
  run.printInterim = dialog.checked(idPrintInterim);
  run.printSamples = dialog.checked(idPrintSamples);
  if (const std::optional<std::string> problem = poissonGammaSettingsProblem(run.settings)) return refuse(*problem);

  g.numReplications = run.settings.replications;
  g.populationSize = run.settings.populationSize;
  g.printInterim = run.printInterim ? 1 : 0;
  g.printSamples = run.printSamples ? 1 : 0;
  g.numSimCounts = run.settings.numCounts;
  g.pgAlpha = run.settings.alpha;
  g.pgKappa = run.settings.kappa;

  const PoissonGammaSettings& p = run.settings;
  run.record = RunRecord{startRunStream(), std::string(),
                         {"Poisson-Gamma simulation, alpha " + shortestReal(p.alpha) + ", kappa " + shortestReal(p.kappa) +
                          ", N = " + std::to_string(p.populationSize) + ", " + std::to_string(p.replications) +
                          " replications, counts up to " + std::to_string(p.numCounts)}};
  g.numEstimators = 5;
  if (!startJob([run](std::stop_token stop) { return runPoissonGamma(run, processRandomStream(), outputFolders(), stop); },
                [] { globalVar().numEstimators = 7; })) {
    g.numEstimators = 7;
  }
  dialog.exit(idOk);
}

std::optional<JobFinish> runPoissonGamma(const PoissonGammaRun& run, RandomStream& stream,
                                         const OutputFolders& folders, std::stop_token stop) {
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.simLogUnit;

  openSimulationLog(unit);
  const LogSink log = simulationLogSink(unit);
  const ProgressSink progress = statusBarProgress();
  std::vector<std::string> files;  // in the order they are written
  const SamplesDrawn samplesDrawn = sampleFileWriter(run.printSamples, folders, run.settings.numCounts, files);
  PoissonGammaResult result = runPoissonGammaSimulation(run.settings, stream, log, progress, samplesDrawn, stop);
  if (result.stopped) {
    closeStoppedRun(unit);
    return std::nullopt;
  }
  if (run.printInterim) {
    noteFiles(files, writeInterimFile(folders, InterimKind::poissonGamma, result.tables, {}, std::nullopt));
  }

  // The engine works on copies: the loaded count table, the fitted mixture
  // and the result tables stay as they are.
  w.focusWindow(g.statusUnit);
  result.samples = SampleTable();  // the summary and its JSON need the tables only
  auto shared = std::make_shared<const PoissonGammaResult>(std::move(result));
  RunOutputs outputs{std::move(files), {}};
  if (run.record) {
    outputs.json = [shared, settings = run.settings, seed = run.record->seed](
                       const SimulationSummary& summary, const std::vector<std::string>& written) {
      return poissonGammaJson(settings, seed, *shared, summary, written);
    };
  }
  return [shared, record = run.record, size = run.settings.populationSize, outputs = std::move(outputs)] {
    poissonGammaSummary(shared->tables, std::optional<std::int32_t>(size), record, outputs);
    globalVar().numEstimators = 7;
  };
}

}  // namespace tallyfold
