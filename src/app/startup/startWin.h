#pragma once
// The start window (welcome text, later the loaded data) and the status
// window (progress lines of the commands).
#include <string_view>

namespace tallyfold {

void showStartWindow(int unit);
// Clears the open start window and draws its welcome text.
void drawStartText(int unit);
void openStatusWindow(int unit);

// One progress line in the status window (written with its leading blank).
void writeStatus(std::string_view message);

}  // namespace tallyfold
