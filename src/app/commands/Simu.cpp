#include "commands/Simu.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "common/Text.h"
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
#include "simulation/StudyAccuracy.h"
#include "views/IntervalsView.h"
#include "views/Plots.h"

namespace tallyfold {

namespace {

constexpr CriterionRadios criterionRadios{idNpmle, idBic, idMax};

// More components than anyone enters by hand: each one is a dialog of its
// own, and the arrays are allocated at once.
constexpr std::int32_t largestComponentCount = 100;

void refuse(const std::string& message) { windows().messageBox(message, "Error"); }

std::string blanks(int count) { return std::string(static_cast<std::size_t>(std::max(count, 0)), ' '); }

int trimmedLength(const std::string& text) { return static_cast<int>(trim(text).size()); }

}  // namespace

std::int32_t offeredPopulationSize() {
  const GlobalVar& g = globalVar();
  if (g.results && g.results->size() >= 1) {
    // Runs that fit without recording move numComponents away from the
    // recorded fits: the last recorded one stands in for them.
    const int s = std::clamp(g.numComponents, 1, g.results->size());
    if (const std::optional<std::int32_t> size = truncateInt(g.results->resNall[static_cast<std::size_t>(s - 1)])) {
      return *size;
    }
  }
  return g.populationSize;
}


std::string distributionLine(int component, double lambda, double weight) {
  // Each value in its field, shifted right by the blanks its field does
  // not use (5, 19 and 19 columns from the previous value).
  const std::string j = formatI(component, 5);
  const std::string mean = formatF(lambda, 8, 2);
  const std::string w = formatF(weight, 6, 4);
  return blanks(5 - trimmedLength(j)) + j + blanks(19 - trimmedLength(mean)) + mean + blanks(19 - trimmedLength(w)) +
         w;
}

void fillDistributionList(Dialog& dialog) {
  const GlobalVar& g = globalVar();
  const std::size_t size = std::min(g.simLambda.size(), g.simWeight.size());
  for (std::size_t j = 1; j <= size; ++j) {
    dialog.setListCount(idDistribution, static_cast<int>(j));
    dialog.setListEntry(idDistribution, static_cast<int>(j),
                        distributionLine(static_cast<int>(j), g.simLambda[j - 1], g.simWeight[j - 1]));
  }
}

void startSimulation() {
  // While a computation runs its worker writes the shared state this dialog
  // would show: refuse before reading it.
  if (refuseWhileBusy()) return;
  GlobalVar& g = globalVar();
  std::unique_ptr<Dialog> dialog = loadDialogOrReport(dialogSimulation);
  if (!dialog) return;
  dialog->setText(idPopulationSize, formatI(offeredPopulationSize(), 10));
  dialog->setText(idReplications, formatI(g.numReplications, 10));
  dialog->setText(idBootReplications, formatI(g.numBootReplications, 10));
  dialog->setChecked(idEvaluate, g.evaluatePerBootstrap != 0);
  dialog->setText(idExactness, formatF(g.exactness, 13, 11));
  writeStatus("Ready for computation!");
  dialog->setText(idMaxComponents, formatI(g.maxComponents, 5));
  if (g.numCountClasses > 0) g.numSimCounts = g.numCountClasses;
  dialog->setText(idNumCounts, formatI(g.numSimCounts, 5));
  dialog->setChecked(idPrintInterim, g.printInterim != 0);
  dialog->setChecked(idPrintSamples, g.printSamples != 0);
  dialog->setChecked(idWriteReplicates, g.printReplicates != 0);
  criterionRadios.show(*dialog, g.stopCriterion);
  dialog->setChecked(g.simFromDataset != 0 ? idFromDataset : idParametric, true);
  fillDistributionList(*dialog);
  dialog->setAction(idChangeDistribution, changeDistribution);
  dialog->setAction(idResultDistribution, resultDistribution);
  dialog->setAction(idOk, simulationSettingsOk);
  dialog->run();
}

void changeDistribution(Dialog& dialog) {
  if (std::unique_ptr<Dialog> count = loadDialogOrReport(dialogComponentCount)) {
    count->setAction(idOk, componentCountOk);
    count->run();
  }
  fillDistributionList(dialog);
}

void componentCountOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  const std::optional<std::int32_t> size = readBnI(dialog.text(idComponentCount), 8);
  if (!size || *size < 1 || *size > largestComponentCount) {
    refuse("Error occur by Number of Components!");
    return;
  }
  dialog.exit(idOk);
  // A component whose dialog is cancelled stays unset (NaN), and the study
  // refuses to start until it is set.
  g.simMixtureSize = *size;
  g.simLambda.assign(static_cast<std::size_t>(*size), std::numeric_limits<double>::quiet_NaN());
  g.simWeight.assign(static_cast<std::size_t>(*size), std::numeric_limits<double>::quiet_NaN());
  for (std::int32_t i = 1; i <= *size; ++i) {
    std::unique_ptr<Dialog> component = loadDialogOrReport(dialogComponent);
    if (!component) continue;
    component->setText(idComponentNumber, listDirected(i));
    g.editedComponent = i;
    component->setAction(idOk, componentOk);
    component->run();
  }
}

void componentOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  const auto j = static_cast<std::size_t>(g.editedComponent);
  if (j < 1 || j > g.simLambda.size() || j > g.simWeight.size()) {
    dialog.exit(idCancel);
    return;
  }
  // The Poisson probabilities take the mean in single precision: it must be
  // positive and finite there.
  const std::optional<double> lambda = readListReal(dialog.text(idLambda));
  if (!lambda || !(static_cast<float>(*lambda) > 0.0f) || !std::isfinite(static_cast<float>(*lambda))) {
    refuse("Error occur by Lambda!");
    return;
  }
  g.simLambda[j - 1] = *lambda;
  const std::optional<double> weight = readListReal(dialog.text(idWeight));
  if (!weight || !(*weight > 0.0)) {
    refuse("Error occur by Weights!");
    return;
  }
  g.simWeight[j - 1] = *weight;
  dialog.exit(idOk);
}

void resultDistribution(Dialog& dialog) {
  GlobalVar& g = globalVar();
  if (!g.results || g.results->size() < 1) {
    refuse("Non Result available!");
    return;
  }
  const ResultTables& res = *g.results;
  const int s = std::clamp(g.numComponents, 1, res.size());
  g.simMixtureSize = s;
  g.simLambda.resize(static_cast<std::size_t>(s));
  g.simWeight.resize(static_cast<std::size_t>(s));
  for (int j = 1; j <= s; ++j) {
    g.simLambda[static_cast<std::size_t>(j - 1)] = res.resLambda(s, j);
    g.simWeight[static_cast<std::size_t>(j - 1)] = res.resWeight(s, j);
  }
  fillDistributionList(dialog);
}

void simulationSettingsOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  // Every field is checked before anything is stored: a refused value keeps
  // the dialog open with the user's text and never reaches the settings.
  const std::optional<double> exactness = readListReal(dialog.text(idExactness));
  if (!exactness || !(*exactness > 0.0)) return refuse("Error occur by Exactness of computation!");
  const std::optional<std::int32_t> maxComponents = readMaxComponents(dialog.text(idMaxComponents));
  if (!maxComponents) return;
  // Kept for a later study with the evaluation, so it must be usable even
  // while the evaluation is off.
  const std::optional<std::int32_t> bootReplications = readListInteger(dialog.text(idBootReplications));
  if (!bootReplications || *bootReplications < 1) return refuse("Error occur by Number of Bootstrap Replications!");
  const std::optional<std::int32_t> replications = readListInteger(dialog.text(idReplications));
  if (!replications) return refuse("Error occur by Number of Replications!");
  const std::optional<std::int32_t> populationSize = readListInteger(dialog.text(idPopulationSize));
  if (!populationSize) return refuse("Error occur by Population Size!");
  const std::optional<std::int32_t> numCounts = readListInteger(dialog.text(idNumCounts));
  if (!numCounts) return refuse("Error occur by Number of Counts!");
  const bool fromDataset = dialog.checked(idFromDataset);
  if (fromDataset && g.dataAvailable != 1) return refuse("No Data available!");

  SimulationRun run;
  StudySettings& s = run.study;
  s.search = SearchSettings{*exactness, criterionRadios.read(dialog), *maxComponents};
  s.populationSize = *populationSize;
  s.replications = *replications;
  s.numCounts = *numCounts;
  s.evaluate = dialog.checked(idEvaluate);
  s.bootReplications = *bootReplications;
  s.fromDataset = fromDataset;
  if (s.fromDataset) s.observed = g.counts;
  s.lambda = g.simLambda;
  s.weight = g.simWeight;
  run.printInterim = dialog.checked(idPrintInterim);
  run.printSamples = dialog.checked(idPrintSamples);
  run.writeReplicates = dialog.checked(idWriteReplicates);
  // Everything the sampler would refuse is refused here, before a thread
  // starts.
  if (const std::optional<std::string> problem = studySettingsProblem(s)) return refuse(*problem);

  g.stopCriterion = s.search.stopCriterion;
  g.printInterim = run.printInterim ? 1 : 0;
  g.printSamples = run.printSamples ? 1 : 0;
  g.printReplicates = run.writeReplicates ? 1 : 0;
  g.evaluatePerBootstrap = s.evaluate ? 1 : 0;
  g.exactness = s.search.exactness;
  g.maxComponents = s.search.maxComponents;
  g.numBootReplications = s.bootReplications;
  g.numReplications = s.replications;
  g.simFromDataset = s.fromDataset ? 1 : 0;
  g.populationSize = s.populationSize;
  g.numSimCounts = s.numCounts;

  std::string source = "samples from the Poisson mixture";
  if (s.fromDataset) {
    source = "samples from the data";
  } else {
    for (std::size_t j = 0; j < s.lambda.size(); ++j) {
      source += " (" + shortestReal(s.lambda[j]) + ", " + shortestReal(s.weight[j]) + ")";
    }
  }
  run.record = RunRecord{
      startRunStream(), s.fromDataset ? g.dataFileName : std::string(),
      {"simulation study of N = " + std::to_string(s.populationSize) + ", " + std::to_string(s.replications) +
           " replications, counts up to " + std::to_string(s.numCounts),
       source,
       s.evaluate ? "evaluation of " + std::to_string(s.bootReplications) + " bootstrap samples per replicate"
                  : std::string("no evaluation"),
       searchSettingsText(s.search)}};
  startJob([run](std::stop_token stop) { return runSimulation(run, processRandomStream(), outputFolders(), stop); });
  dialog.exit(idOk);
}

