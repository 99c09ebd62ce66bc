#include "RunSummary.h"

#include <ostream>

#include "CliSupport.h"
#include "simulation/SimulationFiles.h"

namespace tallyfold::cli {

namespace {

std::string right(std::string_view text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
}

}  // namespace

void printSummary(std::ostream& out, std::span<const std::string_view> names, const SimulationSummary& summary,
                  bool fileRows, const std::vector<std::string>& files) {
  const bool bias = summary.populationSize.has_value();
  out << "estimator " << right("mean", 10) << right("median", 10) << right("st. dev.", 14)
      << right("median dev.", 14) << right("N0 mean", 10) << right("N0 median", 10);
  if (bias) out << right("bias", 10);
  out << "\n";
  for (int k = 1; k <= summary.estimators(); ++k) {
    const ValueSummary& e = summary.estimates[static_cast<std::size_t>(k - 1)];
    const ValueSummary& u = summary.unobserved[static_cast<std::size_t>(k - 1)];
    std::string name(names[static_cast<std::size_t>(k - 1)]);
    name.resize(10, ' ');
    out << name << formatStatistic(e.nearestMean, 10) << formatStatistic(e.median, 10)
        << formatSpread(e.standardDeviation, 14, 1) << formatSpread(e.medianDeviation, 14, 1)
        << formatStatistic(u.truncatedMean, 10) << formatStatistic(u.median, 10);
    if (bias) out << formatStatistic(summary.bias(k), 10);
    out << "\n";
  }
  if (summary.evaluation) {
    const ValueSummary& v = *summary.evaluation;
    out << "eval. median of the bootstrap: mean " << formatStatistic(v.nearestMean, 10) << ", median "
        << formatStatistic(v.median, 10) << ", st. dev. " << formatSpread(v.standardDeviation, 14, 1) << "\n";
  }
  if (fileRows) {
    out << "\nSummary file rows\n";
    for (const std::string& line : summaryFileLines(summary)) out << line << "\n";
  }
  for (const std::string& file : files) out << "wrote " << file << "\n";
}

void printBlock(std::ostream& out, const std::vector<std::string>& lines) {
  out << "\n";
  for (const std::string& line : lines) out << line << "\n";
}

}  // namespace tallyfold::cli
