#include "data/FrequencyTable.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <utility>

#include "common/Text.h"

namespace tallyfold {

namespace {

constexpr std::int64_t largestCount = std::numeric_limits<std::int32_t>::max();
// An item is quoted in a message up to this many characters.
constexpr std::size_t maxValueLength = 40;

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

std::string excerpt(std::string_view text) {
  if (text.size() <= maxValueLength) return std::string(text);
  return std::string(text.substr(0, maxValueLength)) + "...";
}

std::string_view unquoted(std::string_view item) {
  if (item.size() >= 2 && item.front() == '"' && item.back() == '"') item = trim(item.substr(1, item.size() - 2));
  return item;
}

// The items of a line without its blanks at either end (see the header).
std::vector<std::string_view> splitItems(std::string_view line) {
  std::vector<std::string_view> items;
  const char separator = line.find(';') != std::string_view::npos   ? ';'
                         : line.find(',') != std::string_view::npos ? ','
                                                                    : ' ';
  if (separator == ' ') {
    std::size_t pos = 0;
    while (pos < line.size()) {
      while (pos < line.size() && isBlankOrTab(line[pos])) ++pos;
      const std::size_t begin = pos;
      while (pos < line.size() && !isBlankOrTab(line[pos])) ++pos;
      if (pos > begin) items.push_back(unquoted(line.substr(begin, pos - begin)));
    }
    return items;
  }
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = line.find(separator, begin);
    items.push_back(unquoted(trim(line.substr(begin, end == std::string_view::npos ? end : end - begin))));
    if (end == std::string_view::npos) return items;
    begin = end + 1;
  }
}

// A sign and decimal digits; a magnitude beyond 2^40, far beyond any class
// or count, is held there.
std::optional<std::int64_t> wholeNumber(std::string_view item) {
  std::size_t pos = (!item.empty() && (item.front() == '+' || item.front() == '-')) ? 1 : 0;
  if (pos == item.size()) return std::nullopt;
  const bool negative = item.front() == '-';
  constexpr std::int64_t bound = std::int64_t{1} << 40;
  std::int64_t value = 0;
  for (; pos < item.size(); ++pos) {
    if (item[pos] < '0' || item[pos] > '9') return std::nullopt;
    value = std::min(bound, value * 10 + (item[pos] - '0'));
  }
  return negative ? -value : value;
}

struct Row {
  std::int32_t x = 0;
  std::int32_t f = 0;
  int line = 0;
};

std::optional<TableProblem> readRow(std::string_view content, int line, Row& row) {
  using Kind = TableProblem::Kind;
  const std::vector<std::string_view> items = splitItems(content);
  if (items.size() != 2 || items[0].empty() || items[1].empty()) {
    return TableProblem{Kind::notTwoItems, line, excerpt(content), {}, 0};
  }
  const std::optional<std::int64_t> x = wholeNumber(items[0]);
  const std::string xText = excerpt(items[0]);
  if (!x) return TableProblem{Kind::classNotWhole, line, xText, {}, 0};
  if (*x == 0) return TableProblem{Kind::zeroClass, line, xText, xText, 0};
  if (*x < 0) return TableProblem{Kind::negativeClass, line, xText, xText, 0};
  if (*x > maxTableClass) return TableProblem{Kind::classTooLarge, line, xText, xText, 0};
  const std::optional<std::int64_t> f = wholeNumber(items[1]);
  const std::string fText = excerpt(items[1]);
  if (!f) return TableProblem{Kind::countNotWhole, line, fText, xText, 0};
  if (*f < 0) return TableProblem{Kind::negativeCount, line, fText, xText, 0};
  if (*f > largestCount) return TableProblem{Kind::countOutOfRange, line, fText, xText, 0};
  row = Row{static_cast<std::int32_t>(*x), static_cast<std::int32_t>(*f), line};
  return std::nullopt;
}

// Calls `use` with each row in line order while it returns true; returns
// the problem of the first line that is not a row.
std::optional<TableProblem> forEachRow(std::string_view text, const std::function<bool(const Row&)>& use) {
  bool headerPossible = true;
  int line = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view content = trim(text.substr(start, end - start));  // also a CR
    start = end + 1;
    ++line;
    if (content.empty() || content.front() == '#') continue;
    if (std::exchange(headerPossible, false) && isWordHeader(content)) continue;
    Row row;
    if (std::optional<TableProblem> problem = readRow(content, line, row)) return problem;
    if (!use(row)) return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

bool isWordHeader(std::string_view line) {
  line = trim(line);
  if (line.empty() || line.front() == '#') return false;
  for (const std::string_view item : splitItems(line)) {
    if (item.empty()) return false;
    const char c = item.front();
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

FrequencyTable parseFrequencyTable(std::string_view text) {
  using Kind = TableProblem::Kind;
  FrequencyTable table;
  // First pass: every line is checked and the largest class found before
  // the table is allocated.
  std::int32_t m = 0;
  std::int64_t sum = 0;
  int lastLine = std::numeric_limits<int>::max();  // the rows before it are sound
  std::optional<TableProblem> problem = forEachRow(text, [&](const Row& row) {
    sum += row.f;
    if (sum > largestCount) {
      table.problem = TableProblem{Kind::sumOverflow, row.line, std::to_string(row.f), std::to_string(row.x), 0};
      return false;
    }
    m = std::max(m, row.x);
    return true;
  });
  if (problem) table.problem = std::move(problem);
  if (table.problem) lastLine = table.problem->line;
  if (m == 0) {
    if (!table.problem) table.problem = TableProblem{Kind::noClasses, 0, {}, {}, 0};
    return table;
  }

  // Second pass over the sound rows: a class given twice is refused at the
  // earlier of its line and the first pass's problem.
  std::vector<std::int32_t> counts(static_cast<std::size_t>(m), -1);
  std::optional<Row> repeated;
  (void)forEachRow(text, [&](const Row& row) {
    if (row.line >= lastLine) return false;
    std::int32_t& f = counts[static_cast<std::size_t>(row.x - 1)];
    if (f >= 0) {
      repeated = row;
      return false;
    }
    f = row.f;
    return true;
  });
  if (repeated) {
    int firstLine = 0;
    (void)forEachRow(text, [&](const Row& row) {
      if (row.x != repeated->x) return true;
      firstLine = row.line;
      return false;
    });
    const std::string x = std::to_string(repeated->x);
    table.problem = TableProblem{Kind::repeatedClass, repeated->line, x, x, firstLine};
  }
  if (table.problem) return table;

  for (std::size_t i = 0; i < counts.size(); ++i) {
    if (counts[i] >= 0) continue;
    counts[i] = 0;
    const auto x = static_cast<std::int32_t>(i + 1);
    if (!table.zeroFilled.empty() && table.zeroFilled.back().last == x - 1) {
      table.zeroFilled.back().last = x;
    } else {
      table.zeroFilled.push_back(ClassRange{x, x});
    }
  }
  table.counts = std::move(counts);
  return table;
}

std::string describeTableProblem(const TableProblem& problem) {
  using Kind = TableProblem::Kind;
  const std::string where = "line " + std::to_string(problem.line) + ": ";
  const std::string quoted = "'" + problem.value + "'";
  const std::string count = "the count f(" + problem.x + ") = " + problem.value;
  switch (problem.kind) {
    case Kind::fileTooLarge:
      return "the file holds " + problem.value + " bytes, more than the " + std::to_string(maxDataFileBytes) +
             " (100 MB) a data file may hold";
    case Kind::noClasses: return "no line holds a class x and its count f(x)";
    case Kind::notTwoItems: return where + quoted + " is not a class x and its count f(x)";
    case Kind::classNotWhole: return where + "the class " + quoted + " is not a whole number";
    case Kind::zeroClass:
      return where + "the class x = " + problem.value + " is refused: f(0), the units never seen, is what is estimated";
    case Kind::negativeClass: return where + "the class x = " + problem.value + " is negative";
    case Kind::classTooLarge:
      return where + "the class x = " + problem.value + " is larger than " + std::to_string(maxTableClass) +
             ", the largest class read";
    case Kind::repeatedClass:
      return where + "the class x = " + problem.value + " is given again (first on line " +
             std::to_string(problem.firstLine) + ")";
    case Kind::countNotWhole:
      return where + "the count " + quoted + " of class " + problem.x + " is not a whole number";
    case Kind::negativeCount: return where + count + " is negative";
    case Kind::countOutOfRange: return where + count + " lies outside the 32-bit range";
    case Kind::sumOverflow: return where + count + " takes the sum of the counts beyond the 32-bit range";
  }
  return where + "unreadable";
}

std::string classRangesText(std::span<const ClassRange> ranges, std::size_t shown) {
  if (ranges.empty()) return "none";
  std::string text;
  std::int64_t classes = 0;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    classes += ranges[i].last - ranges[i].first + 1;
    if (i >= shown) continue;
    if (i > 0) text += ", ";
    text += std::to_string(ranges[i].first);
    if (ranges[i].last > ranges[i].first) text += "-" + std::to_string(ranges[i].last);
  }
  if (ranges.size() > shown) {
    text += ", ... (" + std::to_string(classes) + " classes in " + std::to_string(ranges.size()) + " ranges in all)";
  }
  return text;
}

}  // namespace tallyfold
