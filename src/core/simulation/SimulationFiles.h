#pragma once
// The plain-text files a simulation or bootstrap leaves besides its
// summary: one file per replicate with its count table, and one
// semicolon-separated table of every replicate's estimates.
//
// The sample writers create the Sim folder where the system is not Windows
// (prepareSimFolder); no other folder is created. When a folder cannot be
// used the writer returns the message the user is shown (title "Error"):
// the system's "Folder ... not exist" followed by the real folder and the
// reason (folderMessage), and goes on as far as it can: replicate files
// that cannot be opened are skipped without a message. Existing files are
// replaced.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "simulation/EstimateTables.h"
#include "simulation/OutputFolders.h"
#include "simulation/ReplicatePool.h"
#include "simulation/RunRecord.h"
#include "simulation/SimulationSummary.h"
#include "simulation/getSample.h"

namespace tallyfold {

inline constexpr const char* missingTempFolder = "Folder \"C:/temp\" not exist";
inline constexpr const char* missingSimFolder = "Folder \"C:/temp/Sim\" not exist";

// What a writer did: the message to show, if any, and the files written.
struct FileOutcome {
  std::optional<std::string> folderMessage;
  int filesWritten = 0;
  std::vector<std::filesystem::path> written;  // the files written, in order
};

// Simulation samples (R x (K + 1), column 1 the unseen units): the probe
// "Sim/sample.txt", then "Sim/sample<r>.txt" with columns 2 .. K + 1, one
// count per line, so a sample file reads like a count data file.
// With a block, only the files of its replicates.
FileOutcome writeSampleFiles(const OutputFolders& folders, const SampleTable& samples, int k,
                             ReplicateBlock block = allReplicates);

// Bootstrap samples (R x m): "Sim/boot<r>.txt" with the m counts, one per
// line; the first of them (of the block's, with a block) is also the folder
// probe.
FileOutcome writeBootSampleFiles(const OutputFolders& folders, const SampleTable& samples,
                                 ReplicateBlock block = allReplicates);

enum class InterimKind {
  study,         // seven estimator rows, components, optional evaluation column
  poissonGamma,  // five estimator rows
};

// "Siminterim.txt": a header and one line per replicate. components is read
// for the study table only; evalMedian, when given, adds the column
// "evMedian".
// The run's record, runLines, in "C:\Temp\Simoutput.run.txt" beside the
// summary file (which stays as it is).
FileOutcome writeRunFile(const OutputFolders& folders, const RunRecord& run);

FileOutcome writeInterimFile(const OutputFolders& folders, InterimKind kind, const EstimateTables& tables,
                             std::span<const std::int32_t> components,
                             const std::optional<std::vector<Estimate>>& evalMedian);

// "Bootinterim.txt": a header and one line per replicate with the number of
// components and the seven population-size estimates.
FileOutcome writeBootInterimFile(const OutputFolders& folders, const EstimateTables& tables,
                                 std::span<const std::int32_t> components);

// "Simoutput.txt": the five lines of the summary (summaryFileLines).
FileOutcome writeSummaryFile(const OutputFolders& folders, const SimulationSummary& summary);

// The lines of the files above, for callers and tests that want the text.
std::vector<std::string> sampleFileLines(const SampleTable& samples, int r, int firstColumn, int lastColumn);
std::vector<std::string> interimLines(InterimKind kind, const EstimateTables& tables,
                                      std::span<const std::int32_t> components,
                                      const std::optional<std::vector<Estimate>>& evalMedian);
std::vector<std::string> bootInterimLines(const EstimateTables& tables, std::span<const std::int32_t> components);

}  // namespace tallyfold
