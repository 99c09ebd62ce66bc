#include "RunFiles.h"

#include <ostream>
#include <utility>

#include "CliSupport.h"

namespace tallyfold::cli {

namespace {

std::string reason(FolderProblem problem) { return std::string(describeFolderProblem(problem)); }

}  // namespace

RunFiles::RunFiles(const std::optional<std::string>& outDir, bool samples, bool interim, std::ostream& err)
    : outDir_(outDir), err_(err) {
  if (outDir && outDir->empty()) throw BadInput{"--out needs a folder name"};
  folders_ = outDir ? OutputFolders{*outDir} : defaultOutputFolders();

  // With --out the summary file is written; without it only the files asked for.
  if (outDir || samples || interim) {
    if (const std::optional<FolderProblem> problem = folderProblem(folders_.temp)) {
      throw BadInput{outDir ? "--out " + *outDir + " is " + reason(*problem)
                            : "the folder " + folders_.temp.string() + " is " + reason(*problem)};
    }
  }
  if (samples) {
    if (const std::optional<FolderProblem> problem = prepareSimFolder(folders_)) {
      const std::string sim = folders_.sim().string();
      throw BadInput{outDir ? "--out " + *outDir + ": its Sim folder " + sim + " is " + reason(*problem)
                            : "the folder " + sim + " is " + reason(*problem)};
    }
  }
}

void RunFiles::note(const FileOutcome& outcome) {
  if (outcome.folderMessage) err_ << "tallyfold-cli: " << *outcome.folderMessage << "\n";
  for (const std::filesystem::path& path : outcome.written) written_.push_back(path.string());
}

void RunFiles::noteWritten(const std::vector<std::string>& paths) {
  written_.insert(written_.end(), paths.begin(), paths.end());
}

SamplesDrawn RunFiles::sampleWriter(bool wanted, SampleWriter write) {
  if (!wanted) return {};
  return [this, write = std::move(write)](const SampleTable& samples) { note(write(folders_, samples)); };
}

void RunFiles::writeSummary(const SimulationSummary& summary) {
  if (outDir_) note(writeSummaryFile(folders_, summary));
}

}  // namespace tallyfold::cli
