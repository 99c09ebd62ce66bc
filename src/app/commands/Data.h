#pragma once
#include <cstddef>
#include <string>
// The "&Open Data" command and the reader that loads the count table into
// the shared state.

namespace tallyfold {

void openData();
// Opens the file as "&Open Data" does once a file is chosen (the same checks
// and messages): from a drop onto the frame and from "Recent Data Files".
void openDataPath(const std::string& path);
// The last files opened, most recent first, at most this many.
inline constexpr std::size_t recentFileCount = 5;
// Sets up "Recent Data Files" from the kept list and the frame's drop.
void setUpDataOpening();
// "Recent Data Files": opens the entry, or takes a file that no longer
// exists off the list and says so.
void openRecentFile(const std::string& path);
void readDataFile();

}  // namespace tallyfold
