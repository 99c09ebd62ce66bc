#pragma once
// The file-open dialog for the count data file.
#include <string>

namespace tallyfold {

// Shows the dialog "Input Data File" with the filters "Count files (*.txt)",
// "Frequency tables (*.csv *.tsv)" and "All files (*)". `chosen` is set
// when, and only when, a file was chosen; `path` then holds it, whatever
// its length.
void chooseInputFile(bool& chosen, std::string& path);

}  // namespace tallyfold
