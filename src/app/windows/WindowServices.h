#pragma once
// The window services the commands need of their platform: a frame with
// menus and a status bar, numbered child text windows with text lines and
// graphics text, message boxes, dialogs built from numbered templates, the
// file-open dialog, worker threads and the default output window.
//
// Two implementations exist: the Qt one (src/platform/qt) and a recording
// one for tests (tests/support). The command units know only this
// interface. Every operation may be called from any thread.
//
// Every window operation names its window. (Acting on "the active window"
// would let a click on another window redirect a worker's drawing.)
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windows/PlotDescription.h"

namespace tallyfold {

using Rgb = std::uint32_t;  // 0xRRGGBB
inline constexpr Rgb black = 0x000000;
inline constexpr Rgb white = 0xFFFFFF;

// Dialog control ids of the OK and Cancel buttons of every template.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;

// A modal dialog built from a template; controls are addressed by id.
class Dialog {
 public:
  using Action = std::function<void(Dialog&)>;

  virtual ~Dialog() = default;
  virtual int templateId() const = 0;

  virtual void setText(int control, std::string_view text) = 0;
  virtual std::string text(int control) const = 0;
  virtual void setChecked(int control, bool on) = 0;  // check box or radio button
  virtual bool checked(int control) const = 0;
  virtual void setInteger(int control, std::int64_t value) = 0;
  virtual void setListCount(int control, int count) = 0;
  virtual void setListEntry(int control, int index, std::string_view text) = 0;  // index from 1

  // The routine runs on the interface thread when the control is pressed; it
  // closes the dialog by calling exit(). A button without an action closes
  // the dialog with its own id.
  virtual void setAction(int control, Action action) = 0;
  virtual void exit(int control) = 0;

  // Shows the dialog modally; returns the id of the control that closed it
  // (idOk, idCancel, …).
  virtual int run() = 0;
};

enum class MenuEntryKind { title, item, separator };

struct FileFilter {
  std::string description;
  std::string pattern;
};

// What the file-save dialog returns: the path and the filter the user left
// chosen (1-based, as the initial filter; 0 when it is not known).
struct SaveFileChoice {
  std::string path;
  int filter = 0;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Frame.
  virtual void placeFrame(int x, int y, int clientWidth, int clientHeight) = 0;
  virtual void appendMenuEntry(int menu, MenuEntryKind kind, std::string_view caption,
                               std::function<void()> action) = 0;
  virtual void setStatusBarText(std::string_view text) = 0;

  // Child windows.
  virtual void openWindow(int number, std::string_view title) = 0;   // creates it (if needed) and makes it active
  virtual void closeWindow(int number, bool remove) = 0;             // nothing happens for a number not open
  virtual int focusWindow(int number) = 0;                           // front and active; -1 when not open
  virtual bool configureWindow(int number, int columns, int rows) = 0;  // virtual text area; false on failure
  virtual int placeWindow(int number, int x, int y, int height, int width) = 0;  // character cells; < 0 when not open
  virtual void setTextArea(int number, int row1, int col1, int row2, int col2) = 0;
  virtual void clearWindow(int number) = 0;
  virtual void writeLine(int number, std::string_view line) = 0;     // appended at the bottom, scrolls

  // Graphics text, in pixels of the window's virtual area.
  virtual void initFonts(int number) = 0;
  virtual void selectFont(int number, std::string_view fontSpecification) = 0;  // "t'Arial'h16w9"
  virtual void setTextColour(int number, Rgb colour) = 0;
  virtual void setBackgroundColour(int number, Rgb colour) = 0;
  virtual void setDrawColour(int number, Rgb colour) = 0;
  virtual void moveTo(int number, int x, int y) = 0;
  virtual void drawText(int number, std::string_view text) = 0;  // top-left corner at the current position
  virtual void lineTo(int number, int x, int y) = 0;              // from the current position

  // Modal message box with one "OK". From a worker thread it blocks that
  // worker only.
  virtual void messageBox(std::string_view text, std::string_view title) = 0;

