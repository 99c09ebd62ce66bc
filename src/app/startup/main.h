#pragma once
// Start-up of the windowed program: the frame and its menus, the shared
// defaults, the start and status windows.

namespace tallyfold {

// Places the frame (800 x 500 client pixels at the top left) and appends the
// eleven menu entries. Called once by the window layer before main().
bool buildMenus();

// Sets the shared defaults, opens the start and status windows and leaves
// the status bar at "Waiting". Returns; the window layer's event loop keeps
// the program alive.
void main();

// Sets the status bar to "Waiting"; the event loop does the waiting.
void idleLoop();

// Places child window `number` in character cells; negative when the number
// names no open window.
int placeWindow(int number, int x, int y, int height, int width);

}  // namespace tallyfold
