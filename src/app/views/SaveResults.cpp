#include "views/SaveResults.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "common/CsvCells.h"
#include "common/ReplaceFile.h"
#include "data/CountTable.h"
#include "estimation/ClosedFormRows.h"
#include "estimation/EstimateJson.h"
#include "estimation/FitChecks.h"
#include "estimation/TableEstimates.h"
#include "simulation/EstimateTables.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

bool endsWith(const std::string& text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  std::string tail = text.substr(text.size() - suffix.size());
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
  return tail == suffix;
}

enum class SavedForm { text, csv, json };

// The form the name's extension says; a name without one of these
// extensions takes the form of the chosen filter.
SavedForm savedForm(const std::string& path, const std::string& filterPattern) {
  for (const std::string& name : {path, filterPattern}) {
    if (endsWith(name, ".csv")) return SavedForm::csv;
    if (endsWith(name, ".json")) return SavedForm::json;
    if (endsWith(name, ".txt")) return SavedForm::text;
  }
  return SavedForm::text;
}

}  // namespace

std::string resultsCsv(std::span<const std::int32_t> counts, std::int32_t numComponents, const ResultTables& tables,
                       double exactness) {
  std::string csv = "estimator,components,n0,n,logLikelihood,bic,maxGradient,lambda,weight\n";
  const int shown = std::min<int>(numComponents, tables.size());
  for (int s = 1; s <= shown; ++s) {
    const auto i = static_cast<std::size_t>(s - 1);
    std::vector<double> lambda, weight;
    for (int j = 1; j <= s; ++j) {
      lambda.push_back(tables.resLambda(s, j));
      weight.push_back(tables.resWeight(s, j));
    }
    csv += "NPMLE," + std::to_string(s) + "," + csvNumber(tables.resN0[i]) + "," + csvNumber(tables.resNall[i]) + "," +
           csvNumber(tables.resLogLik[i]) + "," + csvNumber(tables.resBic[i]) + "," + csvNumber(tables.resMaxGrad[i]) + "," +
           csvList(lambda) + "," + csvList(weight) + "\n";
  }
  const TableEstimates t = estimateTable(counts, exactness);
  const auto closed = [&](std::string_view name, const WholeEstimate& n0) {
    csv += std::string(name) + ",," + csvNumber(n0) + "," + csvNumber(plusObservedUnits(n0, t.observed)) + ",,,,,\n";
  };
  closed("Z1", t.zelterman1);
  closed("Z2", t.zelterman2);
  closed("Z3", t.zelterman3);
  closed("Z4", t.zelterman4);
  closed("Chao", t.chao);
  csv += "PMLE(negB),," + csvNumber(t.negativeBinomial->n0) + "," + csvNumber(t.negativeBinomial->n) + ",,,,,\n";
  return csv;
}

std::string summaryCsv(const SimulationSummary& summary, std::optional<std::int32_t> seed) {
  const bool study = summary.estimators() == studyEstimators;
  const std::string seedCell = seed ? std::to_string(*seed) : std::string();
  std::string csv =
      "estimator,replicates,mean,median,sd,medianDeviation,unobservedMean,unobservedMedian,unobservedSd,bias,seed\n";
  for (int k = 1; k <= summary.estimators(); ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    const ValueSummary& e = summary.estimates[i];
    const ValueSummary& u = summary.unobserved[i];
    csv += std::string(study ? studyEstimatorNames[i] : poissonGammaEstimatorNames[i]) + "," +
           std::to_string(e.count) + "," + csvNumber(e.truncatedMean) + "," + csvNumber(e.median) + "," +
           csvNumber(e.standardDeviation) + "," + csvNumber(e.medianDeviation) + "," + csvNumber(u.truncatedMean) + "," +
           csvNumber(u.median) + "," + csvNumber(u.standardDeviation) + "," + csvNumber(summary.bias(k)) + "," +
           seedCell + "\n";
  }
  return csv;
}

std::string resultsJson(const CalculationRecord& c) {
  const TableEstimates table = estimateTable(c.counts, c.settings.exactness);
  std::optional<FitChecks> checks;
  if (c.search.estimable) checks = checkFits(c.counts, c.search);
  const ClosedFormRows closedForm = closedFormEstimates(c.counts, table);
  const ClosedFormEstimate negBin = negativeBinomialRow(*table.negativeBinomial);
  const EstimateJsonParts parts{c.search, closedForm, negBin, checks, defaults::intervalLevel, false, std::nullopt};
  return estimateJson(c.dataFile, c.counts, c.settings, parts).dump(2) + "\n";
}

void saveResultsAs() {
  WindowServices& w = windows();
  const GlobalVar& g = globalVar();
  const int unit = w.activeTextWindow();
  if (unit < 0) {
    w.messageBox("No text window is active.", "Save Results As");
    return;
  }
  // The table and exactness of the calculation the results window shows: a
  // file opened or a simulation run since then changes the shared ones.
  const CalculationRecord* shown = g.lastCalculation ? &*g.lastCalculation : nullptr;
  const std::span<const std::int32_t> counts = shown ? std::span<const std::int32_t>(shown->counts) : g.counts;
  const double exactness = shown ? shown->settings.exactness : g.exactness;
  const bool results = unit == g.resultsUnit && g.results && g.mixtureExists() && !mixtureProblem(counts);
  const bool summary = unit == g.simResultsUnit && g.shownRun;
  const bool resultsAsJson = unit == g.resultsUnit && g.lastCalculation;
  const bool summaryAsJson = summary && g.shownRun->json;
  std::vector<FileFilter> filters{{"Text files (*.txt)", "*.txt"}};
  if (results || summary) filters.push_back({"CSV tables (*.csv)", "*.csv"});
  if (resultsAsJson || summaryAsJson) filters.push_back({"JSON (*.json)", "*.json"});
  filters.push_back({"All files (*)", "*"});
  const std::optional<SaveFileChoice> choice = w.chooseSaveFile(filters, 1, "Save Results As");
  if (!choice) return;
  const std::string& path = choice->path;
  std::error_code error;
  if (std::filesystem::exists(path, error) && !w.askYesNo(path + " exists. Replace it?", "Save Results As")) {
    return;
  }
  const bool known = choice->filter >= 1 && choice->filter <= static_cast<int>(filters.size());
  const SavedForm form = savedForm(path, known ? filters[static_cast<std::size_t>(choice->filter - 1)].pattern : "");
  std::string text;
  if (form == SavedForm::csv && results) {
    text = resultsCsv(counts, g.numComponents, *g.results, exactness);
  } else if (form == SavedForm::csv && summary) {
    text = summaryCsv(g.shownRun->summary, g.shownRun->seed);
  } else if (form == SavedForm::json && resultsAsJson) {
    text = resultsJson(*g.lastCalculation);
  } else if (form == SavedForm::json && summaryAsJson) {
    text = g.shownRun->json(g.shownRun->summary, g.shownRun->files).dump(2) + "\n";
  } else {
    text = w.windowText(unit);
  }
  if (const std::optional<std::string> problem = replaceFile(path, text)) w.messageBox(*problem, "Error");
}

}  // namespace tallyfold
