#include "commands/RandomSeed.h"

#include <memory>
#include <optional>
#include <string>

#include "commands/CommandSupport.h"
#include "common/ListDirected.h"
#include "state/GlobalVar.h"
#include "windows/DialogIds.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void startRandomSeed() {
  std::unique_ptr<Dialog> dialog = loadDialogOrReport(dialogRandomSeed);
  if (!dialog) return;
  const GlobalVar& g = globalVar();
  dialog->setChecked(g.fixedSeed ? idFixedSeed : idClockSeed, true);
  dialog->setText(idSeed, g.fixedSeed ? std::to_string(*g.fixedSeed) : std::string());
  dialog->setAction(idOk, randomSeedOk);
  dialog->run();
}

void randomSeedOk(Dialog& dialog) {
  GlobalVar& g = globalVar();
  if (dialog.checked(idClockSeed)) {
    g.fixedSeed.reset();
    dialog.exit(idOk);
    return;
  }
  const std::optional<std::int32_t> seed = readListInteger(dialog.text(idSeed));
  if (!seed || *seed < 1 || *seed > 2147483646) {
    windows().messageBox("The seed must be a whole number from 1 to 2147483646.", "Error");
    return;
  }
  g.fixedSeed = *seed;
  dialog.exit(idOk);
}

}  // namespace tallyfold
