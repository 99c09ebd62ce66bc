#include "shell/CommandSupport.h"

#include <optional>
#include <string>

#include "common/ListDirected.h"
#include "estimation/CountTable.h"
#include "shell/GlobalVar.h"

namespace tallyfold {

bool requireEstimableData() {
  const GlobalVar& g = globalVar();
  if (g.dataAvailable != 1) {
    windows().messageBox("No Data available!", "Error");
    return false;
  }
  if (const std::optional<std::string> problem = countTableProblem(g.counts)) {
    windows().messageBox(*problem, "Error");
    return false;
  }
  return true;
}

std::unique_ptr<Dialog> loadDialogOrReport(int templateId) {
  std::unique_ptr<Dialog> dialog = windows().loadDialog(templateId);
  if (!dialog) windows().writeDefaultOutput("error: resource not found");
  return dialog;
}

std::optional<std::int32_t> readMaxComponents(std::string_view text) {
  const std::optional<std::int32_t> value = readListInteger(text);
  if (!value) {
    windows().messageBox("Error occur by Maximum number of components!", "Error");
    return std::nullopt;
  }
  if (*value < 1) {
    windows().messageBox("Error occur by Maximum number of components: it must be 1 or more!", "Error");
    return std::nullopt;
  }
  return value;
}

void CriterionRadios::show(Dialog& dialog, std::int32_t criterion) const {
  dialog.setChecked(criterion == stopMax ? max : criterion == stopBic ? bic : npmle, true);
}

std::int32_t CriterionRadios::read(const Dialog& dialog) const {
  if (dialog.checked(npmle)) return stopNpmle;
  if (dialog.checked(bic)) return stopBic;
  return stopMax;
}

void openTextWindow(int unit, std::string_view title, int columns, int rows, int height, int width) {
  WindowServices& w = windows();
  w.openWindow(unit, title);
  w.focusWindow(unit);
  if (!w.configureWindow(unit, columns, rows)) w.configureWindow(unit, columns, rows);
  w.setTextColour(unit, black);
  w.setBackgroundColour(unit, white);
  w.setDrawColour(unit, black);
  w.clearWindow(unit);
  w.placeWindow(unit, 0, 0, height, width);
}

}  // namespace tallyfold
