#include "HelpText.h"

#include <charconv>
#include <cstdlib>

#include "common/ListDirected.h"

namespace tallyfold::cli {

std::string defaultNote(std::string_view value) { return " (default " + std::string(value) + ")"; }

std::string defaultNote(std::int64_t value) { return defaultNote(std::to_string(value)); }

std::string exponentText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string text(buffer, result.ptr);
  const std::size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  if (mantissa.find('.') == std::string::npos) mantissa += ".0";
  return mantissa + "E" + std::to_string(std::atoi(text.c_str() + e + 1));
}

std::string commaList(std::span<const double> values) {
  std::string text;
  for (const double v : values) {
    if (!text.empty()) text += ',';
    text += shortestReal(v);
  }
  return text;
}

}  // namespace tallyfold::cli
