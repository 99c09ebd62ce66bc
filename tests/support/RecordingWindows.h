#pragma once
// A window layer for tests: it records everything the program shows (per
// window the title, placement, text lines, drawn texts and lines; message
// boxes, status bar, menus, default output) and answers dialogs and the
// file-open dialog from scripts the test sets up beforehand.
//
// Constructing a RecordingWindows installs it as the process's window
// services; destroying it joins its worker threads and uninstalls it.
// Every operation is thread-safe. Accessors return copies, so a test may
// read them while a worker is still writing.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "windows/DialogTemplates.h"
#include "windows/WindowServices.h"

namespace tallyfold {

struct RecordedText {
  std::string font;  // the font specification selected when it was drawn
  Rgb colour;
  int x;
  int y;
  std::string text;
};

struct RecordedLine {
  Rgb colour;
  int x1;
  int y1;
  int x2;
  int y2;
};

struct WindowPlacement {
  int x;
  int y;
  int height;
  int width;
};

struct TextArea {
  int row1;
  int col1;
  int row2;
  int col2;
};

struct RecordedWindow {
  int number = 0;
  std::string title;
  bool open = false;
  int opens = 0;   // how often openWindow was called for this window
  int clears = 0;  // how often it was cleared
  int fontInitialisations = 0;
  std::optional<WindowPlacement> placement;
  std::optional<std::pair<int, int>> configuration;  // columns, rows
  int configureCalls = 0;
  std::optional<TextArea> textArea;
  std::vector<std::string> lines;  // every line written since the last clear
  std::vector<RecordedText> texts;  // drawn since the last clear
  std::vector<RecordedLine> drawnLines;
  // Drawing state.
  std::string font;
  Rgb textColour = black;
  Rgb backgroundColour = white;
  Rgb drawColour = black;
  int x = 0;
  int y = 0;

  // The lines a user sees: the last rows of the text area (all lines when no
  // text area or configuration bounds them).
  std::vector<std::string> visibleLines() const;
  std::vector<std::string> drawnTexts() const;
};

struct RecordedMessageBox {
  std::string text;
  std::string title;
  bool operator==(const RecordedMessageBox&) const = default;
};

struct RecordedMenuEntry {
  int menu;
  MenuEntryKind kind;
  std::string caption;
  std::function<void()> action;
};

struct RecordedFileDialog {
  std::vector<FileFilter> filters;
  int initialFilter;
  std::string title;
};

struct RecordedDialogRun {
  int templateId;
  int result;
};

class RecordingWindows;

// A dialog of the recording layer. It holds the controls of its template;
// a script plays the user: it reads and changes controls and presses
// buttons. Addressing a control the template does not have fails the test.
class RecordingDialog final : public Dialog {
 public:
  RecordingDialog(RecordingWindows& owner, const DialogTemplate& dialogTemplate);

  int templateId() const override;
  void setText(int control, std::string_view text) override;
  std::string text(int control) const override;
  void setChecked(int control, bool on) override;
  bool checked(int control) const override;
  void setInteger(int control, std::int64_t value) override;
  void setListCount(int control, int count) override;
  void setListEntry(int control, int index, std::string_view text) override;
  void setAction(int control, Action action) override;
  void exit(int control) override;
  int run() override;

  // What the user does: press a button (its action runs; a button without
  // action closes the dialog with its id).
  void press(int control);
  std::vector<std::string> listEntries(int control) const;
  bool isOpen() const { return running_ && !result_; }
  bool hasAction(int control) const;

 private:
  struct ControlState {
    ControlKind kind;
    int radioGroup;
    std::string text;
    bool checked = false;
    std::vector<std::string> entries;
    Action action;
  };
  ControlState* find(int control, const char* operation);
  const ControlState* find(int control, const char* operation) const;

  RecordingWindows& owner_;
  const DialogTemplate& template_;
  std::map<int, ControlState> controls_;
  bool running_ = false;
  std::optional<int> result_;
};

enum class ThreadMode {
  real,         // startThread runs the routine on a new thread; waitForThreads joins
  synchronous,  // the routine runs inside startThread before it returns
  failing,      // startThread returns -1 and runs nothing
};

class RecordingWindows final : public WindowServices {
 public:
  using DialogScript = std::function<void(RecordingDialog&)>;

