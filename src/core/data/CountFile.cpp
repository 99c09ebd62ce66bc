#include "data/CountFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"

namespace tallyfold {

namespace {

// The item is taken as text of at most 80 characters; a longer one is
// refused rather than cut.
constexpr std::size_t maxItemLength = 80;

bool isBlankOrTab(char c) { return c == ' ' || c == '\t'; }

bool isBlankLine(std::string_view line) {
  for (const char c : line) {
    if (!isBlankOrTab(c)) return false;
  }
  return true;
}

std::string_view firstCountItem(std::string_view line) {
  std::size_t begin = 0;
  while (begin < line.size() && isBlankOrTab(line[begin])) ++begin;
  std::size_t end = begin;
  while (end < line.size() && !isBlankOrTab(line[end]) && line[end] != ',') ++end;
  return line.substr(begin, end - begin);
}

// Only a sign followed by digits is a count (no blanks inside the item).
bool isDecimalInteger(std::string_view item) {
  std::size_t pos = (item.front() == '+' || item.front() == '-') ? 1 : 0;
  if (pos == item.size()) return false;
  for (; pos < item.size(); ++pos) {
    if (item[pos] < '0' || item[pos] > '9') return false;
  }
  return true;
}

}  // namespace

CountFile parseCountText(std::string_view text) {
  CountFile file;
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && isBlankLine(lines.back())) lines.pop_back();
  file.lines = static_cast<int>(lines.size());
  if (lines.empty()) {
    file.problem = CountFileProblem{CountFileProblem::Kind::empty, 0};
    return file;
  }

  std::vector<std::int32_t> counts;
  counts.reserve(lines.size());
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int lineNumber = static_cast<int>(i) + 1;
    if (isBlankLine(lines[i])) {
      file.problem = CountFileProblem{CountFileProblem::Kind::blankLine, lineNumber};
      return file;
    }
    const std::string_view item = firstCountItem(lines[i]);
    if (item.empty()) {
      file.problem = CountFileProblem{CountFileProblem::Kind::emptyItem, lineNumber};
      return file;
    }
    if (item.size() > maxItemLength) {
      file.problem = CountFileProblem{CountFileProblem::Kind::itemTooLong, lineNumber};
      return file;
    }
    if (!isDecimalInteger(item)) {
      file.problem = CountFileProblem{CountFileProblem::Kind::notAnInteger, lineNumber};
      return file;
    }
    const std::optional<std::int32_t> value = readBnI(item);
    if (!value) {
      file.problem = CountFileProblem{CountFileProblem::Kind::outOfRange, lineNumber};
      return file;
    }
    sum += *value;
    if (sum > std::numeric_limits<std::int32_t>::max() || sum < std::numeric_limits<std::int32_t>::min()) {
      file.problem = CountFileProblem{CountFileProblem::Kind::sumOverflow, lineNumber};
      return file;
    }
    counts.push_back(*value);
  }
  file.counts = std::move(counts);
  return file;
}

CountFile readCountFile(const std::string& path) {
  CountFile unreadable;
  unreadable.problem = CountFileProblem{CountFileProblem::Kind::cannotOpen, 0};
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return unreadable;
  // A pipe would block the open or the read, a device such as /dev/zero
  // would never end: only regular files are read.
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    CountFile refused;
    refused.problem = CountFileProblem{CountFileProblem::Kind::notRegular, 0};
    return refused;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return unreadable;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return unreadable;
  return parseCountText(text.str());
}

std::string describeCountFileProblem(const CountFileProblem& problem) {
  const std::string where = "line " + std::to_string(problem.line) + ": ";
  switch (problem.kind) {
    case CountFileProblem::Kind::cannotOpen: return "the file cannot be opened or read";
    case CountFileProblem::Kind::empty: return "the file holds no counts";
    case CountFileProblem::Kind::notRegular: return "the file is not a regular file";
    case CountFileProblem::Kind::blankLine: return where + "the line is blank";
    case CountFileProblem::Kind::emptyItem: return where + "the first item is empty";
    case CountFileProblem::Kind::itemTooLong: return where + "the first item is longer than 80 characters";
    case CountFileProblem::Kind::notAnInteger: return where + "the first item is not a whole number";
    case CountFileProblem::Kind::outOfRange: return where + "the count lies outside the 32-bit range";
    case CountFileProblem::Kind::sumOverflow: return where + "the sum of the counts exceeds the 32-bit range";
  }
  return where + "unreadable";
}

}  // namespace tallyfold
