#pragma once
// Pieces every subcommand of tallyfold-cli shares: loading a count data
// file with a message that names the file and line, the criterion names,
// and the exit codes.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/CountData.h"
#include "estimation/ResultFormat.h"
#include "settings/Defaults.h"
#include "simulation/ReplicateRows.h"

namespace tallyfold::cli {

inline constexpr int exitSuccess = 0;
inline constexpr int exitBadInput = 1;
inline constexpr int exitNumericalError = 2;
inline constexpr int exitTimeLimit = 3;     // stopped by --time-limit
inline constexpr int exitInterrupted = 130;  // stopped by SIGINT (128 + 2)
inline constexpr int exitTerminated = 143;   // stopped by SIGTERM (128 + 15)

// A failure that ends the program with exitBadInput and a message on
// standard error.
struct BadInput {
  std::string message;
};

// A computation that saw the stop request: the command has printed nothing
// and written no file past those already whole; main says "stopped".
struct Stopped {};

// The --seed value, checked (1 .. 2147483646, BadInput otherwise), or the
// clock seed when there is none.
std::int32_t chooseSeed(const std::optional<std::int64_t>& seed);

// Reads a count data file in `format` (--format); throws BadInput naming
// the file (and the line and value) when it cannot be used.
std::vector<std::int32_t> loadCounts(const std::string& path, CountFormat format = CountFormat::automatic);

// The criterion of its command-line name (criterionName); throws BadInput
// for an unknown name.
StopCriterion parseCriterion(const std::string& name);

// The options of the component search that estimate, bootstrap and
// simulate share: refuses an exactness that is not a positive number and a
// maximum number of components below 1 (BadInput naming the option), and
// says once on `err` that an exactness of 1 or more iterates nothing.
void checkSearchOptions(double exactness, std::int32_t maxComponents, std::ostream& err);

inline constexpr std::string_view noIterationNote =
    "exactness ≥ 1: no iteration is done; the values shown are the starting values";

// --replicates-csv: opens `path` (replacing it) and writes the header; the
// sink writes each replicate's row as it comes and flushes it, so a stopped
// run leaves whole rows. No path: no file and an empty sink. Throws BadInput
// when the file cannot be written.
ReplicateSink replicateCsvSink(const std::optional<std::string>& path, bool evaluation, std::int32_t seed,
                               std::optional<ReplicateCsvFile>& file);

}  // namespace tallyfold::cli
