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
#include "state/GlobalVar.h"

namespace tallyfold {

// What a run hands to its summary beside the tables: the files it has
// written so far, in order, and how its JSON is made (none: no JSON).
struct RunOutputs {
  std::vector<std::string> files;
  RunJsonMaker json;
};

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
// Simoutput.run.txt is written beside the summary file. The window keeps
// the record's seed, the run's files with the summary file after them, and
// its JSON maker, for "Save Results As…".
void simulationSummary(const EstimateTables& tables, const std::optional<std::vector<Estimate>>& evalMedian,
                       std::optional<std::int32_t> trueSize, const OutputFolders& folders,
                       const std::optional<RunRecord>& run = std::nullopt, RunOutputs outputs = {});

// Five-estimator summary of the Poisson-Gamma simulation: the window only.
void poissonGammaSummary(const EstimateTables& tables, bool trueSizeKnown);
void poissonGammaSummary(const EstimateTables& tables, std::optional<std::int32_t> trueSize,
                         const std::optional<RunRecord>& run = std::nullopt, RunOutputs outputs = {});

// Draws a computed summary into the "Simulation Results" window; returns the
// pixel row below its last row.
int drawSimulationResults(const SimulationSummary& summary);
// The "Run" block of a run record, from pixel row y down.
void drawRunBlock(int y, const RunRecord& run);

// Shows a writer's missing-folder message, if it has one (title "Error").
void showFolderMessage(const FileOutcome& outcome);
// The same, and adds the files it wrote to `files`.
void noteFiles(std::vector<std::string>& files, const FileOutcome& outcome);

}  // namespace tallyfold
