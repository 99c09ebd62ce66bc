#pragma once
// The actions behind the menu entries. Each routes to its command unit.

namespace tallyfold {

void menuOpenData();
// Asks the running computation to stop.
void menuStopComputation();
void menuCalculation();
void menuSimulation();
void menuBootstrap();
void menuPoissonGamma();

}  // namespace tallyfold
