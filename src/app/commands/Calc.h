#pragma once
// The "&Calculating Population Size" command: dialog 101, then the
// component search as a job on a worker thread with its "LOG" window, then
// the results window.
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "commands/BusyGuard.h"
#include "estimation/EMtrun_alg.h"
#include "state/GlobalVar.h"

namespace tallyfold {

class Dialog;

// What a calculation works with, copied when it starts: the count table,
// the settings, and the result tables it replaces (they stay when the
// search records nothing).
struct CalculationInput {
  std::vector<std::int32_t> counts;
  SearchSettings settings;
  std::optional<ResultTables> previousResults;
  std::string dataFile;  // the file the counts were read from
};

// What a finished calculation returns.
struct CalculationResult {
  SearchResult search;                 // the fit with its recorded rows
  std::optional<ResultTables> tables;  // the result tables once it is stored
};

void startCalculation();
void acceptCalculation(Dialog& dialog);
// The worker's routine: the search over the copied input. Returns the task
// that stores the result and draws the results window, or nothing when the
// stop request ended it.
std::optional<JobFinish> runCalculation(const CalculationInput& input, std::stop_token stop = {});
// The "LOG" window and the component search; nothing when stopped (the LOG
// window is then closed).
std::optional<CalculationResult> runNpmle(const CalculationInput& input, std::stop_token stop = {});

}  // namespace tallyfold