  RecordingWindows();
  ~RecordingWindows() override;
  RecordingWindows(const RecordingWindows&) = delete;
  RecordingWindows& operator=(const RecordingWindows&) = delete;

  // --- WindowServices ---
  void placeFrame(int x, int y, int clientWidth, int clientHeight) override;
  void appendMenuEntry(int menu, MenuEntryKind kind, std::string_view caption, std::function<void()> action) override;
  void setStatusBarText(std::string_view text) override;
  void openWindow(int number, std::string_view title) override;
  void closeWindow(int number, bool remove) override;
  int focusWindow(int number) override;
  bool configureWindow(int number, int columns, int rows) override;
  int placeWindow(int number, int x, int y, int height, int width) override;
  void setTextArea(int number, int row1, int col1, int row2, int col2) override;
  void clearWindow(int number) override;
  void writeLine(int number, std::string_view line) override;
  void initFonts(int number) override;
  void selectFont(int number, std::string_view fontSpecification) override;
  void setTextColour(int number, Rgb colour) override;
  void setBackgroundColour(int number, Rgb colour) override;
  void setDrawColour(int number, Rgb colour) override;
  void moveTo(int number, int x, int y) override;
  void drawText(int number, std::string_view text) override;
  void lineTo(int number, int x, int y) override;
  void messageBox(std::string_view text, std::string_view title) override;
  std::unique_ptr<Dialog> loadDialog(int templateId) override;
  std::optional<std::string> chooseOpenFile(const std::vector<FileFilter>& filters, int initialFilter,
                                            std::string_view title) override;
  std::int32_t startThread(std::function<void()> routine) override;
  void writeDefaultOutput(std::string_view line) override;
  void showPlot(int number, const PlotDescription& plot) override;
  // Answered from the same queue as the file-open dialog (answerFileDialog),
  // with the filter of answerSaveFilter or else the initial one.
  std::optional<SaveFileChoice> chooseSaveFile(const std::vector<FileFilter>& filters, int initialFilter,
                                               std::string_view title) override;
  int activeTextWindow() const override { return activeWindow(); }
  void setFrameTitle(std::string_view title) override;
  void setFileDropAction(std::function<void(const std::string&)> action) override;
  std::vector<std::string> recentFiles() const override;
  void setRecentFiles(const std::vector<std::string>& paths, std::function<void(const std::string&)> open) override;
  std::string frameTitle() const;
  // Plays a user who drops the file onto the frame.
  void dropFile(const std::string& path);
  // Plays a user who chooses entry `index` (from 0) of "Recent Data Files".
  void openRecentFile(std::size_t index);
  // The drawn texts (in drawing order, one per row) and then the lines.
  std::string windowText(int number) const override;
  bool savePlotAs() override;
  void exitProgram() override;
  void joinThreads() override;
  void postToInterface(std::function<void()> task) override;
  void setMenuEntryEnabled(std::string_view caption, bool enabled) override;
  void setMenuEntryShortcut(std::string_view caption, std::string_view keys) override;
  bool askYesNo(std::string_view text, std::string_view title) override;
  void setCloseAction(std::function<void()> action) override;

  // --- Set-up by the test ---
  // The next run of dialog `templateId` is answered by `script` (scripts of
  // one id are used in the order given).
  void expectDialog(int templateId, DialogScript script);
  // loadDialog(templateId) returns nullptr, as for a missing template.
  void markDialogMissing(int templateId);
  // The next file-open dialog returns `answer` (nothing: the user cancels).
  void answerFileDialog(std::optional<std::string> answer);
  // The next file-save dialog reports filter `filter` as chosen.
  void answerSaveFilter(int filter);
  void setThreadMode(ThreadMode mode);
  // Called (outside the lock, on the calling thread) for every message box.
  void onMessageBox(std::function<void(const RecordedMessageBox&)> handler);

  // The next askYesNo is answered with `yes` (answers are used in order; a
  // question without an answer fails the test and is answered "No").
  void answerYesNo(bool yes);

  // Joins every thread started so far, also those started by them, then
  // runs the tasks posted to the interface thread, until neither is left.
  void waitForThreads();
  // Runs the tasks posted to the interface thread so far (and those they
  // post), on the calling thread, which plays the interface thread. In
  // synchronous mode a posted task runs at once and none is queued.
  void runPostedTasks();
  int postedTasksWaiting() const;