  // A dialog from its template id, or nullptr when the template is missing.
  virtual std::unique_ptr<Dialog> loadDialog(int templateId) = 0;

  // The file-open dialog; the chosen path, or nothing on cancel.
  virtual std::optional<std::string> chooseOpenFile(const std::vector<FileFilter>& filters, int initialFilter,
                                                    std::string_view title) = 0;

  // Starts the routine on a worker thread; returns a positive handle, or -1
  // when no thread could be started.
  virtual std::int32_t startThread(std::function<void()> routine) = 0;

  // Waits until every worker started by startThread has ended (workers are
  // owned and joined; none is left running when the program ends).
  virtual void joinThreads() = 0;

  // Runs the task on the interface thread, after what is already queued
  // there (also when called from the interface thread itself). A worker
  // hands its result to the interface thread this way.
  virtual void postToInterface(std::function<void()> task) = 0;

  // Makes the menu item with this caption usable or not; it stays shown.
  virtual void setMenuEntryEnabled(std::string_view caption, bool enabled) = 0;

  // A key that triggers the menu item with this caption while the frame is
  // active, e.g. "Esc".
  virtual void setMenuEntryShortcut(std::string_view caption, std::string_view keys) = 0;

  // A modal question with the buttons "Yes" and "No"; true for "Yes".
  virtual bool askYesNo(std::string_view text, std::string_view title) = 0;

  // The frame's close button runs this action instead of closing the frame;
  // the action ends the program with exitProgram when it decides to.
  virtual void setCloseAction(std::function<void()> action) = 0;

  // The frame's title.
  virtual void setFrameTitle(std::string_view title) = 0;
  // A file dropped onto the frame runs this action with its path.
  virtual void setFileDropAction(std::function<void(const std::string&)> action) = 0;
  // The "Recent Data Files" list, kept between sessions (most recent
  // first); the File menu's submenu of that name opens an entry through
  // `open`.
  virtual std::vector<std::string> recentFiles() const = 0;
  virtual void setRecentFiles(const std::vector<std::string>& paths,
                              std::function<void(const std::string&)> open) = 0;
  // The file-save dialog; the chosen path and filter, or nothing on cancel.
  // It does not ask about replacing a file that exists: the caller does.
  virtual std::optional<SaveFileChoice> chooseSaveFile(const std::vector<FileFilter>& filters, int initialFilter,
                                                       std::string_view title) = 0;
  // The number of the active child text window, -1 when a plot or nothing
  // is active.
  virtual int activeTextWindow() const = 0;
  // What text window `number` shows, as plain text: its drawn texts row by
  // row at their character columns, then its text lines ("" when not open).
  virtual std::string windowText(int number) const = 0;
  // Opens (or replaces) plot window `number` with the plot; its title is the
  // plot's. Plot windows are numbered apart from the text windows.
  virtual void showPlot(int number, const PlotDescription& plot) = 0;
  // "Save Plot As…": asks for a file and a size and saves the active plot
  // window as PNG or SVG; false when the active window is not a plot
  // (interface thread only).
  virtual bool savePlotAs() = 0;
  // One line to the default output window.
  virtual void writeDefaultOutput(std::string_view line) = 0;

  // Ends the program normally (the interface's event loop ends and the
  // program returns from main). Call it only when no worker runs.
  virtual void exitProgram() = 0;

  // Convenience: move to (x, y) and draw the text there.
  void drawTextAt(int number, int x, int y, std::string_view text) {
    moveTo(number, x, y);
    drawText(number, text);
  }
  // Convenience: a line from (x1, y1) to (x2, y2).
  void drawLine(int number, int x1, int y1, int x2, int y2) {
    moveTo(number, x1, y1);
    lineTo(number, x2, y2);
  }
};

// The window services of this process. Set once at start-up (or by a test).
WindowServices& windows();
void setWindowServices(WindowServices* services);

}  // namespace tallyfold
