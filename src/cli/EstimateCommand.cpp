#include "cli/EstimateCommand.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliSupport.h"
#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "estimation/CountTable.h"
#include "estimation/EMtrun.h"
#include "estimation/EMtrun_alg.h"
#include "estimation/Gamma.h"
#include "estimation/ResultFormat.h"
#include "estimation/Zelterman.h"

namespace tallyfold::cli {

namespace {

struct ClosedFormEstimate {
  std::string label;
  std::optional<std::int64_t> n0;
  std::optional<std::int64_t> n;
};

std::optional<std::int64_t> widen(std::optional<std::int32_t> v) {
  return v ? std::optional<std::int64_t>(*v) : std::nullopt;
}

std::vector<ClosedFormEstimate> closedFormEstimates(std::span<const std::int32_t> counts, std::int64_t n) {
  const std::array<std::pair<const char*, std::optional<std::int32_t>>, 5> values{{
      {"lam=2f2/f1", zelterman1(counts)},
      {"lam=(2f2+3f3)/(f1+f2)", zelterman2(counts)},
      {"lam=(2f2+3f3+4f4)/(f1+f2+f3)", zelterman3(counts)},
      {"lam=(2f2+3f3+4f4+5f5)/(f1+f2+f3+f4)", zelterman4(counts)},
      {"f0=f1*f1/(2*f2)", chao(counts)},
  }};
  std::vector<ClosedFormEstimate> rows;
  for (const auto& [label, n0] : values) {
    rows.push_back({label, widen(n0), n0 ? std::optional<std::int64_t>(n + *n0) : std::nullopt});
  }
  return rows;
}

// The negative-binomial estimate: N0 and N to the nearest integer, or none.
ClosedFormEstimate negativeBinomial(std::span<const std::int32_t> counts, double eps, std::optional<std::int64_t> chaoN0) {
  double f0 = chaoN0 ? static_cast<double>(*chaoN0) : 0.0;
  double total = 0.0;
  ClosedFormEstimate row{"PMLE(negB)", std::nullopt, std::nullopt};
  if (negBinEstimate(counts, eps, f0, total)) {
    row.n0 = widen(nearestInt(f0));
    row.n = widen(nearestInt(total));
  }
  return row;
}

std::string fitHeader() {
  return " Comp.        Lambda       Weights  Log-Likelihood       BIC        N0      Nall     max Grad.";
}

void printText(std::ostream& out, const EstimateOptions& options, std::span<const std::int32_t> counts,
               std::int64_t n, const SearchResult& search, const std::vector<ClosedFormEstimate>& closedForm,
               const ClosedFormEstimate& negBin) {
  out << "Tallyfold estimate of " << options.file << "\n";
  out << "m = " << counts.size() << " count classes, n = " << n << " observed units\n";
  out << "exactness " << formatF(options.exactness, 13, 11) << ", criterion " << criterionName(options.criterion)
      << ", maximum components " << options.maxComponents << "\n\n";

  out << "Non-Parametric Maximum Likelihood Estimation\n" << fitHeader() << "\n";
  const int shown = std::min<int>(search.numComponents, static_cast<int>(search.records.size()));
  for (int s = 1; s <= shown; ++s) {
    const FitRecord& r = search.records[static_cast<std::size_t>(s - 1)];
    for (int j = 1; j <= s; ++j) {
      const std::string lambda = formatF(r.lambda[static_cast<std::size_t>(j - 1)], 14, 4);
      const std::string weight = formatF(r.weight[static_cast<std::size_t>(j - 1)], 14, 4);
      if (j == 1) {
        out << formatI(s, 6) << lambda << weight << formatF(r.logLik, 16, 1) << formatF(r.bic, 10, 1)
            << formatWholeEstimate(r.n0, 10) << formatWholeEstimate(r.nall, 10) << formatMaxGradient(r.maxGradient)
            << "\n";
      } else {
        out << std::string(6, ' ') << lambda << weight << "\n";
      }
    }
  }
  out << "accepted components: " << search.numComponents << "\n\n";

  out << "Zelterman and Chao" << std::string(26, ' ') << "n0         N\n";
  for (std::size_t i = 0; i < closedForm.size(); ++i) {
    const std::string name = i < 4 ? "Z" + std::to_string(i + 1) + " " : "Chao ";
    std::string label = name + closedForm[i].label;
    label.resize(38, ' ');
    out << label << formatEstimate(closedForm[i].n0, 10) << formatEstimate(closedForm[i].n, 10) << "\n";
  }
  std::string label = "Negative binomial " + negBin.label;
  label.resize(38, ' ');
  out << label << formatEstimate(negBin.n0, 10) << formatEstimate(negBin.n, 10) << "\n";
}

nlohmann::json toJson(const EstimateOptions& options, std::span<const std::int32_t> counts, std::int64_t n,
                      const SearchResult& search, const std::vector<ClosedFormEstimate>& closedForm,
                      const ClosedFormEstimate& negBin) {
  const auto finiteOrNull = [](double v) { return std::isfinite(v) ? nlohmann::json(v) : nlohmann::json(nullptr); };
  nlohmann::json j;
  j["file"] = options.file;
  j["m"] = counts.size();
  j["n"] = n;
  j["settings"] = {{"exactness", options.exactness},
                   {"criterion", criterionName(options.criterion)},
                   {"maxComponents", options.maxComponents}};
  nlohmann::json fits = nlohmann::json::array();
  for (const FitRecord& r : search.records) {
    fits.push_back({{"components", r.lambda.size()},
                    {"lambda", r.lambda},
                    {"weight", r.weight},
                    {"logLikelihood", finiteOrNull(r.logLik)},
                    {"bic", finiteOrNull(r.bic)},
                    {"n0", finiteOrNull(r.n0)},
                    {"nall", finiteOrNull(r.nall)},
                    {"maxGradient", finiteOrNull(r.maxGradient)}});
  }
  j["fits"] = fits;
  j["accepted"] = search.numComponents;
  const std::span<const double> lambda(search.lambda);
  const std::span<const double> weight(search.weight);
  j["mixture"] = {{"lambda", search.lambda},
                  {"weight", search.weight},
                  {"n0", jsonOrNull(nearestInt(estimateN0(counts, lambda, weight)))},
                  {"nall", jsonOrNull(nearestInt(estimateNall(counts, lambda, weight)))}};
  nlohmann::json zelterman = nlohmann::json::array();
  for (std::size_t i = 0; i < 4; ++i) {
    zelterman.push_back({{"n0", jsonOrNull(closedForm[i].n0)}, {"n", jsonOrNull(closedForm[i].n)}});
  }
  j["zelterman"] = zelterman;
  j["chao"] = {{"n0", jsonOrNull(closedForm[4].n0)}, {"n", jsonOrNull(closedForm[4].n)}};
  j["negativeBinomial"] = {{"n0", jsonOrNull(negBin.n0)}, {"n", jsonOrNull(negBin.n)}};
  return j;
}

}  // namespace

int runEstimate(const EstimateOptions& options, std::ostream& out) {
  const std::vector<std::int32_t> counts = loadCounts(options.file);
  if (const std::optional<std::string> problem = countTableProblem(counts)) {
    throw BadInput{options.file + ": " + *problem};
  }
  const std::int64_t n = observedUnits(counts);

  const SearchSettings settings{options.exactness, options.criterion, options.maxComponents};
  LogSink log;
  if (options.log) {
    out << listDirected(calculationStartText) << "\n";
    log = [&out](const std::string& line) { out << line << "\n"; };
  }
  const SearchResult search = componentSearch(counts, settings, true, log);
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

  const std::vector<ClosedFormEstimate> closedForm = closedFormEstimates(counts, n);
  const ClosedFormEstimate negBin = negativeBinomial(counts, options.exactness, closedForm[4].n0);

  if (options.json) {
    out << toJson(options, counts, n, search, closedForm, negBin).dump(2) << "\n";
  } else {
    printText(out, options, counts, n, search, closedForm, negBin);
  }
  return exitSuccess;
}

}  // namespace tallyfold::cli
