#pragma once
// Pieces every subcommand of tallyfold-cli shares: loading a count data
// file with a message that names the file and line, the criterion names,
// and the exit codes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace tallyfold::cli {

inline constexpr int exitSuccess = 0;
inline constexpr int exitBadInput = 1;
inline constexpr int exitNumericalError = 2;

// A failure that ends the program with exitBadInput and a message on
// standard error.
struct BadInput {
  std::string message;
};

// Reads a count data file; throws BadInput naming the file (and the line)
// when it cannot be used.
std::vector<std::int32_t> loadCounts(const std::string& path);

// "npmle" / "bic" / "max" <-> 1 / 2 / 3.
std::int32_t parseCriterion(const std::string& name);
std::string criterionName(std::int32_t criterion);

// An optional number as JSON: null when there is none.
template <typename T>
nlohmann::json jsonOrNull(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace tallyfold::cli
