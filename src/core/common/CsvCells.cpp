#include "common/CsvCells.h"

#include <cmath>

#include "common/ListDirected.h"

namespace tallyfold {

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string csvNumber(double value) { return std::isfinite(value) ? shortestReal(value) : std::string(); }
std::string csvNumber(const std::optional<double>& value) { return value ? csvNumber(*value) : std::string(); }
std::string csvNumber(const std::optional<std::int64_t>& value) {
  return value ? std::to_string(*value) : std::string();
}

std::string csvList(const std::vector<double>& values) {
  std::string list;
  for (double v : values) list += (list.empty() ? "" : " ") + shortestReal(v);
  return list;
}

}  // namespace tallyfold