  // What the user does: the frame's close button. It runs the close action
  // when one was set, otherwise the frame closes and the program ends.
  void pressCloseButton();

  // --- What was shown ---
  RecordedWindow window(int number) const;  // an empty record for a number never opened
  bool isOpen(int number) const;
  // The earlier lives of a window that was closed with deletion and opened
  // again, oldest first.
  std::vector<RecordedWindow> closedWindows(int number) const;
  int activeWindow() const;  // -1 when none
  std::vector<std::string> lines(int number) const;
  std::vector<std::string> drawnTexts(int number) const;
  std::vector<RecordedText> texts(int number) const;
  std::vector<RecordedLine> drawnLines(int number) const;
  std::vector<RecordedMessageBox> messageBoxes() const;
  std::string statusBarText() const;
  std::vector<std::string> statusBarHistory() const;
  std::vector<RecordedMenuEntry> menuEntries() const;
  std::optional<WindowPlacement> framePlacement() const;
  std::vector<std::string> defaultOutput() const;
  std::vector<RecordedFileDialog> fileDialogs() const;
  std::vector<RecordedDialogRun> dialogRuns() const;
  std::vector<int> loadedDialogs() const;
  // One line per window operation, in call order ("open 19 LOG",
  // "close 19 delete", "focus 10", "text 25 5 10 ...", …).
  std::vector<std::string> events() const;
  // Operations addressed to a window that was not open.
  std::vector<std::string> strayOperations() const;
  int threadsStarted() const;
  bool exitRequested() const;
  // Dialog scripts set up but never used.
  int unusedDialogScripts() const;

  // Runs the action of the menu item with this caption (the test fails when
  // there is none or more than one); a disabled item does nothing.
  void clickMenu(std::string_view caption);
  // Whether the menu item can be used (true unless set otherwise) and the
  // key given to it ("" when none).
  bool menuEntryEnabled(std::string_view caption) const;
  std::string menuEntryShortcut(std::string_view caption) const;
  // The last plot shown in plot window `number` (the test fails when none).
  PlotDescription plot(int number) const;
  // How often savePlotAs was asked for.
  int savePlotRequests() const;
  // The questions askYesNo asked, with their titles.
  std::vector<RecordedMessageBox> questions() const;

 private:
  friend class RecordingDialog;

  RecordedWindow* openRecord(int number, const char* operation);  // lock held
  void event(std::string text);                                   // lock held
  void dialogRan(int templateId, int result);
  std::optional<DialogScript> takeScript(int templateId);

  mutable std::mutex mutex_;
  std::map<int, PlotDescription> plots_;
  std::string frameTitle_;
  std::function<void(const std::string&)> dropAction_;
  std::vector<std::string> recentFiles_;
  std::function<void(const std::string&)> openRecent_;
  int savePlotRequests_ = 0;
  std::map<int, RecordedWindow> windows_;
  std::map<int, std::vector<RecordedWindow>> closed_;
  int active_ = -1;
  std::vector<std::string> events_;
  std::vector<std::string> strays_;
  std::vector<RecordedMessageBox> messageBoxes_;
  std::function<void(const RecordedMessageBox&)> messageBoxHandler_;
  std::vector<std::string> statusBar_;
  std::vector<RecordedMenuEntry> menus_;
  std::optional<WindowPlacement> frame_;
  std::vector<std::string> defaultOutput_;
  std::map<int, std::deque<DialogScript>> scripts_;
  std::vector<int> missingDialogs_;
  std::vector<int> loaded_;
  std::vector<RecordedDialogRun> dialogRuns_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<int> saveFilters_;
  std::vector<RecordedFileDialog> fileDialogs_;
  ThreadMode threadMode_ = ThreadMode::real;
  std::vector<std::thread> threads_;
  std::int32_t nextHandle_ = 1;
  bool exitRequested_ = false;
  std::deque<std::function<void()>> posted_;
  std::map<std::string, bool, std::less<>> menuEnabled_;
  std::map<std::string, std::string, std::less<>> menuShortcuts_;
  std::deque<bool> yesNoAnswers_;
  std::vector<RecordedMessageBox> questions_;
  std::function<void()> closeAction_;
};

}  // namespace tallyfold
