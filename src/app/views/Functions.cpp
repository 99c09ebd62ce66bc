#include "views/Functions.h"

#include <cstdint>
#include <string>
#include <vector>

#include "common/FieldLayout.h"
#include "common/Text.h"
#include "data/CountTable.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"
#include "startup/startWin.h"

namespace tallyfold {

namespace {
// Digits are assumed 8 pixels wide: a number ending at `right` starts at
// right - 8 * (its length).
int rightAligned(int right, const std::string& text) { return right - 8 * static_cast<int>(text.size()); }
}  // namespace

void showData(CountForm form, std::span<const ClassRange> zeroFilled) {
  GlobalVar& g = globalVar();
  WindowServices& w = windows();
  const int unit = g.startUnit;
  w.focusWindow(unit);
  w.clearWindow(unit);
  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h15w8");
  w.setTextColour(unit, black);
  w.drawTextAt(unit, 5, 10, "Datafile:   " + std::string(trimRight(g.dataFileName)));
  w.drawTextAt(unit, 5, 35, " Number           Counts");
  w.drawTextAt(unit, 5, 40, "____________________");
  const int m = static_cast<int>(g.counts.size());
  for (int x = 1; x <= m; ++x) {
    const std::int64_t y = 55 + 15 * static_cast<std::int64_t>(x - 1);
    if (y > INT32_MAX) break;  // beyond any drawable area
    const std::string number(trim(formatI(x, 5)));
    const std::string count(trim(formatI(g.counts[static_cast<std::size_t>(x - 1)], 5)));
    w.drawTextAt(unit, rightAligned(30, number), static_cast<int>(y), number);
    w.drawTextAt(unit, rightAligned(150, count), static_cast<int>(y), count);
  }
  // How the file was read, below the table.
  std::vector<std::string> notes{"Read as:    " + std::string(countFormText(form)),
                                 "m = " + std::to_string(m) + " count classes, n = " +
                                     std::to_string(observedUnits(g.counts)) + " observed units"};
  if (form == CountForm::pairs) notes.push_back("Classes filled with 0:   " + classRangesText(zeroFilled));
  for (std::size_t i = 0; i < notes.size(); ++i) {
    const std::int64_t y = 65 + 15 * (static_cast<std::int64_t>(m) + static_cast<std::int64_t>(i));
    if (y > INT32_MAX) break;
    w.drawTextAt(unit, 5, static_cast<int>(y), notes[i]);
  }
}

void showNoData() {
  const int unit = globalVar().startUnit;
  windows().focusWindow(unit);
  drawStartText(unit);
}

std::int32_t closeResultsWindow() {
  GlobalVar& g = globalVar();
  windows().closeWindow(g.resultsUnit, true);
  return windows().focusWindow(g.statusUnit);
}

}  // namespace tallyfold
