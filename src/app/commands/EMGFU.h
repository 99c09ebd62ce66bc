#pragma once
// EMGFU: the component search over the shared state. It reads the count
// table and the calculation settings, runs the search, and writes the
// fitted mixture (and, when asked, the result tables) back.
#include <optional>

#include "estimation/EMtrun_alg.h"
#include "state/GlobalVar.h"

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

// The result tables the shared state holds once a recorded search's result
// is stored over `previous`: none when no mixture could be fitted, this
// run's fits, or `previous` when the run recorded nothing (it never entered
// the pass loop).
std::optional<ResultTables> recordedTables(const SearchResult& result, const std::optional<ResultTables>& previous);

// Stores a finished search's result in the shared state as EMGFU does: the
// fitted mixture (none when no mixture could be fitted) and, with record,
// the result tables. Returns result.estimable.
bool storeSearchResult(SearchResult result, bool record);

}  // namespace tallyfold
