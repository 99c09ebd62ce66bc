#pragma once
// EMGFU: the component search over the shared state. It reads the count
// table and the calculation settings, runs the search, and writes the
// fitted mixture (and, when asked, the result tables) back.
#include <optional>

#include "estimation/EMtrun_alg.h"

namespace tallyfold {

// logUnit: the window that receives the search's progress lines, if any.
// record: rebuild the result tables from this run's fits.
// Returns false when no mixture can be fitted to the count table
// (mixtureProblem): the shared state then holds no fitted mixture and, with
// record, no result tables, so nothing of another table's fit stands in
// for this one.
bool EMGFU(std::optional<int> logUnit = std::nullopt, bool record = false);

// The same with settings copied earlier (a worker uses the settings of the
// moment it was started, whatever a dialog changes meanwhile).
bool EMGFU(const SearchSettings& settings, std::optional<int> logUnit, bool record);

}  // namespace tallyfold
