#include "simulation/SimulationFiles.h"

#include <algorithm>
#include <fstream>
#include <string_view>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/Text.h"

namespace tallyfold {

namespace {

constexpr std::string_view studyHeader =
    "sim_m   ;     sim_N ; sim_pN ;   z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N";
constexpr std::string_view poissonGammaHeader = "  z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N";
constexpr std::string_view bootHeader =
    "sim_m    ;   sim_N ;  sim_pN  ;  z1_N    ; z2_N ;  z3_N ;  z4_N ;  Chao_N";

// Opens the file for writing, replacing what it held; writes the lines.
// False when the file cannot be opened (its folder is missing).
bool writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  if (!file) return false;
  for (const std::string& line : lines) file << line << '\n';
  return true;
}

// A probe: opening the file tells whether its folder exists. The file is
// left in place (empty when it was new).
bool probe(const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::out | std::ios::app);
  return static_cast<bool>(file);
}

// An interim record is built by rewriting one buffer free-format: each
// rewrite is the buffer without trailing blanks, ";" and the next field
// without trailing blanks (its leading blanks stay).
class InterimLine {
 public:
  explicit InterimLine(std::string start) : buffer_(std::move(start)) {}
  void field(const std::string& text) { buffer_ = listDirected(trimRight(buffer_), ";", trimRight(text)); }
  void text(std::string_view text) { buffer_ = listDirected(trimRight(buffer_), text); }
  std::string str() const { return listDirected(trimRight(buffer_)); }

 private:
  std::string buffer_;
};

std::string estimateField(const Estimate& value) {
  return formatEstimate(value ? std::optional<std::int64_t>(*value) : std::nullopt, 8);
}

// A folder that the writer could not use: the system's text, the real
// folder and why.
std::string unusable(std::string_view systemText, const std::filesystem::path& folder,
                     std::optional<FolderProblem> problem) {
  return folderMessage(systemText, folder, problem.value_or(FolderProblem::notWritable));
}

FileOutcome writeSamples(const OutputFolders& folders, std::string_view probeName, std::string_view stem,
                         const SampleTable& samples, int firstColumn, int lastColumn, ReplicateBlock block) {
  FileOutcome outcome;
  const std::optional<FolderProblem> problem = prepareSimFolder(folders);
  if (!probe(folders.sim() / probeName)) outcome.folderMessage = unusable(missingSimFolder, folders.sim(), problem);
  block = withinRun(block, samples.rows());
  for (int r = block.first; r <= block.last; ++r) {
    const std::filesystem::path path = folders.sim() / (std::string(stem) + std::to_string(r) + ".txt");
    if (writeLines(path, sampleFileLines(samples, r, firstColumn, lastColumn))) {
      ++outcome.filesWritten;
      outcome.written.push_back(path);
    }
  }
  return outcome;
}

FileOutcome writeTable(const OutputFolders& folders, std::string_view name, const std::vector<std::string>& lines) {
  FileOutcome outcome;
  const std::filesystem::path path = folders.temp / name;
  if (writeLines(path, lines)) {
    outcome.filesWritten = 1;
    outcome.written.push_back(path);
  } else {
    outcome.folderMessage = unusable(missingTempFolder, folders.temp, folderProblem(folders.temp));
  }
  return outcome;
}

}  // namespace

std::vector<std::string> sampleFileLines(const SampleTable& samples, int r, int firstColumn, int lastColumn) {
  std::vector<std::string> lines;
  for (int x = firstColumn; x <= lastColumn; ++x) lines.push_back(listDirected(samples(r, x)));
  return lines;
}

FileOutcome writeSampleFiles(const OutputFolders& folders, const SampleTable& samples, int k,
                             ReplicateBlock block) {
  const int last = std::min(k + 1, samples.cols());
  return writeSamples(folders, "sample.txt", "sample", samples, 2, last, block);
}

FileOutcome writeBootSampleFiles(const OutputFolders& folders, const SampleTable& samples, ReplicateBlock block) {
  // A block's probe is its own first file, so that no shard leaves an empty
  // file of another shard's behind.
  const std::string probeName = "boot" + std::to_string(std::max(block.first, 1)) + ".txt";
  return writeSamples(folders, probeName, "boot", samples, 1, samples.cols(), block);
}

std::vector<std::string> interimLines(InterimKind kind, const EstimateTables& tables,
                                      std::span<const std::int32_t> components,
                                      const std::optional<std::vector<Estimate>>& evalMedian) {
  std::vector<std::string> lines;
  if (kind == InterimKind::poissonGamma) {
    lines.push_back(InterimLine(listDirected(poissonGammaHeader)).str());
    for (int r = 1; r <= tables.replications(); ++r) {
      InterimLine line(listDirected(trimRight(estimateField(tables.estimates(1, r)))));
      for (int j = 2; j <= tables.estimators(); ++j) line.field(estimateField(tables.estimates(j, r)));
      lines.push_back(line.str());
    }
    return lines;
  }

  InterimLine header(listDirected(studyHeader));
  if (evalMedian) header.text(" ; evMedian");
  lines.push_back(header.str());
  for (int r = 1; r <= tables.replications(); ++r) {
    const auto index = static_cast<std::size_t>(r - 1);
    const std::int32_t k = index < components.size() ? components[index] : 0;
    InterimLine line(formatI(k, 2));
    for (int j = 1; j <= tables.estimators(); ++j) line.field(estimateField(tables.estimates(j, r)));
    if (evalMedian) line.field(estimateField(index < evalMedian->size() ? (*evalMedian)[index] : std::nullopt));
    lines.push_back(line.str());
  }
  return lines;
}

std::vector<std::string> bootInterimLines(const EstimateTables& tables, std::span<const std::int32_t> components) {
  std::vector<std::string> lines{listDirected(bootHeader)};
  for (int r = 1; r <= tables.replications(); ++r) {
    const auto index = static_cast<std::size_t>(r - 1);
    ListRecord line;
    line.text(formatI(index < components.size() ? components[index] : 0, 2));
    for (int j = 1; j <= 3 && j <= tables.estimators(); ++j) {
      line.text(";").text(trimRight(estimateField(tables.estimates(j, r))));
    }
    for (int j = 4; j <= tables.estimators(); ++j) {
      line.text(" ;");
      if (const Estimate& value = tables.estimates(j, r)) {
        line.integer(*value);
      } else {
        line.text(" ").text(noEstimate);
      }
    }
    lines.push_back(line.str());
  }
  return lines;
}

FileOutcome writeInterimFile(const OutputFolders& folders, InterimKind kind, const EstimateTables& tables,
                             std::span<const std::int32_t> components,
                             const std::optional<std::vector<Estimate>>& evalMedian) {
  return writeTable(folders, "Siminterim.txt", interimLines(kind, tables, components, evalMedian));
}

FileOutcome writeBootInterimFile(const OutputFolders& folders, const EstimateTables& tables,
                                 std::span<const std::int32_t> components) {
  return writeTable(folders, "Bootinterim.txt", bootInterimLines(tables, components));
}

FileOutcome writeRunFile(const OutputFolders& folders, const RunRecord& run) {
  return writeTable(folders, "Simoutput.run.txt", runLines(run));
}

FileOutcome writeSummaryFile(const OutputFolders& folders, const SimulationSummary& summary) {
  return writeTable(folders, "Simoutput.txt", summaryFileLines(summary));
}

}  // namespace tallyfold
