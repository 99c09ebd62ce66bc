#include "commands/CommandSupport.h"

#include <filesystem>
#include <optional>
#include <string>

#include "common/FieldLayout.h"
#include "common/ListDirected.h"
#include "common/Text.h"
#include "data/CountTable.h"
#include "numeric/RandomStream.h"
#include "state/GlobalVar.h"

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

void CriterionRadios::show(Dialog& dialog, StopCriterion criterion) const {
  dialog.setChecked(criterion == StopCriterion::max ? max : criterion == StopCriterion::bic ? bic : npmle, true);
}

StopCriterion CriterionRadios::read(const Dialog& dialog) const {
  if (dialog.checked(npmle)) return StopCriterion::npmle;
  if (dialog.checked(bic)) return StopCriterion::bic;
  return StopCriterion::max;
}

std::int32_t startRunStream() {
  const GlobalVar& g = globalVar();
  RandomStream& stream = processRandomStream();
  if (g.fixedSeed) {
    seedProcessRandomStream(*g.fixedSeed);
  } else if (stream.seed() == 0) {
    seedProcessRandomStream(clockSeedNow());
  }
  return processRandomStream().seed();
}

std::string searchSettingsText(const SearchSettings& settings) {
  return "criterion " + std::string(criterionName(settings.stopCriterion)) + ", maximum components " +
         std::to_string(settings.maxComponents) + ", exactness " +
         std::string(trimLeft(formatF(settings.exactness, 13, 11)));
}

ReplicateSink replicateFileSink(bool wanted, const OutputFolders& folders, std::string_view name, bool evaluation,
                                std::optional<std::int32_t> seed, std::optional<ReplicateCsvFile>& file) {
  if (!wanted) return {};
  const std::filesystem::path path = folders.temp / name;
  file.emplace(path, evaluation, seed);
  if (!file->isOpen()) {
    windows().messageBox("Cannot write " + path.string(), "Error");
    return {};
  }
  return [&file](const ReplicateRow& row) { file->write(row); };
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