std::optional<JobFinish> runSimulation(const SimulationRun& run, RandomStream& stream, const OutputFolders& folders,
                                       std::stop_token stop) {
  // The engine works on copies: the loaded count table and the fitted
  // mixture stay as they are, whether the study finishes or fails.
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.simLogUnit;
  openSimulationLog(unit);
  const LogSink log = simulationLogSink(unit);
  const ProgressSink progress = statusBarProgress();
  std::vector<std::string> files;  // in the order they are written
  const SamplesDrawn samplesDrawn = sampleFileWriter(run.printSamples, folders, run.study.numCounts, files);
  std::optional<ReplicateCsvFile> rowsFile;
  const ReplicateSink rows =
      replicateFileSink(run.writeReplicates, folders, "Simreplicates.csv", run.study.evaluate,
                        recordedSeed(run.record), rowsFile);
  StudyResult result = runSimulationStudy(run.study, stream, log, progress, samplesDrawn, stop, rows);
  if (result.stopped) {
    closeStoppedRun(unit);
    return std::nullopt;
  }
  if (run.printInterim) {
    noteFiles(files,
              writeInterimFile(folders, InterimKind::study, result.tables, result.components, result.evalMedian));
  }

  w.closeWindow(unit, true);
  w.focusWindow(g.statusUnit);
  const std::array<EstimatorAccuracy, studyEstimators> accuracy = studyAccuracy(result, run.study.populationSize);
  result.samples = SampleTable();  // the summary and its JSON need the tables only
  auto shared = std::make_shared<const StudyResult>(std::move(result));
  auto plot = std::make_shared<const PlotDescription>(studyPlot(shared->tables, run.study.populationSize));
  RunOutputs outputs{std::move(files), {}};
  if (run.record) {
    outputs.json = [shared, accuracy, settings = run.study, seed = run.record->seed, file = run.record->dataFile](
                       const SimulationSummary& summary, const std::vector<std::string>& written) {
      return studyJson(settings, file, seed, *shared, summary, accuracy, written);
    };
  }
  return [shared, folders, accuracy, plot, record = run.record, size = run.study.populationSize,
          level = run.study.level, outputs = std::move(outputs)] {
    simulationSummary(shared->tables, shared->evalMedian, std::optional<std::int32_t>(size), folders, record,
                      outputs);
    showCoverage(accuracy, size, level);
    globalVar().studyPlot = *plot;
    windows().setMenuEntryEnabled(studyPlotCaption, true);
  };
}

}  // namespace tallyfold
