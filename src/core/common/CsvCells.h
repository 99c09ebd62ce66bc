#pragma once
// The cells of the CSV tables the program writes (RFC 4180): a field quoted
// when it must be, numbers at full precision (the shortest text that reads
// back to the same double), a list of numbers in one cell, and an empty cell
// wherever there is no finite value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallyfold {

// As it stands, or quoted (quotes doubled) when it holds a separator, a
// quote or a line end.
std::string csvField(const std::string& text);
std::string csvNumber(double value);
std::string csvNumber(const std::optional<double>& value);
std::string csvNumber(const std::optional<std::int64_t>& value);
// The numbers separated by blanks.
std::string csvList(const std::vector<double>& values);

}  // namespace tallyfold
