#include "common/ListDirected.h"

#include <charconv>
#include <cmath>
#include <string>

#include "common/FieldLayout.h"

namespace tallyfold {

namespace {

template <typename T>
std::string shortest(T value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string shortestReal(float value) { return shortest(value); }
std::string shortestReal(double value) { return shortest(value); }

ListRecord& ListRecord::integer(std::int64_t item) {
  line_.push_back(' ');
  line_.append(std::to_string(item));
  return *this;
}

ListRecord& ListRecord::real(float item) {
  line_.push_back(' ');
  line_.append(shortestReal(item));
  return *this;
}

ListRecord& ListRecord::real(double item) {
  line_.push_back(' ');
  line_.append(shortestReal(item));
  return *this;
}

std::string_view firstItem(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  std::size_t end = begin;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ',' && text[end] != '\r' &&
         text[end] != '\n') {
    ++end;
  }
  return text.substr(begin, end - begin);
}

std::optional<std::int32_t> readListInteger(std::string_view text) {
  const std::string_view item = firstItem(text);
  if (item.empty()) return std::nullopt;
  return readBnI(item);
}

std::optional<double> readListReal(std::string_view text) {
  std::string item(firstItem(text));
  if (item.empty()) return std::nullopt;
  for (char& c : item) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  std::size_t start = 0;
  if (item[0] == '+') start = 1;
  if (start < item.size() && item[start] == '-' && start == 1) return std::nullopt;
  for (std::size_t i = start; i < item.size(); ++i) {
    const char c = item[i];
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
    if (!allowed) return std::nullopt;  // no "nan", "inf" or hexadecimal
  }
  double value = 0.0;
  const char* first = item.data() + start;
  const char* last = item.data() + item.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace tallyfold
