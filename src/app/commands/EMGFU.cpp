#include "commands/EMGFU.h"

#include <cmath>
#include <string>

#include "estimation/EMtrun_alg.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

ResultTables tablesFrom(const std::vector<FitRecord>& records) {
  const int r = static_cast<int>(records.size());
  ResultTables t;
  t.resLambda.resize(r, r);
  t.resWeight.resize(r, r);
  for (int s = 1; s <= r; ++s) {
    const FitRecord& fit = records[static_cast<std::size_t>(s - 1)];
    for (int j = 1; j <= static_cast<int>(fit.lambda.size()) && j <= r; ++j) {
      t.resLambda(s, j) = fit.lambda[static_cast<std::size_t>(j - 1)];
      t.resWeight(s, j) = fit.weight[static_cast<std::size_t>(j - 1)];
    }
    t.resLogLik.push_back(fit.logLik);
    t.resBic.push_back(fit.bic);
    t.resN0.push_back(fit.n0);
    t.resNall.push_back(fit.nall);
    t.resMaxGrad.push_back(fit.maxGradient);
  }
  return t;
}

}  // namespace

bool EMGFU(std::optional<int> logUnit, bool record) {
  const GlobalVar& g = globalVar();
  return EMGFU(SearchSettings{g.exactness, g.stopCriterion, g.maxComponents}, logUnit, record);
}

bool EMGFU(const SearchSettings& settings, std::optional<int> logUnit, bool record) {
  LogSink log;
  if (logUnit) {
    const int unit = *logUnit;
    log = [unit](const std::string& line) { windows().writeLine(unit, line); };
  }
  return storeSearchResult(componentSearch(globalVar().counts, settings, record, log), record);
}

std::optional<ResultTables> recordedTables(const SearchResult& result, const std::optional<ResultTables>& previous) {
  if (!result.estimable) return std::nullopt;
  // A run that never entered the pass loop records nothing and leaves the
  // tables of the previous run.
  if (result.records.empty()) return previous;
  return tablesFrom(result.records);
}

bool storeSearchResult(SearchResult result, bool record) {
  GlobalVar& g = globalVar();
  if (record) g.results = recordedTables(result, g.results);
  if (!result.estimable) {
    g.clearFittedMixture();
    return false;
  }
  g.numComponents = result.numComponents;
  g.lambda = std::move(result.lambda);
  g.weight = std::move(result.weight);
  g.posterior = std::move(result.posterior);
  g.maxGradient = result.maxGradient;
  if (!std::isnan(result.bestBic)) g.bestBic = result.bestBic;
  return true;
}

}  // namespace tallyfold
