#include "EstimateCommand.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "CliSupport.h"
#include "SearchProgress.h"
#include "common/CsvCells.h"
#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/Gamma.h"
#include "estimation/TableEstimates.h"
#include "estimation/ChaoInterval.h"
#include "estimation/ClosedFormRows.h"
#include "estimation/CutoffScanText.h"
#include "estimation/EstimateJson.h"
#include "estimation/FitChecks.h"
#include "estimation/ResultFormat.h"
#include "estimation/WholeEstimate.h"

namespace tallyfold::cli {

namespace {

std::string fitHeader() {
  return " Comp.        Lambda       Weights  Log-Likelihood       BIC        N0      Nall     max Grad.";
}

// The recorded fits that belong to the accepted mixture, one block each.
void printFits(std::ostream& out, const SearchResult& search) {
  out << fitHeader() << "\n";
  const int shown = std::min<int>(search.numComponents, static_cast<int>(search.records.size()));
  for (int s = 1; s <= shown; ++s) {
    const FitRecord& r = search.records[static_cast<std::size_t>(s - 1)];
    for (int j = 1; j <= s; ++j) {
      const std::string lambda = formatF(r.lambda[static_cast<std::size_t>(j - 1)], 14, 4);
      const std::string weight = formatF(r.weight[static_cast<std::size_t>(j - 1)], 14, 4);
      if (j == 1) {
        out << formatI(s, 6) << lambda << weight << formatF(r.logLik, 16, 1) << formatF(r.bic, 10, 1)
            << formatWhole(wholeEstimate(r.n0), 10) << formatWhole(wholeEstimate(r.nall), 10)
            << formatMaxGradient(r.maxGradient) << "\n";
      } else {
        out << std::string(6, ' ') << lambda << weight << "\n";
      }
    }
  }
  out << "accepted components: " << search.numComponents << "\n\n";
}

void printText(std::ostream& out, const EstimateOptions& options, std::span<const std::int32_t> counts,
               std::int64_t n, const SearchResult& search, const ClosedFormRows& closedForm,
               const ClosedFormEstimate& negBin) {
  out << "Tallyfold estimate of " << options.file << "\n";
  out << "m = " << counts.size() << " count classes, n = " << n << " observed units\n";
  out << "exactness " << formatF(options.exactness, 13, 11) << ", criterion " << criterionName(options.criterion)
      << ", maximum components " << options.maxComponents << "\n\n";

  out << "Non-Parametric Maximum Likelihood Estimation\n";
  if (!search.estimable) {
    out << "no estimate: " << search.problem << "\n\n";
  } else {
    printFits(out, search);
  }

  out << "Zelterman and Chao" << std::string(26, ' ') << "n0         N\n";
  const auto printRow = [&out](const std::string& name, const ClosedFormEstimate& row) {
    std::string label = name + row.label;
    label.resize(38, ' ');
    out << label << formatWhole(row.n0, 10) << formatWhole(row.n, 10) << "\n";
  };
  for (std::size_t i = 0; i < closedForm.zelterman.size(); ++i) {
    printRow("Z" + std::to_string(i + 1) + " ", closedForm.zelterman[i]);
  }
  printRow("Chao ", closedForm.chao);
  printRow("Negative binomial ", negBin);
}

// The rows the options ask for: tau = 2..m, or the one cut-off (which must
// lie in 2..m too: below 2 no class is left to fit a mixture to); none
// without either. A stopped scan throws Stopped.
std::vector<CutoffRow> cutoffRows(const EstimateOptions& options, std::span<const std::int32_t> counts,
                                  const SearchSettings& settings) {
  std::vector<CutoffRow> rows;
  if (options.cutoffScan) {
    CutoffScanResult scan = cutoffScan(counts, settings, options.stop);
    if (scan.stopped) throw Stopped{};
    rows = std::move(scan.rows);
  } else if (options.cutoff) {
    const auto m = static_cast<std::int32_t>(counts.size());
    if (*options.cutoff < 2 || *options.cutoff > m) {
      throw BadInput{"--cutoff " + std::to_string(*options.cutoff) + " is not a cut-off of " + options.file +
                     " (2.." + std::to_string(m) + ")"};
    }
    CutoffRow row = cutoffRow(counts, *options.cutoff, settings, options.stop);
    if (row.stopped) throw Stopped{};
    rows.push_back(std::move(row));
  }
  return rows;
}

// One row per recorded fit, then one per closed form, the negative
// binomial, the ZTNB maximum likelihood and the Poisson; empty cells where a
// value does not apply or does not exist.
void printCsv(std::ostream& out, std::span<const std::int32_t> counts, std::int64_t n, const SearchResult& search,
              const ClosedFormRows& closedForm, const ClosedFormEstimate& negBin, const std::optional<FitChecks>& checks) {
  out << "estimator,components,n0,n,logLikelihood,bic,aic,chi2,df,pValue,maxGradient,lambda,weight,note\n";
  for (std::size_t i = 0; i < search.records.size(); ++i) {
    const FitRecord& r = search.records[i];
    std::string gof = ",,,";
    if (checks && i < checks->fits.size()) {
      const GoodnessOfFit& g = checks->fits[i].fit;
      gof = csvNumber(g.aic) + "," + csvNumber(g.chiSquare) + "," + std::to_string(g.degreesOfFreedom) + "," +
            (g.pValue ? csvNumber(*g.pValue) : std::string());
    }
    out << "NPMLE," << r.lambda.size() << "," << csvNumber(r.n0) << "," << csvNumber(r.nall) << ","
        << csvNumber(r.logLik) << "," << csvNumber(r.bic) << "," << gof << "," << csvNumber(r.maxGradient) << ","
        << csvList(r.lambda) << "," << csvList(r.weight) << ","
        << (search.estimable && static_cast<std::int32_t>(i) + 1 == search.numComponents ? "accepted" : "") << "\n";
  }
  const auto closedRow = [&out](const std::string& name, const ClosedFormEstimate& row) {
    out << csvField(name) << ",," << csvNumber(row.n0) << "," << csvNumber(row.n) << ",,,,,,,,,," << csvField(row.reason)
        << "\n";
  };
  for (std::size_t i = 0; i < closedForm.zelterman.size(); ++i) closedRow("Z" + std::to_string(i + 1), closedForm.zelterman[i]);
  closedRow("Chao", closedForm.chao);
  closedRow("PMLE(negB)", negBin);
  const ZtnbFit ztnb = checks ? checks->models.ztnb : ztnbMle(counts);
  const bool finite = ztnb.n0 && (ztnb.status == ZtnbStatus::estimated || ztnb.status == ZtnbStatus::poissonLimit);
  out << "ZTNB MLE,," << (finite ? csvNumber(*ztnb.n0) : "") << ","
      << (finite ? csvNumber(static_cast<double>(n) + *ztnb.n0) : "") << "," << (ztnb.logLik ? csvNumber(*ztnb.logLik) : "")
      << ",,,,,,,,," << csvField(ztnbStatusName(ztnb.status)) << "\n";
  if (checks) {
    const GoodnessOfFit& p = checks->models.poisson;
    out << "Poisson,1," << csvNumber(checks->poissonN0) << "," << csvNumber(static_cast<double>(n) + checks->poissonN0)
        << "," << csvNumber(p.logLik) << "," << csvNumber(p.bicClasses) << "," << csvNumber(p.aic) << ","
        << csvNumber(p.chiSquare) << "," << p.degreesOfFreedom << ","
        << (p.pValue ? csvNumber(*p.pValue) : std::string()) << ",,,,\n";
  }
}

// The search, with the still-running lines on `progress` when there is one
// (its own log lines, with --log, go to the log sink instead).
SearchResult searchWithProgress(std::span<const std::int32_t> counts, const SearchSettings& settings,
                                const LogSink& log, std::ostream* progress, std::stop_token stop) {
  if (log || progress == nullptr) return componentSearch(counts, settings, true, log, stop);
  ProgressWatch watch(*progress, progressInterval);
  return componentSearch(counts, settings, true, watch.sink(), stop);
}

}  // namespace

int runEstimate(const EstimateOptions& options, std::ostream& out, std::ostream* progress) {
  const std::vector<std::int32_t> counts = loadCounts(options.file, options.format);
  if (const std::optional<std::string> problem = countTableProblem(counts)) {
    throw BadInput{options.file + ": " + *problem};
  }
  const std::int64_t n = observedUnits(counts);

  const SearchSettings settings{options.exactness, options.criterion, options.maxComponents, options.threads};
  LogSink log;
  if (options.log) {
    out << listDirected(calculationStartText) << "\n";
    log = [&out](const std::string& line) { out << line << "\n"; };
  }
  const SearchResult search = searchWithProgress(counts, settings, log, progress, options.stop);
  // Stopped: the log lines so far stand, no results follow.
  if (search.stopped) throw Stopped{};
  if (options.log) {
    out << listDirected(calculationEndText) << "\n";
    std::vector<double> n0, nall, bic;
    for (const FitRecord& r : search.records) {
      n0.push_back(r.n0);
      nall.push_back(r.nall);
      bic.push_back(r.bic);
    }
    for (const std::string& line : calculationSummaryLines(n0, nall, bic)) out << line << "\n";
    out << "\n";
  }

  const TableEstimates table = estimateTable(counts, options.exactness);
  const ClosedFormRows closedForm = closedFormEstimates(counts, table);
  const ClosedFormEstimate negBin = negativeBinomialRow(*table.negativeBinomial);

  std::optional<FitChecks> checks;
  if (search.estimable) checks = checkFits(counts, search);
  const std::vector<CutoffRow> cutoffs = cutoffRows(options, counts, settings);

  if (options.csv) {
    printCsv(out, counts, n, search, closedForm, negBin, checks);
  } else if (options.json) {
    std::optional<std::span<const CutoffRow>> cutoffJsonRows;
    if (options.cutoffScan || options.cutoff) cutoffJsonRows = cutoffs;
    const nlohmann::json j = estimateJson(options.file, counts, settings,
                                          {search, closedForm, negBin, checks, options.level, options.curves,
                                           cutoffJsonRows});
    out << j.dump(2) << "\n";
  } else {
    printText(out, options, counts, n, search, closedForm, negBin);
    printFitChecks(out, search, checks, closedForm.chao.n, n);
    if (options.gof) printObservedExpected(out, counts, search, checks);
    out << "\n" << chaoIntervalText(counts, options.level) << "\n";
    if (options.cutoffScan || options.cutoff) {
      out << "\nCut-off analysis\n";
      for (const std::string& line : cutoffScanLines(cutoffs)) out << line << "\n";
    }
  }
  return exitSuccess;
}

}  // namespace tallyfold::cli
