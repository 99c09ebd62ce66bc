#pragma once
// The two fixed output folders of the system, "C:\Temp" and "C:\Temp\Sim",
// translated in this one place: on Windows they are themselves; elsewhere
// "C:\Temp" is the system's temporary directory and "C:\Temp\Sim" its
// subfolder "Sim". Where the system is not Windows, nothing makes "Sim" on
// a new machine, so the sample writers create it when it is missing
// (prepareSimFolder); "C:\Temp" itself is never created.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// Why files cannot be written into a folder.
enum class FolderProblem {
  missing,      // nothing of that name
  notAFolder,   // a file, not a folder
  notWritable,  // a folder in which no file can be created
};

// "missing", "not a folder", "not writable".
std::string_view describeFolderProblem(FolderProblem problem);

// Whether files can be written into the folder. Writability is tried, not
// read from the permission bits: those allow everything to the superuser,
// while a read-only mount or a virtual file system still refuses.
std::optional<FolderProblem> folderProblem(const std::filesystem::path& folder);

// The Sim folder made ready for the sample files: where the system is not
// Windows it is created when missing (its parent, "C:\Temp", is not).
// Returns why it still cannot be used, if it cannot.
std::optional<FolderProblem> prepareSimFolder(const OutputFolders& folders);

// The message of a folder the writers cannot use: the system's text
// (missingTempFolder, missingSimFolder) followed by the real folder and the
// reason: Folder "C:/temp/Sim" not exist (/tmp/Sim: not a folder).
std::string folderMessage(std::string_view systemText, const std::filesystem::path& folder, FolderProblem problem);

}  // namespace tallyfold
