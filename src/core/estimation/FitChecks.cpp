#include "estimation/FitChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

#include "common/FieldLayout.h"
#include "common/JsonValues.h"
#include "data/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/GradientCurve.h"
#include "estimation/ResultFormat.h"
#include "estimation/ZeroTruncated.h"

namespace tallyfold {

namespace {

// The tables judge every recorded fit; those beyond the accepted mixture
// (the one BIC rejected) are starred and noted.
std::string fitLabel(const SearchResult& search, int s) { return recordedFitLabel(s, search.numComponents); }

bool hasRejectedFit(const SearchResult& search, const FitChecks& checks) {
  return static_cast<std::int64_t>(checks.fits.size()) > search.numComponents;
}

nlohmann::json gofJson(const GoodnessOfFit& g) {
  return {{"chi2", finiteOrNull(g.chiSquare)},
          {"df", g.degreesOfFreedom},
          {"pValue", g.pValue ? finiteOrNull(*g.pValue) : nlohmann::json()},
          {"deviance", finiteOrNull(g.deviance)},
          {"pooledClasses", g.classes.size()}};
}

nlohmann::json expectedJson(const GoodnessOfFit& g) {
  nlohmann::json e = nlohmann::json::array();
  for (double v : g.expected) e.push_back(finiteOrNull(v));
  return e;
}

nlohmann::json ztnbJson(const ZtnbFit& z, const std::optional<GoodnessOfFit>& fit) {
  nlohmann::json j{{"size", optionalJson(z.size)},
                   {"mean", optionalJson(z.mean)},
                   {"logLikelihood", optionalJson(z.logLik)},
                   {"n0", optionalJson(z.n0)},
                   {"n", z.n0 ? finiteOrNull(static_cast<double>(z.n) + *z.n0) : nlohmann::json()},
                   {"status", ztnbStatusName(z.status)}};
  if (z.status == ZtnbStatus::notEstimable) j["reason"] = z.problem;
  if (fit) {
    j["aic"] = finiteOrNull(fit->aic);
    j["gof"] = gofJson(*fit);
    j["expected"] = expectedJson(*fit);
  }
  return j;
}

std::string pValueText(const GoodnessOfFit& g, int width) {
  if (!g.pValue) return formatEstimate(std::nullopt, width);
  return formatF(*g.pValue, width, 4);
}

// One row of the goodness-of-fit block.
void printGofRow(std::ostream& out, const std::string& label, const GoodnessOfFit& g,
                 const std::optional<double>& gapBound) {
  std::string name = label;
  name.resize(10, ' ');
  out << name << formatF(g.chiSquare, 12, 4) << formatI(g.degreesOfFreedom, 5) << pValueText(g, 10)
      << formatF(g.deviance, 12, 4) << formatF(g.aic, 12, 1) << formatF(g.bicClasses, 12, 1)
      << formatF(g.bicUnits, 12, 1) << (gapBound ? formatF(*gapBound, 14, 6) : std::string()) << "\n";
}

std::string wholeText(double value) {
  const WholeEstimate w = wholeEstimate(value);
  return w ? fixedDecimals(*w, 0) : std::string("no finite value");
}

}  // namespace

std::string recordedFitLabel(int s, std::int32_t accepted) {
  return "k=" + std::to_string(s) + (s > accepted ? "*" : "");
}

std::string rejectedFitNote(std::int32_t accepted) {
  return "* k=" + std::to_string(accepted + 1) + " was fitted and rejected by BIC; the accepted fit is k=" +
         std::to_string(accepted);
}

std::string ztnbStatusName(ZtnbStatus status) {
  switch (status) {
    case ZtnbStatus::estimated:
      return "estimate";
    case ZtnbStatus::poissonLimit:
      return "poisson limit";
    case ZtnbStatus::unbounded:
      return "unbounded";
    case ZtnbStatus::notEstimable:
      break;
  }
  return "no estimate";
}

FitChecks checkFits(std::span<const std::int32_t> counts, const SearchResult& search) {
  FitChecks checks{{}, std::nullopt, comparisonModels(counts), 0.0};
  for (const FitRecord& r : search.records) {
    checks.fits.push_back(judgeMixture(counts, r.lambda, r.weight, r.maxGradient));
  }
  if (!search.lambda.empty()) {
    checks.accepted = judgeMixture(counts, search.lambda, search.weight, search.maxGradient);
  }
  checks.poissonN0 = truncatedPoissonUnseen(counts);
  return checks;
}

void addFitChecksJson(nlohmann::json& j, std::span<const std::int32_t> counts, const SearchResult& search,
                      const std::optional<FitChecks>& checks, bool curves) {
  if (!checks) {
    j["identified"] = nullptr;
    j["ztnbMle"] = ztnbJson(ztnbMle(counts), std::nullopt);
    return;
  }
  nlohmann::json& fits = j["fits"];
  for (std::size_t i = 0; i < checks->fits.size() && i < fits.size(); ++i) {
    const FitJudgement& f = checks->fits[i];
    nlohmann::json& row = fits[i];
    row["aic"] = finiteOrNull(f.fit.aic);
    row["gof"] = gofJson(f.fit);
    row["expected"] = expectedJson(f.fit);
    row["d0"] = finiteOrNull(f.identifiability.gradientAtZero);
    row["boundary"] = f.identifiability.notIdentified;
    row["smallMeanShare"] = finiteOrNull(f.identifiability.lowMeanShare);
    row["logLikelihoodGapBound"] = finiteOrNull(f.certificate.gap);
    if (curves) {
      const FitRecord& r = search.records[i];
      nlohmann::json curve = nlohmann::json::array();
      for (const auto& [theta, d] : gradientCurve(counts, r.lambda, r.weight)) {
        curve.push_back({theta, finiteOrNull(d)});
      }
      row["gradientCurve"] = curve;
    }
  }
  j["identified"] = checks->accepted ? nlohmann::json(!checks->accepted->identifiability.notIdentified)
                                     : nlohmann::json();
  j["ztnbMle"] = ztnbJson(checks->models.ztnb, checks->models.ztnbFit);
  const GoodnessOfFit& p = checks->models.poisson;
  j["poisson"] = {{"n0", finiteOrNull(checks->poissonN0)},
                  {"n", finiteOrNull(static_cast<double>(observedUnits(counts)) + checks->poissonN0)},
                  {"logLikelihood", finiteOrNull(p.logLik)},
                  {"aic", finiteOrNull(p.aic)},
                  {"gof", gofJson(p)},
                  {"expected", expectedJson(p)}};
}

void printFitChecks(std::ostream& out, const SearchResult& search, const std::optional<FitChecks>& checks,
                    const WholeEstimate& chaoN, std::int64_t n) {
  out << "\nGoodness of fit (Pearson chi-square over classes pooled to expected >= 5)\n";
  if (!checks) {
    out << "no fit: " << search.problem << "\n";
    return;
  }
  out << "Model       Chi-square   df   p-value    Deviance         AIC   BIC(ln m)   BIC(ln n)  LogL gap bound\n";
  for (std::size_t i = 0; i < checks->fits.size(); ++i) {
    const FitJudgement& f = checks->fits[i];
    printGofRow(out, fitLabel(search, static_cast<int>(i) + 1), f.fit, f.certificate.gap);
  }
  if (checks->models.ztnbFit) printGofRow(out, "ZTNB", *checks->models.ztnbFit, std::nullopt);
  printGofRow(out, "Poisson", checks->models.poisson, std::nullopt);
  if (hasRejectedFit(search, *checks)) out << rejectedFitNote(search.numComponents) << "\n";

  const ZtnbFit& z = checks->models.ztnb;
  out << "Zero-truncated negative binomial (maximum likelihood): ";
  switch (z.status) {
    case ZtnbStatus::estimated:
      out << "size " << fixedDecimals(*z.size, 4) << ", mean " << fixedDecimals(*z.mean, 4) << ", N = "
          << wholeText(static_cast<double>(n) + *z.n0) << "\n";
      break;
    case ZtnbStatus::poissonLimit:
      out << "reduces to the Poisson (N = " << wholeText(static_cast<double>(n) + *z.n0) << ")\n";
      break;
    case ZtnbStatus::unbounded:
      out << "N unbounded\n";
      break;
    case ZtnbStatus::notEstimable:
      out << "no estimate: " << z.problem << "\n";
      break;
  }
  out << "The negative binomial above (PMLE(negB)) is a moment fixed point on the completed table.\n";

  if (!checks->accepted) return;
  const Identifiability& id = checks->accepted->identifiability;
  out << "N0 of the accepted fit: D(0+) = " << fixedDecimals(id.gradientAtZero, 4)
      << ", share of N0 on means below 0.1 = " << fixedDecimals(id.lowMeanShare, 4) << "\n";
  if (id.notIdentified) {
    for (const std::string& sentence : boundaryNote(chaoN)) out << sentence << "\n";
  } else {
    out << "N0 is identified by the data.\n";
  }
}

void printObservedExpected(std::ostream& out, std::span<const std::int32_t> counts, const SearchResult& search,
                           const std::optional<FitChecks>& checks) {
  out << "\nObserved and expected frequencies (the last class holds every count from m on)\n";
  if (!checks) {
    out << "no fit: " << search.problem << "\n";
    return;
  }
  std::vector<const GoodnessOfFit*> columns;
  std::string header = "       x        f(x)";
  for (std::size_t i = 0; i < checks->fits.size(); ++i) {
    columns.push_back(&checks->fits[i].fit);
    header += rightJustified(fitLabel(search, static_cast<int>(i) + 1), 12);
  }
  if (checks->models.ztnbFit) {
    columns.push_back(&*checks->models.ztnbFit);
    header += rightJustified("ZTNB", 12);
  }
  columns.push_back(&checks->models.poisson);
  header += rightJustified("Poisson", 12);
  out << header << "\n";
  const std::size_t m = counts.size();
  for (std::size_t x = 1; x <= m; ++x) {
    const std::string label = x < m ? std::to_string(x) : ">=" + std::to_string(x);
    out << rightJustified(label, 8) << formatI(counts[x - 1], 12);
    for (const GoodnessOfFit* g : columns) {
      // The last class carries the model's mass beyond m.
      const double e = g->expected[x - 1] + (x == m ? g->tailExpected : 0.0);
      out << formatF(e, 12, 3);
    }
    out << "\n";
  }
  if (hasRejectedFit(search, *checks)) out << rejectedFitNote(search.numComponents) << "\n";
}

}  // namespace tallyfold
