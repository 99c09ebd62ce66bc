#pragma once
// The "Results Window": one block per recorded fit size, then the Zelterman
// and Chao rows, drawn as graphics text at pixel positions.

namespace tallyfold {

void showResults();
// Draws the tables into window `unit` below y and leaves y below the last row.
void drawResultTables(int unit, int& y);

}  // namespace tallyfold
