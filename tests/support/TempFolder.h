#pragma once
// A fresh folder under the system's temporary directory for one test,
// removed with everything in it at the end.
#include <filesystem>
#include <random>
#include <string>

namespace tallyfold::test {

class TempFolder {
 public:
  explicit TempFolder(const std::string& tag) {
    std::random_device device;
    path_ = std::filesystem::temp_directory_path() /
            ("tallyfold-" + tag + "-" + std::to_string(device()) + "-" + std::to_string(device()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tallyfold::test
