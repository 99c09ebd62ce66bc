#include "common/ReplaceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace tallyfold {

namespace {

std::atomic<unsigned> temporaryCounter{0};

// A new empty file beside `path`, named "<file>.<pid>-<n>.tmp" and created
// exclusively, so no existing file (the user's or another writer's) is ever
// opened; -1 with errno set when none could be made.
int createTemporary(const std::filesystem::path& path, std::filesystem::path& temporary) {
  const std::string stem = path.string() + "." + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = stem + std::to_string(temporaryCounter.fetch_add(1)) + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes all of `text`, retrying short writes; false with errno set.
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::path temporary;
  const int fd = createTemporary(path, temporary);
  if (fd < 0) return "cannot write " + temporary.string() + ": " + std::strerror(errno);
  const bool written = writeAll(fd, text);
  const int writeError = errno;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    const std::string reason = std::strerror(written ? errno : writeError);
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot write " + temporary.string() + ": " + reason;
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return "cannot replace " + path.string() + ": " + error.message();
  }
  return std::nullopt;
}

}  // namespace tallyfold
