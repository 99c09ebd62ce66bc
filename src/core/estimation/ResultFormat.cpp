#include "estimation/ResultFormat.h"

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/NearestInteger.h"

namespace tallyfold {

std::string formatMaxGradient(double value) {
  if (value >= 10000.0) return ">10000";
  return formatF(value, 14, 4);
}

std::string formatWholeEstimate(double value, int width) {
  const std::optional<std::int32_t> whole = truncateInt(value);
  return formatEstimate(whole ? std::optional<std::int64_t>(*whole) : std::nullopt, width);
}

std::string formatWhole(const WholeEstimate& value, int width) {
  if (!value) return formatEstimate(std::nullopt, width);
  if (!fitsIn64Bits(*value)) return std::string(static_cast<std::size_t>(width), '*');
  return formatI(static_cast<std::int64_t>(*value), width);
}

std::vector<std::string> calculationSummaryLines(std::span<const double> n0, std::span<const double> nall,
                                                 std::span<const double> bic) {
  const auto line = [](std::string_view label, std::span<const double> values) {
    ListRecord record;
    record.text(label);
    for (double v : values) record.real(v);
    return record.str();
  };
  return {line("N0", n0), line("N", nall), line("BIC", bic)};
}

}  // namespace tallyfold
