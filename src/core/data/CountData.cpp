#include "data/CountData.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <utility>

#include "common/Text.h"

namespace tallyfold {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutByteOrderMark(std::string_view text) {
  if (text.starts_with(byteOrderMark)) text.remove_prefix(byteOrderMark.size());
  return text;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text = text.substr(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != suffix[i]) return false;
  }
  return true;
}

// The first line that is neither blank nor a comment, without blanks at
// either end.
std::string_view firstContentLine(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trim(text.substr(start, end - start));
    if (!line.empty() && line.front() != '#') return line;
    start = end + 1;
  }
  return {};
}

// m of a count file as parseCountText counts it, the lines before the blank
// lines that end the file, found without keeping a line.
std::size_t countFileClasses(std::string_view text) {
  std::size_t lines = 0;
  std::size_t classes = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++lines;
    if (line.find_first_not_of(" \t") != std::string_view::npos) classes = lines;
    start = end + 1;
  }
  return classes;
}

constexpr std::array<std::pair<CountFormat, std::string_view>, 3> formatNames{{
    {CountFormat::automatic, "auto"},
    {CountFormat::counts, "counts"},
    {CountFormat::pairs, "pairs"},
}};

}  // namespace

std::string_view countFormatName(CountFormat format) {
  for (const auto& [value, name] : formatNames) {
    if (value == format) return name;
  }
  return "auto";
}

std::optional<CountFormat> countFormatFromName(std::string_view name) {
  for (const auto& [value, known] : formatNames) {
    if (known == name) return value;
  }
  return std::nullopt;
}

std::string_view countFormText(CountForm form) {
  return form == CountForm::pairs ? "frequency table (x, f(x))" : "count file (line x holds f(x))";
}

CountForm chooseCountForm(CountFormat format, std::string_view path, std::string_view text) {
  if (format == CountFormat::counts) return CountForm::counts;
  if (format == CountFormat::pairs) return CountForm::pairs;
  const std::string_view first = firstContentLine(withoutByteOrderMark(text));
  if (endsWithIgnoringCase(path, ".csv") || endsWithIgnoringCase(path, ".tsv")) {
    // A single item that is not a word (a header) is a line no frequency
    // table reads: such a file is a count file whatever its name.
    const bool singleItem = !first.empty() && first.find_first_of(",; \t") == std::string_view::npos;
    return singleItem && !isWordHeader(first) ? CountForm::counts : CountForm::pairs;
  }
  return isWordHeader(first) ? CountForm::pairs : CountForm::counts;
}

CountData parseCountData(std::string_view text, CountForm form) {
  text = withoutByteOrderMark(text);
  CountData data;
  data.form = form;
  if (form == CountForm::counts) {
    // Line x holds f(x): a line beyond maxTableClass is a class the table
    // may not give, refused as the frequency table refuses it, before the
    // lines are split or the table allocated.
    if (countFileClasses(text) > static_cast<std::size_t>(maxTableClass)) {
      const std::string x = std::to_string(maxTableClass + 1);
      data.problem = TableProblem{TableProblem::Kind::classTooLarge, maxTableClass + 1, x, x, 0};
      return data;
    }
    CountFile file = parseCountText(text);
    data.counts = std::move(file.counts);
    if (file.problem) data.problem = *file.problem;
    return data;
  }
  FrequencyTable table = parseFrequencyTable(text);
  data.counts = std::move(table.counts);
  data.zeroFilled = std::move(table.zeroFilled);
  if (table.problem) data.problem = std::move(*table.problem);
  return data;
}

CountData readCountData(const std::string& path, CountFormat format) {
  CountData refused;
  refused.form = chooseCountForm(format, path, {});
  const auto refuse = [&refused](DataFileProblem problem) {
    refused.problem = std::move(problem);
    return refused;
  };
  const auto tooLarge = [&](std::uintmax_t bytes) {
    return refuse(TableProblem{TableProblem::Kind::fileTooLarge, 0, std::to_string(bytes), {}, 0});
  };
  const CountFileProblem cannotOpen{CountFileProblem::Kind::cannotOpen, 0};

  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (std::filesystem::is_directory(status)) return refuse(cannotOpen);
  // A pipe would block the open or the read, a device such as /dev/zero
  // would never end: only regular files are read.
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return refuse(CountFileProblem{CountFileProblem::Kind::notRegular, 0});
  }
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (!error && size > maxDataFileBytes) return tooLarge(size);

  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return refuse(cannotOpen);
  // Read in pieces, so that a file that grew since its size was taken is
  // refused at the limit.
  std::string text;
  if (!error) text.reserve(static_cast<std::size_t>(size));
  std::array<char, 1 << 16> piece{};
  while (in.read(piece.data(), piece.size()) || in.gcount() > 0) {
    text.append(piece.data(), static_cast<std::size_t>(in.gcount()));
    if (text.size() > maxDataFileBytes) return tooLarge(text.size());
  }
  if (in.bad()) return refuse(cannotOpen);
  return parseCountData(text, chooseCountForm(format, path, text));
}

std::string describeDataFileProblem(const DataFileProblem& problem) {
  if (const auto* file = std::get_if<CountFileProblem>(&problem)) return describeCountFileProblem(*file);
  return describeTableProblem(std::get<TableProblem>(problem));
}

std::string dataFileMessage(std::string_view path, const DataFileProblem& problem) {
  return std::string(path) + ": " + describeDataFileProblem(problem);
}

}  // namespace tallyfold
