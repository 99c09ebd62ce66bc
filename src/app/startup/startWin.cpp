#include "startup/startWin.h"

#include "common/ListDirected.h"
#include "common/Text.h"
#include "state/GlobalVar.h"
#include "windows/WindowServices.h"
#include "startup/main.h"

namespace tallyfold {

namespace {

struct StartLine {
  const char* text;
  const char* font;
  int x;
  int y;
};

// Lines 2 and 6-12 describe the program and its licence.
constexpr StartLine startLines[] = {
    {"Tallyfold", "t'Arial'h15w8", 175, 10},
    {"Estimating the Size of a Population from", "t'Arial'h16w10", 145, 30},
    {"Count Data with", "t'Arial'h16w10", 210, 47},
    {"Using the", "t'Arial'h16w10", 240, 65},
    {"Non-Parametric Maximum Likelihood Estimation", "t'Arial'h16w10", 80, 85},
    {"Zero-truncated Poisson mixtures", "t'Arial'h12w7", 225, 140},
    {"fitted by EM and the gradient function,", "t'Arial'h12w7", 210, 155},
    {"Zelterman, Chao and negative binomial", "t'Arial'h12w7", 200, 170},
    {"and", "t'Arial'h12w7", 260, 185},
    {"simulation studies and the bootstrap", "t'Arial'h12w7", 230, 200},
    {"Free software under the MIT License", "t'Arial'h12w7", 210, 215},
    {"Open a count data file to begin", "t'Arial'h12w7", 190, 230},
};

}  // namespace

void showStartWindow(int unit) {
  WindowServices& w = windows();
  w.openWindow(unit, "Start window");
  placeWindow(unit, 0, 0, 20, 110);
  if (!w.configureWindow(unit, 90, 100)) w.configureWindow(unit, 90, 100);
  drawStartText(unit);
}

void drawStartText(int unit) {
  WindowServices& w = windows();
  w.initFonts(unit);
  w.selectFont(unit, "t'Arial'h15w8");
  w.setBackgroundColour(unit, white);
  w.setTextColour(unit, black);
  w.setDrawColour(unit, black);
  w.clearWindow(unit);
  for (const StartLine& line : startLines) {
    w.selectFont(unit, line.font);
    w.drawTextAt(unit, line.x, line.y, trim(line.text));
  }
}

void openStatusWindow(int unit) {
  WindowServices& w = windows();
  w.openWindow(unit, "Status window");
  placeWindow(unit, 0, 22, 3, 110);
  w.setTextColour(unit, black);
  w.setBackgroundColour(unit, white);
  w.clearWindow(unit);
  w.setTextArea(unit, 1, 1, 3, 80);
  writeStatus("First, insert the data file!");
}

void writeStatus(std::string_view message) { windows().writeLine(globalVar().statusUnit, listDirected(message)); }

}  // namespace tallyfold
