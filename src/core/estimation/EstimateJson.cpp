#include "estimation/EstimateJson.h"

#include "common/JsonValues.h"
#include "data/CountTable.h"
#include "estimation/ChaoInterval.h"
#include "estimation/EMtrun.h"
#include "settings/Defaults.h"

namespace tallyfold {

namespace {

// The accepted mixture's N0 and Nall, or why there are none.
struct MixtureEstimate {
  WholeEstimate n0;
  WholeEstimate nall;
  std::string reason;
};

MixtureEstimate mixtureEstimate(std::span<const std::int32_t> counts, const SearchResult& search) {
  if (!search.estimable) return {std::nullopt, std::nullopt, search.problem};
  MixtureEstimate mixture{wholeEstimate(estimateN0(counts, search.lambda, search.weight)),
                          wholeEstimate(estimateNall(counts, search.lambda, search.weight)), {}};
  if (!mixture.n0 || !mixture.nall) mixture.reason = "the fitted mixture gives no finite value";
  return mixture;
}

// {"n0", "n"} of a row, with its "reason" where one is null.
nlohmann::json rowJson(const ClosedFormEstimate& row) {
  nlohmann::json j{{"n0", wholeJson(row.n0)}, {"n", wholeJson(row.n)}};
  if (!row.n0 || !row.n) j["reason"] = row.reason;
  return j;
}

nlohmann::json toJson(const std::string& file, std::span<const std::int32_t> counts, const SearchSettings& settings,
                      const SearchResult& search, const ClosedFormRows& closedForm,
                      const ClosedFormEstimate& negBin) {
  nlohmann::json j;
  j["file"] = file;
  j["m"] = counts.size();
  j["n"] = observedUnits(counts);
  j["settings"] = {{"exactness", settings.exactness},
                   {"criterion", criterionName(settings.stopCriterion)},
                   {"maxComponents", settings.maxComponents}};
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
  const MixtureEstimate mixture = mixtureEstimate(counts, search);
  j["mixture"] = {{"lambda", search.lambda},
                  {"weight", search.weight},
                  {"n0", wholeJson(mixture.n0)},
                  {"nall", wholeJson(mixture.nall)}};
  if (!mixture.n0 || !mixture.nall) j["mixture"]["reason"] = mixture.reason;
  nlohmann::json zelterman = nlohmann::json::array();
  for (const ClosedFormEstimate& row : closedForm.zelterman) zelterman.push_back(rowJson(row));
  j["zelterman"] = zelterman;
  j["chao"] = rowJson(closedForm.chao);
  j["negativeBinomial"] = rowJson(negBin);
  j["negativeBinomial"]["method"] = "moment fixed point";
  return j;
}

// Chao's interval beside the point estimate in the "chao" object.
void addChaoIntervalJson(nlohmann::json& chao, std::span<const std::int32_t> counts, double level) {
  const std::optional<ChaoInterval> interval = chaoInterval(counts, level);
  chao["se"] = interval ? nlohmann::json(interval->se) : nlohmann::json(nullptr);
  chao["lower"] = interval ? nlohmann::json(interval->lower) : nlohmann::json(nullptr);
  chao["upper"] = interval ? nlohmann::json(interval->upper) : nlohmann::json(nullptr);
  chao["level"] = level;
  if (!interval) chao["intervalReason"] = chaoIntervalProblem(counts, level).value_or("");
}

nlohmann::json cutoffJson(std::span<const CutoffRow> rows) {
  nlohmann::json scan = nlohmann::json::array();
  for (const CutoffRow& r : rows) {
    scan.push_back({{"cutoff", r.cutoff},
                    {"observedBelow", r.observedBelow},
                    {"poissonN", optionalJson(r.poissonN)},
                    {"npmleN", wholeJson(r.npmleN)},
                    {"chaoN", wholeJson(r.chaoN)},
                    {"z1N", wholeJson(r.z1N)},
                    {"ztnbN", optionalJson(r.ztnbN)}});
  }
  return scan;
}

}  // namespace

nlohmann::json wholeJson(const WholeEstimate& value) {
  if (!value) return nullptr;
  if (fitsIn64Bits(*value)) return static_cast<std::int64_t>(*value);
  return *value;
}

nlohmann::json estimateJson(const std::string& file, std::span<const std::int32_t> counts,
                            const SearchSettings& settings, const EstimateJsonParts& parts) {
  nlohmann::json j = toJson(file, counts, settings, parts.search, parts.closedForm, parts.negativeBinomial);
  addFitChecksJson(j, counts, parts.search, parts.checks, parts.curves);
  addChaoIntervalJson(j["chao"], counts, parts.level);
  if (parts.cutoffs) j["cutoffScan"] = cutoffJson(*parts.cutoffs);
  return j;
}

}  // namespace tallyfold
