#pragma once
// The two fixed output folders of the system, "C:\Temp" and "C:\Temp\Sim",
// translated in this one place: on Windows they are themselves; elsewhere
// "C:\Temp" is the system's temporary directory and "C:\Temp\Sim" its
// subfolder "Sim". Folders are never created: a missing folder makes the
// file writers report it, as on Windows.
#include <filesystem>
#include <optional>

namespace tallyfold {

struct OutputFolders {
  std::filesystem::path temp;  // "C:\Temp"

  std::filesystem::path sim() const { return temp / "Sim"; }  // "C:\Temp\Sim"
};

// The folders of this platform.
OutputFolders defaultOutputFolders();

// The folders the windowed program writes to: the platform's, unless a root
// was set (tests point it to a folder of their own).
OutputFolders outputFolders();

// Sets the root that stands for "C:\Temp"; nothing restores the platform's.
void setOutputRoot(std::optional<std::filesystem::path> root);

}  // namespace tallyfold
