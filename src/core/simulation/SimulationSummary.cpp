#include "simulation/SimulationSummary.h"

#include <cmath>
#include <string_view>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"
#include "common/Text.h"
#include "numeric/SummaryStatistics.h"

namespace tallyfold {

namespace {

std::optional<std::int64_t> widen(std::optional<std::int32_t> v) {
  return v ? std::optional<std::int64_t>(*v) : std::nullopt;
}

// A row label as the window draws it: written free-format (one blank in
// front), trailing blanks dropped.
std::string label(std::string_view text) { return std::string(trimRight(listDirected(text))); }

std::string drawn(const std::string& field) { return std::string(trimRight(field)); }

// The file's line composition: the label free-format into the buffer, then
// for each value the buffer rewritten free-format as its content without
// trailing blanks, ";" and the field without trailing blanks; the line
// written free-format without trailing blanks.
class FileLine {
 public:
  explicit FileLine(std::string_view text) : buffer_(listDirected(text)) {}
  void append(std::string_view text) { buffer_ = listDirected(trimRight(buffer_), text); }
  void value(const std::string& field) { append(";" + std::string(trimRight(field))); }
  std::string str() const { return listDirected(trimRight(buffer_)); }

 private:
  std::string buffer_;
};

constexpr std::string_view header7 =
    " NPMLE         PMLE(negB)         Z1                  Z2                   Z3                   Z4"
    "              Chao";
constexpr std::string_view header5 =
    "         Z1                  Z2                   Z3                   Z4              Chao";
constexpr std::string_view fileHeader = " ; ML ;  pML;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N";

}  // namespace

ValueSummary summarizeValues(std::span<const Estimate> values) {
  std::vector<float> copy;
  std::int64_t sum = 0;
  for (const Estimate& v : values) {
    if (!v) continue;
    sum += *v;
    copy.push_back(static_cast<float>(*v));
  }
  ValueSummary s;
  s.count = static_cast<int>(copy.size());
  if (s.count == 0) {
    s.standardDeviation = std::nan("");
    s.medianDeviation = std::nan("");
    return s;
  }
  const float mean = static_cast<float>(sum) / static_cast<float>(s.count);
  s.nearestMean = widen(nearestInt(static_cast<double>(mean)));
  s.truncatedMean = sum / s.count;
  s.median = widen(nearestInt(median(s.count, copy.data())));
  s.standardDeviation = std::sqrt(sampleVariance(s.count, copy.data()));
  s.medianDeviation = std::sqrt(medianSquaredDeviation(s.count, copy.data()));
  return s;
}

std::optional<std::int64_t> SimulationSummary::bias(int k) const {
  const ValueSummary& s = estimates[static_cast<std::size_t>(k - 1)];
  if (!populationSize || !s.truncatedMean) return std::nullopt;
  return *s.truncatedMean - *populationSize;
}

SimulationSummary summarizeSimulation(const EstimateTables& tables, std::optional<std::int32_t> populationSize,
                                      const std::optional<std::vector<Estimate>>& evaluation) {
  SimulationSummary summary;
  summary.replications = tables.replications();
  summary.populationSize = populationSize;
  for (int k = 1; k <= tables.estimators(); ++k) {
    summary.estimates.push_back(summarizeValues(tables.estimateRow(k)));
    summary.unobserved.push_back(summarizeValues(tables.unobservedRow(k)));
  }
  if (evaluation) summary.evaluation = summarizeValues(*evaluation);
  return summary;
}

std::string formatStatistic(std::optional<std::int64_t> value, int width) { return formatEstimate(value, width); }

std::string formatSpread(double value, int width, int decimals) {
  if (!std::isfinite(value)) return formatEstimate(std::nullopt, width);
  return formatF(value, width, decimals);
}

std::string summaryColumnHeader(int estimators) {
  return std::string(estimators == poissonGammaEstimators ? header5 : header7);
}

std::vector<SummaryRow> summaryWindowRows(const SimulationSummary& summary) {
  using Kind = SummaryRow::Kind;
  const int k = summary.estimators();
  std::vector<SummaryRow> rows;
  const auto perEstimator = [&](std::string_view text, auto field) {
    SummaryRow row{Kind::perEstimator, label(text), {}};
    for (int j = 1; j <= k; ++j) row.values.push_back(drawn(field(j)));
    rows.push_back(std::move(row));
  };
  const auto single = [&](std::string_view text, const std::string& field) {
    rows.push_back(SummaryRow{Kind::single, label(text), {drawn(field)}});
  };
  const auto heading = [&](std::string_view text) { rows.push_back(SummaryRow{Kind::heading, label(text), {}}); };
  const auto separator = [&] { rows.push_back(SummaryRow{Kind::separator, {}, {}}); };
  const auto est = [&](int j) -> const ValueSummary& { return summary.estimates[static_cast<std::size_t>(j - 1)]; };
  const auto unobs = [&](int j) -> const ValueSummary& { return summary.unobserved[static_cast<std::size_t>(j - 1)]; };

  if (summary.populationSize) {
    perEstimator("Predefined Population Size", [&](int) { return formatI(*summary.populationSize, 10); });
  }
  perEstimator("Mean of Estimated Size", [&](int j) { return formatStatistic(est(j).nearestMean, 10); });
  if (summary.populationSize) {
    perEstimator("Bias ", [&](int j) { return formatStatistic(summary.bias(j), 10); });
  }
  perEstimator("Median of Estimated Size", [&](int j) { return formatStatistic(est(j).median, 10); });
  if (summary.evaluation) {
    const ValueSummary& e = *summary.evaluation;
    single("Mean of eval. Median", formatStatistic(e.nearestMean, 10));
    single("Variance of eval. Median", formatSpread(e.standardDeviation, 14, 1));
    single("Median of eval. Median", formatStatistic(e.median, 10));
    single("Variance Median of eval. Median", formatSpread(e.medianDeviation, 14, 1));
  }
  separator();
  heading("Unobserved Size  ");
  perEstimator("Mean ", [&](int j) { return formatStatistic(unobs(j).truncatedMean, 10); });
  perEstimator("Median", [&](int j) { return formatStatistic(unobs(j).median, 10); });
  separator();
  heading("Standard deviation of  ");
  perEstimator("Population Size ", [&](int j) { return formatSpread(est(j).standardDeviation, 14, 1); });
  heading("Standard deviation of  ");
  perEstimator("Unobserved Size ", [&](int j) { return formatSpread(unobs(j).standardDeviation, 14, 1); });
  separator();
  heading("Simulation Settings");
  single("Number of Replications", formatI(summary.replications, 10));
  return rows;
}

std::vector<std::string> summaryFileLines(const SimulationSummary& summary) {
  const int k = summary.estimators();
  const ValueSummary* e = summary.evaluation ? &*summary.evaluation : nullptr;

  FileLine header(fileHeader);
  if (e) header.append(" ; ev.ML");

  FileLine mean("mean  ");
  FileLine error("st. err.  ");
  FileLine middle("median  ");
  FileLine middleError("st. err. median  ");
  const auto add = [&](const ValueSummary& s) {
    mean.value(formatStatistic(s.nearestMean, 10));
    error.value(formatSpread(s.standardDeviation, 14, 4));
    middle.value(formatStatistic(s.median, 10));
    middleError.value(formatSpread(s.medianDeviation, 14, 4));
  };
  for (int j = 1; j <= k; ++j) add(summary.estimates[static_cast<std::size_t>(j - 1)]);
  if (e) add(*e);
  return {header.str(), mean.str(), error.str(), middle.str(), middleError.str()};
}

}  // namespace tallyfold
