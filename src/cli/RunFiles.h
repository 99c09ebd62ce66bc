#pragma once
// The files a bootstrap or simulation run of tallyfold-cli writes: the
// folder that stands for "C:\Temp" (--out DIR, or the platform's) and its
// Sim subfolder, checked before the run starts, and the list of the files
// written, in order.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "simulation/BootstrapEngine.h"
#include "simulation/OutputFolders.h"
#include "simulation/SimulationFiles.h"
#include "simulation/SimulationSummary.h"

namespace tallyfold::cli {

class RunFiles {
 public:
  // Throws BadInput, before anything is computed, when a folder the run
  // will write into cannot be used: an empty --out, or a folder that is
  // missing, not a folder or not writable, named as given. The Sim folder
  // is created when it is missing and the sample files are wanted.
  RunFiles(const std::optional<std::string>& outDir, bool samples, bool interim, std::ostream& err);

  const OutputFolders& folders() const { return folders_; }

  // Records the files written; a folder that failed during the run is told
  // on the error stream and the run goes on.
  void note(const FileOutcome& outcome);
  // Records files written before, by another process (a shard's sample files).
  void noteWritten(const std::vector<std::string>& paths);

  // The engine's samples-drawn hook that writes the sample files with
  // `write` and notes them; none when they are not wanted.
  using SampleWriter = std::function<FileOutcome(const OutputFolders&, const SampleTable&)>;
  SamplesDrawn sampleWriter(bool wanted, SampleWriter write);

  // Simoutput.txt, as the windowed program writes it; only with --out.
  void writeSummary(const SimulationSummary& summary);

  const std::vector<std::string>& written() const { return written_; }

 private:
  std::optional<std::string> outDir_;
  OutputFolders folders_;
  std::ostream& err_;
  std::vector<std::string> written_;
};

}  // namespace tallyfold::cli
