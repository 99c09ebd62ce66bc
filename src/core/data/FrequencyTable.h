#pragma once
// The two-column frequency table: each line holds a class x and its count
// f(x), "x<sep>f(x)", the separator a semicolon, a comma, or blanks and tabs
// (a line holding a semicolon is split at semicolons, else one holding a
// comma at commas, else at runs of blanks and tabs). Items may stand in
// double quotes; blanks and tabs around them are ignored. Lines whose first
// character other than a blank is "#" are comments, blank lines are
// skipped, and the first line that is neither may be a header of words
// ("x,f", "frequency;count"): every item of it starts with a letter.
//
// Classes may come in any order; m is the largest class and a class of
// 1..m that no line gives has f(x) = 0. A table is accepted whole or not at
// all: the first line that is not two whole numbers, or gives x = 0, x < 0,
// x > maxTableClass, an x given before, f(x) < 0, f(x) beyond the 32-bit
// range or takes the running sum of counts beyond it refuses the file. The
// table is allocated once every line has been read, so that its size, the
// largest class, is known and bounded by maxTableClass.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyfold {

// The largest class a table may give: it bounds the table allocated.
inline constexpr std::int32_t maxTableClass = 10'000'000;
// A data file of either form larger than this (100 MB) is refused unread
// (readCountData).
inline constexpr std::uintmax_t maxDataFileBytes = 100'000'000;

struct TableProblem {
  enum class Kind {
    fileTooLarge,     // the file is larger than maxDataFileBytes (line 0)
    noClasses,        // no line holds a class (line 0)
    notTwoItems,      // the line does not hold two items
    classNotWhole,    // x is not a whole number
    zeroClass,        // x = 0: f(0) is what is estimated
    negativeClass,    // x < 0
    classTooLarge,    // x > maxTableClass
    repeatedClass,    // x was given on an earlier line (firstLine)
    countNotWhole,    // f(x) is not a whole number
    negativeCount,    // f(x) < 0
    countOutOfRange,  // f(x) beyond the 32-bit range
    sumOverflow,      // the running sum of counts leaves the 32-bit range
  };
  Kind kind;
  int line = 0;       // 1-based line number, 0 when the whole file is concerned
  std::string value;  // the item (the line for notTwoItems, the size for fileTooLarge), at most 40 characters
  std::string x;      // the class of the line, when it is a whole number
  int firstLine = 0;  // repeatedClass: the line that gave x first
};

// Classes first..last (1-based, first <= last).
struct ClassRange {
  std::int32_t first = 0;
  std::int32_t last = 0;
  friend bool operator==(const ClassRange&, const ClassRange&) = default;
};

struct FrequencyTable {
  std::vector<std::int32_t> counts;    // f(1..m) on success, empty otherwise
  std::vector<ClassRange> zeroFilled;  // the classes of 1..m no line gives, in ascending order
  std::optional<TableProblem> problem;
};

// The text without a UTF-8 byte-order mark; lines end in LF or CR LF.
FrequencyTable parseFrequencyTable(std::string_view text);

// True when the line (after blanks) is a header of words.
bool isWordHeader(std::string_view line);

// "line 3: the class x = 0 is refused: f(0), the units never seen, is what
// is estimated".
std::string describeTableProblem(const TableProblem& problem);

// "5, 8-10, 12"; "none" when there are no ranges. After `shown` ranges the
// rest are summed up: "..., 30 classes in 12 ranges in all".
std::string classRangesText(std::span<const ClassRange> ranges, std::size_t shown = 10);

}  // namespace tallyfold
