#include "common/ReplaceFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace tallyfold {

std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view text) {
  std::filesystem::path temporary = path;
  temporary += ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return "cannot write " + temporary.string() + ": " + std::strerror(errno);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      const std::string reason = std::strerror(errno);
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return "cannot write " + temporary.string() + ": " + reason;
    }
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
