#pragma once
// The default values as the options' help texts write them, made from the
// values the options start from.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tallyfold::cli {

// " (default 10)": the note that ends an option's help text.
std::string defaultNote(std::string_view value);
std::string defaultNote(std::int64_t value);

// A real in exponent form with at least one decimal: 1.0E-7.
std::string exponentText(float value);

// Shortest texts of the values joined by commas: 2,4.
std::string commaList(std::span<const double> values);

}  // namespace tallyfold::cli
