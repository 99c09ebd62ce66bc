#pragma once
// The count data file: plain text, line x holds f(x) as its first item.
// Items are separated by blanks or commas and the rest of a line is
// ignored; the item is read as a decimal integer with an optional sign. The
// number of classes m is the number of lines before any blank lines that end
// the file (what most editors write). Zeros and negative counts are kept as
// they stand.
//
// A table is accepted whole or not at all: a blank line inside the table, an
// empty first item, an item longer than 80 characters, an item that is not
// an integer, a count outside the 32-bit range or a running sum of counts
// beyond it rejects the file at that line, so the number of observed units
// is always exact. A blank line holds nothing but blanks and tabs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfold {

struct CountFileProblem {
  enum class Kind {
    cannotOpen,    // the file does not exist or cannot be read
    empty,         // no lines, or blank lines only
    notRegular,    // a pipe, a device or a socket: reading might never end
    blankLine,     // a line of blanks and tabs only, inside the table
    emptyItem,     // the line starts with a comma (after any blanks)
    itemTooLong,   // the first item is longer than 80 characters
    notAnInteger,  // the first item is not a decimal integer
    outOfRange,    // the count lies outside the 32-bit range
    sumOverflow,   // the running sum of counts leaves the 32-bit range
  };
  Kind kind;
  int line = 0;  // 1-based line number, 0 when the whole file is concerned
};

struct CountFile {
  std::vector<std::int32_t> counts;  // f(1..m) on success, empty otherwise
  int lines = 0;                     // m: the lines before the blank lines that end the file
  std::optional<CountFileProblem> problem;
};

CountFile parseCountText(std::string_view text);
// Refuses anything that exists but is neither a regular file nor a directory
// before opening it; a directory cannot be opened.
CountFile readCountFile(const std::string& path);

// A one-line description of a problem for the command line ("line 3: the
// first item is not a whole number").
std::string describeCountFileProblem(const CountFileProblem& problem);

}  // namespace tallyfold
