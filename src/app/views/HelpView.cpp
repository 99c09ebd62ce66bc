#include "views/HelpView.h"

#include <string>

#include "commands/CommandSupport.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"

namespace tallyfold {

void showGuide() {
  WindowServices& w = windows();
  const int unit = globalVar().guideUnit;
  std::string_view text = guideText();
  int rows = 0;
  for (char c : text) rows += c == '\n' ? 1 : 0;
  w.closeWindow(unit, true);
  openTextWindow(unit, "Guide", 90, rows + 2, 25, 100);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    w.writeLine(unit, text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
}

void showAbout() {
  windows().messageBox(
      "Tallyfold " + std::string(tallyfoldVersion()) +
          "\nPopulation size from capture-recapture count data.\n\nMIT License, (c) 2026 The Tallyfold "
          "developers.\n\nBuilt with Qt 6 and Qt Charts (LGPL 3), Boost.Math (Boost Software License 1.0), "
          "CLI11 (BSD 3-Clause) and nlohmann/json (MIT).",
      "About Tallyfold");
}

}  // namespace tallyfold
