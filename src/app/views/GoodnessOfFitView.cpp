#include "views/GoodnessOfFitView.h"

#include <algorithm>
#include <cstdio>

#include "commands/CommandSupport.h"
#include "common/FieldLayout.h"
#include "data/CountTable.h"
#include "estimation/FitChecks.h"
#include "estimation/FitJudgement.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

std::string checkRow(const std::string& label, const GoodnessOfFit& g, const std::optional<double>& gap) {
  std::string row = rightJustified(label, 8) + formatF(g.chiSquare, 12, 4) + formatI(g.degreesOfFreedom, 5) +
                    (g.pValue ? formatF(*g.pValue, 10, 4) : formatEstimate(std::nullopt, 10)) +
                    formatF(g.deviance, 12, 4) + formatF(g.aic, 10, 1) + formatF(g.bicClasses, 11, 1) +
                    formatF(g.bicUnits, 11, 1);
  if (gap) row += formatF(*gap, 14, 6);
  return row;
}

}  // namespace

std::vector<std::string> goodnessOfFitLines(std::span<const std::int32_t> counts, std::int32_t accepted,
                                            const ResultTables& tables) {
  const int shown = tables.size();
  const bool rejected = shown > accepted;
  std::vector<FitJudgement> fits;
  for (int s = 1; s <= shown; ++s) {
    std::vector<double> lambda, weight;
    for (int j = 1; j <= s; ++j) {
      lambda.push_back(tables.resLambda(s, j));
      weight.push_back(tables.resWeight(s, j));
    }
    fits.push_back(judgeMixture(counts, lambda, weight, tables.resMaxGrad[static_cast<std::size_t>(s - 1)]));
  }
  const ComparisonModels models = comparisonModels(counts);

  std::vector<std::string> lines;
  lines.push_back(" Observed and expected frequencies (the last class holds every count from m on)");
  std::vector<const GoodnessOfFit*> columns;
  std::string header = "       x      f(x)";
  for (int s = 1; s <= shown; ++s) {
    columns.push_back(&fits[static_cast<std::size_t>(s - 1)].fit);
    header += rightJustified(recordedFitLabel(s, accepted), 11);
  }
  if (models.ztnbFit) {
    columns.push_back(&*models.ztnbFit);
    header += rightJustified("ZTNB", 11);
  }
  columns.push_back(&models.poisson);
  header += rightJustified("Poisson", 11);
  lines.push_back(header);
  const std::size_t m = counts.size();
  for (std::size_t x = 1; x <= m; ++x) {
    std::string row = rightJustified(x < m ? std::to_string(x) : ">=" + std::to_string(x), 8) + formatI(counts[x - 1], 10);
    for (const GoodnessOfFit* g : columns) {
      row += formatF(g->expected[x - 1] + (x == m ? g->tailExpected : 0.0), 11, 3);
    }
    lines.push_back(row);
  }
  if (rejected) lines.push_back(" " + rejectedFitNote(accepted));

  lines.push_back("");
  lines.push_back(" Pearson chi-square over classes pooled to expected >= 5; BIC(ln m) is the BIC of the results");
  lines.push_back("   Model  Chi-square   df   p-value    Deviance       AIC  BIC(ln m)  BIC(ln n)  LogL gap bound");
  for (int s = 1; s <= shown; ++s) {
    const FitJudgement& f = fits[static_cast<std::size_t>(s - 1)];
    lines.push_back(checkRow(recordedFitLabel(s, accepted), f.fit, f.certificate.gap));
  }
  if (models.ztnbFit) lines.push_back(checkRow("ZTNB", *models.ztnbFit, std::nullopt));
  lines.push_back(checkRow("Poisson", models.poisson, std::nullopt));
  if (rejected) lines.push_back(" " + rejectedFitNote(accepted));

  lines.push_back("");
  const ZtnbFit& z = models.ztnb;
  const double n = static_cast<double>(observedUnits(counts));
  switch (z.status) {
    case ZtnbStatus::estimated:
      lines.push_back(" Zero-truncated negative binomial (maximum likelihood): size " + fixedDecimals(*z.size, 4) + ", mean " +
                      fixedDecimals(*z.mean, 4) + ", N = " + fixedDecimals(n + *z.n0, 0));
      break;
    case ZtnbStatus::poissonLimit:
      lines.push_back(" Zero-truncated negative binomial (maximum likelihood): reduces to the Poisson (N = " +
                      fixedDecimals(n + *z.n0, 0) + ")");
      break;
    case ZtnbStatus::unbounded:
      lines.push_back(" Zero-truncated negative binomial (maximum likelihood): N unbounded");
      break;
    case ZtnbStatus::notEstimable:
      lines.push_back(" Zero-truncated negative binomial (maximum likelihood): n/a, " + z.problem);
      break;
  }

  lines.push_back("");
  for (int s = 1; s <= shown; ++s) {
    const Identifiability& id = fits[static_cast<std::size_t>(s - 1)].identifiability;
    lines.push_back(" " + recordedFitLabel(s, accepted) + ": D(0+) = " + fixedDecimals(id.gradientAtZero, 4) +
                    ", share of N0 on means below 0.1 = " + fixedDecimals(id.lowMeanShare, 4) +
                    (id.notIdentified ? "; N0 not identified by the data" : "; N0 identified by the data"));
  }
  return lines;
}

void showGoodnessOfFit() {
  const GlobalVar& g = globalVar();
  WindowServices& w = windows();
  // The fits are judged against the table of the calculation that made
  // them: a file opened since then replaces the shared one.
  const std::span<const std::int32_t> counts =
      g.lastCalculation ? std::span<const std::int32_t>(g.lastCalculation->counts) : g.counts;
  if (!g.results || !g.mixtureExists() || mixtureProblem(counts)) {
    w.messageBox("No calculation results available!", "Error");
    return;
  }
  // The accepted number of the calculation that recorded the fits: a later
  // simulation or bootstrap moves numComponents without recording.
  const std::int32_t accepted = g.lastCalculation && !g.lastCalculation->search.records.empty()
                                    ? g.lastCalculation->search.numComponents
                                    : g.numComponents;
  const std::vector<std::string> lines = goodnessOfFitLines(counts, accepted, *g.results);
  const int unit = g.goodnessOfFitUnit;
  w.closeWindow(unit, true);
  openTextWindow(unit, goodnessOfFitTitle, 110, static_cast<int>(lines.size()) + 2, 25, 110);
  for (const std::string& line : lines) w.writeLine(unit, line);
}

}  // namespace tallyfold
