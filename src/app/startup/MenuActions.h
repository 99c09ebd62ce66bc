#pragma once
// The actions behind the menu entries. Each routes to its command unit.

namespace tallyfold {

void menuOpenData();
// Asks the running computation to stop.
void menuStopComputation();
void menuCalculation();
void menuGoodnessOfFit();
void menuCutoffAnalysis();
void menuSimulation();
void menuBootstrap();
void menuPoissonGamma();
// "E&xit" and the frame's close button: while a computation runs, asks
// first; on "Yes" stops it, waits for its worker and ends the program.
// Idle, ends the program at once.
void menuExit();

}  // namespace tallyfold
