#pragma once
// The "&Calculating Population Size" command: dialog 101, then the
// component search on a worker thread with its "LOG" window, then the
// results window.
#include "estimation/EMtrun_alg.h"

namespace tallyfold {

class Dialog;

void startCalculation();
void acceptCalculation(Dialog& dialog);
// The worker's routine; it works with the settings copied when it started.
void runCalculation(const SearchSettings& settings);
void runNpmle(const SearchSettings& settings);

}  // namespace tallyfold
