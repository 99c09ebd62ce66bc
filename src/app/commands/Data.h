#pragma once
// The "&Open Data" command and the reader that loads the count table into
// the shared state.

namespace tallyfold {

void openData();
void readDataFile();

}  // namespace tallyfold
