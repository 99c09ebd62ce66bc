#pragma once
// The "Simulation Results" window and the summary file
// "C:\Temp\Simoutput.txt" at the end of a simulation, bootstrap or
// Poisson-Gamma run.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulation/EstimateTables.h"
#include "simulation/OutputFolders.h"
#include "simulation/RunRecord.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSummary.h"

namespace tallyfold {

// Seven-estimator summary: draws the window and writes the summary file.
// trueSizeKnown: the replicates come from a population of the shared
// `populationSize` (simulation study); false for the bootstrap.
// evalMedian: the per-replicate bootstrap evaluation of a simulation study,
// when it made one; the evaluation rows and the file column appear only
// with it.
void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       bool trueSizeKnown, const OutputFolders& folders = outputFolders());
// The same with the true population size given (none for the bootstrap).
// With a run record, the "Run" block follows the table and
// Simoutput.run.txt is written beside the summary file.
void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       std::optional<std::int32_t> trueSize, const OutputFolders& folders,
                       const std::optional<RunRecord>& run = std::nullopt);

// Five-estimator summary of the Poisson-Gamma simulation: the window only.
void poissonGammaSummary(const EstimateTables& tables, bool trueSizeKnown);
void poissonGammaSummary(const EstimateTables& tables, std::optional<std::int32_t> trueSize,
                         const std::optional<RunRecord>& run = std::nullopt);

// Draws a computed summary into the "Simulation Results" window; returns the
// pixel row below its last row.
int drawSimulationResults(const SimulationSummary& summary);
// The "Run" block of a run record, from pixel row y down.
void drawRunBlock(int y, const RunRecord& run);

// Shows a writer's missing-folder message, if it has one (title "Error").
void showFolderMessage(const FileOutcome& outcome);

}  // namespace tallyfold
