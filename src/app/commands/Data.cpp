#include "commands/Data.h"

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>
#include <variant>

#include "common/ListDirected.h"
#include "common/Text.h"
#include "data/CountData.h"
#include "views/Functions.h"
#include "views/GoodnessOfFitView.h"
#include "views/Plots.h"
#include "commands/InputFile.h"
#include "commands/BusyGuard.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

namespace {

void focusStatus() { windows().focusWindow(globalVar().statusUnit); }

// A problem of the count file form shows the messages it always has.
void showReadError(const CountFileProblem& problem) {
  WindowServices& w = windows();
  using Kind = CountFileProblem::Kind;
  switch (problem.kind) {
    case Kind::cannotOpen:
      w.messageBox("Error occur by reading Data!", "Error");
      return;
    case Kind::empty:
      w.messageBox("The data file holds no counts!", "Error");
      return;
    case Kind::notRegular:
      w.messageBox("Not a regular file: " + std::string(trimRight(globalVar().dataFileName)), "Error");
      return;
    case Kind::blankLine:
    case Kind::emptyItem:
    case Kind::itemTooLong:
    case Kind::outOfRange:
    case Kind::sumOverflow:
      w.messageBox("Error occur by reading Data!", "Error");
      break;
    case Kind::notAnInteger:
      break;
  }
  // The line number is written as a free-format integer.
  w.messageBox("Error occur by reading N in Line" + listDirected(problem.line).substr(1) + "! Program terminated",
               "Error");
}

// One that only a frequency table or the size check has names the file.
void showReadError(const DataFileProblem& problem) {
  if (const auto* countFile = std::get_if<CountFileProblem>(&problem)) {
    showReadError(*countFile);
    return;
  }
  windows().messageBox(dataFileMessage(trimRight(globalVar().dataFileName), problem), "Error");
}

// A file that reads becomes the first of the recent files.
void rememberFile(const std::string& path) {
  std::vector<std::string> recent = windows().recentFiles();
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  const std::string entry = error ? path : absolute.lexically_normal().string();
  recent.erase(std::remove(recent.begin(), recent.end(), entry), recent.end());
  recent.insert(recent.begin(), entry);
  if (recent.size() > recentFileCount) recent.resize(recentFileCount);
  windows().setRecentFiles(recent, openRecentFile);
}

}  // namespace

void openRecentFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    std::vector<std::string> recent = windows().recentFiles();
    recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
    windows().setRecentFiles(recent, openRecentFile);
    windows().messageBox(path + " no longer exists; it is taken off the recent files.", "Error");
    return;
  }
  openDataPath(path);
}

void setUpDataOpening() {
  windows().setRecentFiles(windows().recentFiles(), openRecentFile);
  windows().setFileDropAction(openDataPath);
}

void openData() {
  if (refuseWhileBusy()) return;
  bool chosen = false;
  std::string path;
  chooseInputFile(chosen, path);
  if (!chosen) {
    focusStatus();
    return;
  }
  openDataPath(path);
}

void openDataPath(const std::string& path) {
  if (refuseWhileBusy()) return;
  GlobalVar& g = globalVar();
  g.dataFileName = std::string(trimRight(path));
  std::error_code error;
  if (!std::filesystem::exists(g.dataFileName, error)) {
    windows().messageBox("This File not exist!", "Error");
    focusStatus();
    return;
  }
  readDataFile();
}

void readDataFile() {
  GlobalVar& g = globalVar();
  // In the form its name or its first line says (CountData.h).
  const CountData file = readCountData(g.dataFileName, CountFormat::automatic);
  // The previous table is replaced before the values are known: after a
  // failed read no data are available.
  g.counts = file.counts;
  g.numCountClasses = static_cast<std::int32_t>(file.counts.size());
  // What judges or draws the fits of a calculation waits for one of this
  // table.
  for (std::string_view caption : {goodnessOfFitCaption, gradientPlotCaption, fitPlotCaption}) {
    windows().setMenuEntryEnabled(caption, false);
  }
  if (file.problem) {
    g.dataAvailable = 0;
    showNoData();
    showReadError(*file.problem);
  } else {
    g.dataAvailable = 1;
    showData(file.form, file.zeroFilled);
    windows().setFrameTitle("Tallyfold - " + std::filesystem::path(g.dataFileName).filename().string());
    rememberFile(g.dataFileName);
  }
  focusStatus();
}

}  // namespace tallyfold
