#pragma once
// Numbers as JSON values the way every JSON output of the system writes
// them: a value that is not finite, or that does not exist, is null.
#include <optional>

#include <nlohmann/json.hpp>

namespace tallyfold {

// A double as JSON: null when it is not finite.
nlohmann::json finiteOrNull(double value);
// finiteOrNull of the value, null when there is none.
nlohmann::json optionalJson(const std::optional<double>& value);

// An optional number as JSON: null when there is none.
template <typename T>
nlohmann::json jsonOrNull(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace tallyfold
