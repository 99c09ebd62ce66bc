#pragma once
// Steps every command unit takes the same way: checking that the loaded
// data can be estimated, loading a dialog, the stop-criterion radios, and
// opening a text window of its own.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "estimation/EMtrun_alg.h"
#include "settings/Defaults.h"
#include "simulation/OutputFolders.h"
#include "simulation/ReplicateRows.h"
#include "windows/WindowServices.h"

namespace tallyfold {

// Shows "No Data available!" when no data file has been read, or the count
// table's own problem when it cannot be estimated (no units, a negative
// count); true when the data can be estimated.
bool requireEstimableData();

// The dialog of a template, or nullptr after writing "error: resource not
// found" to the default output window.
std::unique_ptr<Dialog> loadDialogOrReport(int templateId);

// The maximum number of components of a dialog field (101, 102, 105): a
// list-directed integer of at least 1, as the command-line program takes
// it. Otherwise shows "Error occur by Maximum number of components!" (a
// text that is not a number) or the same field with its range (a number
// below 1), title "Error", and gives no value.
std::optional<std::int32_t> readMaxComponents(std::string_view text);

// The radio buttons of the stop criterion (NPMLE, BIC, MAX).
struct CriterionRadios {
  int npmle;
  int bic;
  int max;
  void show(Dialog& dialog, StopCriterion criterion) const;
  StopCriterion read(const Dialog& dialog) const;
};

// Readies the process's random stream for a run that starts now and gives
// the seed it starts from: with a fixed seed set ("Random Seed…") the stream
// restarts from it, as `tallyfold-cli --seed` does; otherwise it goes on from
// where the last run left it (seeded from the clock before its first draw).
std::int32_t startRunStream();

// "criterion npmle, maximum components 2, exactness 0.00000010000": a
// search's settings as the "Run" block names them.
std::string searchSettingsText(const SearchSettings& settings);

// The CSV file of a run's replicates, `name` in the folder that stands for
// C:\Temp, when asked for; a file that cannot be written is said in a
// message box and the run goes on without it. The sink writes each row as
// the run goes.
ReplicateSink replicateFileSink(bool wanted, const OutputFolders& folders, std::string_view name, bool evaluation,
                                std::optional<std::int32_t> seed, std::optional<ReplicateCsvFile>& file);

// Opens child window `unit` with `title` and brings it to the front; sizes
// its virtual text area (a failed configuration is tried once more); black
// text and lines on white; clears it and places it at (0, 0) with the given
// height and width in character cells.
void openTextWindow(int unit, std::string_view title, int columns, int rows, int height, int width);

}  // namespace tallyfold
