#pragma once
// Reading count data in either form: the program's own count file (line x
// holds f(x), CountFile.h) or a two-column frequency table (FrequencyTable.h).
//
// With CountFormat::automatic a file is read as a frequency table when its
// name ends in ".csv" or ".tsv" (in any case), unless its first line that
// is neither blank nor a comment is a single item other than a word, or
// when that line is a header of words; every other file is read as a count
// file, by today's reader, so that such a file reads as it always has. In both forms a UTF-8 byte-order mark at the start is
// skipped (the count file reader would refuse its first line), a file
// larger than maxDataFileBytes is refused before it is read, and a count
// file of more than maxTableClass lines (classes) before its lines are read,
// at line maxTableClass + 1 and in the frequency table's words.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "data/CountFile.h"
#include "data/FrequencyTable.h"

namespace tallyfold {

// The form asked for.
enum class CountFormat { automatic, counts, pairs };
// The form a file was read in.
enum class CountForm { counts, pairs };

// "auto", "counts", "pairs": the names the command line takes.
std::string_view countFormatName(CountFormat format);
std::optional<CountFormat> countFormatFromName(std::string_view name);

// "count file (line x holds f(x))", "frequency table (x, f(x))".
std::string_view countFormText(CountForm form);

// A problem of today's reader (count file form, or a file that cannot be
// read at all), or one of the frequency table and the size check.
using DataFileProblem = std::variant<CountFileProblem, TableProblem>;

struct CountData {
  std::vector<std::int32_t> counts;    // f(1..m) on success, empty otherwise
  CountForm form = CountForm::counts;  // the form the file was read (or refused) in
  std::vector<ClassRange> zeroFilled;  // pairs: the classes of 1..m no line gives, read as f(x) = 0
  std::optional<DataFileProblem> problem;
};

// The form `format` reads a file of this name and text in.
CountForm chooseCountForm(CountFormat format, std::string_view path, std::string_view text);

// The text of a file, read in `form`.
CountData parseCountData(std::string_view text, CountForm form);

// Refuses what readCountFile refuses before reading, and a file larger than
// maxDataFileBytes, before reading it.
CountData readCountData(const std::string& path, CountFormat format);

// "line 3: ..." as describeCountFileProblem or describeTableProblem word it.
std::string describeDataFileProblem(const DataFileProblem& problem);

// The message that names the file: "<path>: line 3: ...".
std::string dataFileMessage(std::string_view path, const DataFileProblem& problem);

}  // namespace tallyfold
