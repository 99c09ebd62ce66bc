#pragma once
// Plays a user of the whole windowed program (the real command units over
// the Qt window services): start it, open a data file through the
// file-open dialog, run a calculation through dialog 101 and a bootstrap
// through dialog 105.
#include <QAction>
#include <QString>
#include <string>

#include "qt/QtWindowServices.h"

namespace tallyfold {

// buildMenus() and main() over `services`, which becomes the process's
// window services.
void startProgram(QtWindowServices& services);

// The item of menu `menu` with this caption, or nullptr.
QAction* menuItem(const QtWindowServices& services, int menu, const QString& caption);

// Chooses "&Open Data" and answers the file-open dialog with `path`.
void openDataFile(QtWindowServices& services, const QString& path);

// Chooses "&Calculating Population Size", selects the radio button with the
// caption `criterion` ("NPMLE", "BIC", "MAX") and presses OK; returns when
// the calculation has ended (false on time-out).
bool calculate(QtWindowServices& services, const QString& criterion, int timeoutMs = 20000);

// Chooses "&Start Bootstrap" and presses OK on dialog 105 as it stands;
// returns when the bootstrap has ended (false on time-out).
bool bootstrap(QtWindowServices& services, int timeoutMs = 60000);

// Chooses "&Start Simulation" and presses OK on dialog 102 as it stands;
// returns when the study has ended (false on time-out).
bool simulate(QtWindowServices& services, int timeoutMs = 60000);
// The texts drawn into child window `number`, in drawing order.
QStringList drawnTexts(const QtWindowServices& services, int number);

}  // namespace tallyfold
