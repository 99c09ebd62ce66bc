#include "common/JsonValues.h"

#include <cmath>

namespace tallyfold {

nlohmann::json optionalJson(const std::optional<double>& value) {
  return value ? finiteOrNull(*value) : nlohmann::json(nullptr);
}

nlohmann::json finiteOrNull(double value) {
  return std::isfinite(value) ? nlohmann::json(value) : nlohmann::json(nullptr);
}

}  // namespace tallyfold
