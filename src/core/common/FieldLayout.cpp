#include "common/FieldLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace tallyfold {

namespace {

std::string fitRight(const std::string& body, int width) {
  if (width <= 0) return {};
  if (static_cast<int>(body.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - body.size(), ' ') + body;
}

}  // namespace

std::string formatI(std::int64_t value, int width) { return fitRight(std::to_string(value), width); }

std::string formatEstimate(std::optional<std::int64_t> value, int width) {
  return value ? formatI(*value, width) : fitRight(std::string(noEstimate), width);
}

std::string rightJustified(std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(std::max(width, 0));
  return text.size() >= w ? std::string(text) : std::string(w - text.size(), ' ') + std::string(text);
}

std::string fixedDecimals(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

std::string levelPercent(double level) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.10g", level * 100.0);
  return buffer;
}

std::string formatF(double value, int width, int decimals) {
  if (width <= 0) return {};
  if (std::isnan(value)) return fitRight("NaN", width);
  if (std::isinf(value)) return fitRight(value > 0 ? "Infinity" : "-Infinity", width);
  if (decimals < 0) decimals = 0;
  if (decimals > 60) decimals = 60;
  // A double has at most 309 digits before the point.
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string body(buffer);
  if (static_cast<int>(body.size()) > width) {
    // The optional leading zero goes first: "0.5" -> ".5", "-0.5" -> "-.5".
    if (body.rfind("0.", 0) == 0) {
      body.erase(0, 1);
    } else if (body.rfind("-0.", 0) == 0) {
      body.erase(1, 1);
    }
  }
  return fitRight(body, width);
}

std::optional<std::int32_t> readBnI(std::string_view text, int width) {
  if (width < 0) return std::nullopt;
  if (text.size() > static_cast<std::size_t>(width)) text = text.substr(0, static_cast<std::size_t>(width));
  return readBnI(text);
}

std::optional<std::int32_t> readBnI(std::string_view text) {
  std::string packed;
  for (char c : text) {
    if (c != ' ' && c != '\t') packed.push_back(c);
  }
  if (packed.empty()) return 0;
  std::size_t pos = 0;
  bool negative = false;
  if (packed[0] == '+' || packed[0] == '-') {
    negative = packed[0] == '-';
    pos = 1;
  }
  if (pos == packed.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; pos < packed.size(); ++pos) {
    const char c = packed[pos];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace tallyfold
