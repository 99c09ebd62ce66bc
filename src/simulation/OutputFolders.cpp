#include "simulation/OutputFolders.h"

#include <atomic>
#include <fstream>
#include <mutex>
#include <random>
#include <system_error>

namespace tallyfold {

namespace {

std::mutex rootMutex;
std::optional<std::filesystem::path> rootOverride;

// A file of our own, created and removed again.
bool canCreateFileIn(const std::filesystem::path& folder) {
  static std::atomic<unsigned> serial{0};
  static const unsigned session = std::random_device{}();
  const std::filesystem::path probe =
      folder / (".tallyfold-" + std::to_string(session) + "-" + std::to_string(serial++) + ".tmp");
  {
    std::ofstream file(probe, std::ios::out | std::ios::trunc);
    if (!file) return false;
  }
  std::error_code ignored;
  std::filesystem::remove(probe, ignored);
  return true;
}

}  // namespace

OutputFolders defaultOutputFolders() {
#ifdef _WIN32
  return OutputFolders{std::filesystem::path("C:\\Temp")};
#else
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  // temp_directory_path fails when TMPDIR names no directory; the files then
  // go where the system keeps them by default.
  if (error) temp = "/tmp";
  return OutputFolders{temp};
#endif
}

OutputFolders outputFolders() {
  const std::lock_guard<std::mutex> lock(rootMutex);
  if (rootOverride) return OutputFolders{*rootOverride};
  return defaultOutputFolders();
}

void setOutputRoot(std::optional<std::filesystem::path> root) {
  const std::lock_guard<std::mutex> lock(rootMutex);
  rootOverride = std::move(root);
}

std::string_view describeFolderProblem(FolderProblem problem) {
  switch (problem) {
    case FolderProblem::missing: return "missing";
    case FolderProblem::notAFolder: return "not a folder";
    case FolderProblem::notWritable: return "not writable";
  }
  return "not writable";
}

std::optional<FolderProblem> folderProblem(const std::filesystem::path& folder) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(folder, error);
  if (!std::filesystem::exists(status)) return FolderProblem::missing;
  if (!std::filesystem::is_directory(status)) return FolderProblem::notAFolder;
  if (!canCreateFileIn(folder)) return FolderProblem::notWritable;
  return std::nullopt;
}

std::optional<FolderProblem> prepareSimFolder(const OutputFolders& folders) {
#ifndef _WIN32
  std::error_code ignored;
  std::filesystem::create_directory(folders.sim(), ignored);
#endif
  return folderProblem(folders.sim());
}

std::string folderMessage(std::string_view systemText, const std::filesystem::path& folder, FolderProblem problem) {
  return std::string(systemText) + " (" + folder.string() + ": " + std::string(describeFolderProblem(problem)) + ")";
}

}  // namespace tallyfold
