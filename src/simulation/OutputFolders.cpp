#include "simulation/OutputFolders.h"

#include <mutex>
#include <system_error>

namespace tallyfold {

namespace {

std::mutex rootMutex;
std::optional<std::filesystem::path> rootOverride;

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

}  // namespace tallyfold
