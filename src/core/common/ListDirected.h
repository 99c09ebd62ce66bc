#pragma once
// List-directed (free-format) text, the convention of every log line and of
// the plain-text output files:
//   - a record starts with one blank;
//   - a text item is written as it stands, items are joined without
//     separators;
//   - an integer item is one blank followed by its digits (" n0= 11");
//   - a real item is one blank followed by the shortest text that reads back
//     to the same single- or double-precision value.
// Reading a free-format item takes the first item of the text (items are
// separated by blanks or commas).
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace tallyfold {

class ListRecord {
 public:
  ListRecord() : line_(" ") {}

  ListRecord& text(std::string_view item) {
    line_.append(item);
    return *this;
  }
  ListRecord& integer(std::int64_t item);
  ListRecord& real(float item);
  ListRecord& real(double item);

  const std::string& str() const { return line_; }

 private:
  std::string line_;
};

// Shortest text that reads back to the same value ("NaN", "Infinity",
// "-Infinity" for the non-finite ones).
std::string shortestReal(float value);
std::string shortestReal(double value);

namespace detail {
template <typename T>
void appendItem(ListRecord& record, const T& item) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, float> || std::is_same_v<U, double>) {
    record.real(item);
  } else if constexpr (std::integral<U> && !std::is_same_v<U, bool> && !std::is_same_v<U, char>) {
    record.integer(static_cast<std::int64_t>(item));
  } else {
    record.text(std::string_view(item));
  }
}
}  // namespace detail

// One list-directed record of the given items: listDirected("n0=", 11) is
// " n0= 11"; listDirected() is the empty record " ".
template <typename... Items>
std::string listDirected(const Items&... items) {
  ListRecord record;
  (detail::appendItem(record, items), ...);
  return record.str();
}

// The first free-format item of a text: blanks before it are skipped, it
// ends at a blank, a comma or the end. Empty when the text holds no item.
std::string_view firstItem(std::string_view text);

// Free-format integer: optional sign and decimal digits, 32-bit range.
std::optional<std::int32_t> readListInteger(std::string_view text);

// Free-format real: a finite decimal number (exponent letter E or D).
std::optional<double> readListReal(std::string_view text);

}  // namespace tallyfold
