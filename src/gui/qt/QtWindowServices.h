#pragma once
// The window services on Qt Widgets: a QMainWindow with a QMdiArea whose
// child windows are scrollable text canvases, a status bar, menus, message
// boxes, dialogs from the template table, the file-open dialog, worker
// threads and an "Output" dock for the default output window.
//
// The object lives on the interface thread. Calls from worker threads are
// carried out there: queued when nothing is returned, blocking the calling
// worker when a result (or a modal dialog) is needed. The workers it starts
// are its own: joinThreads and the destructor join them.
#include <QFont>
#include <QMainWindow>
#include <QObject>
#include <string>
#include <QPointer>
#include <QSize>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "qt/QtFonts.h"
#include "windows/WindowServices.h"

class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPlainTextEdit;
class QScrollArea;

namespace tallyfold {

class PlotWindow;
class TextCanvas;

// The frame window. Closing it ends the program, unless a close action is
// set: then the close is refused and the action runs instead.
class FrameWindow : public QMainWindow {
  Q_OBJECT

 public:
  using QMainWindow::QMainWindow;
  void setCloseAction(std::function<void()> action) { closeAction_ = std::move(action); }
  // A local file dropped onto the frame runs this action with its path.
  void setDropAction(std::function<void(const std::string&)> action) { dropAction_ = std::move(action); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::function<void()> closeAction_;
  std::function<void(const std::string&)> dropAction_;
};

class QtWindowServices final : public QObject, public WindowServices {
  Q_OBJECT

 public:
  explicit QtWindowServices(QObject* parent = nullptr);
  ~QtWindowServices() override;

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
  void joinThreads() override;
  void postToInterface(std::function<void()> task) override;
  void setMenuEntryEnabled(std::string_view caption, bool enabled) override;
  void setMenuEntryShortcut(std::string_view caption, std::string_view keys) override;
  bool askYesNo(std::string_view text, std::string_view title) override;
  void setCloseAction(std::function<void()> action) override;
  void writeDefaultOutput(std::string_view line) override;
  std::optional<SaveFileChoice> chooseSaveFile(const std::vector<FileFilter>& filters, int initialFilter,
                                            std::string_view title) override;
  void setFrameTitle(std::string_view title) override;
  void setFileDropAction(std::function<void(const std::string&)> action) override;
  std::vector<std::string> recentFiles() const override;
  void setRecentFiles(const std::vector<std::string>& paths, std::function<void(const std::string&)> open) override;
  int activeTextWindow() const override;
  std::string windowText(int number) const override;
  void showPlot(int number, const PlotDescription& plot) override;
  bool savePlotAs() override;
  void exitProgram() override;

  // For the program's start and for tests; interface thread only.
  FrameWindow* frame() const { return frame_; }
  QMdiArea* mdiArea() const { return mdi_; }
  QMdiSubWindow* subWindow(int number) const;
  TextCanvas* canvas(int number) const;
  QString statusBarText() const;
  QDockWidget* outputDock() const { return outputDock_; }
  QStringList defaultOutputLines() const;
  QMenu* menu(int number) const;
  // Plot window `number`, or nullptr when it is not open.
  PlotWindow* plotWindow(int number) const;
  QMdiSubWindow* plotSubWindow(int number) const;
  // The character cell of the child windows' text font.
  QSize cell() const { return cell_; }

 private:
  struct ChildWindow;
  ChildWindow* child(int number) const;  // nullptr when not open
  void detach(int number);
  void fitFrame();
  QWidget* modalParent() const;
  QAction* menuItem(const QString& caption) const;  // nullptr when there is none
  // Runs a menu action or a posted task; an exception is shown as "Error".
  void runGuarded(const std::function<void()>& action);

  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  FrameWindow* frame_;
  QMdiArea* mdi_;
  QLabel* status_;
  QDockWidget* outputDock_;
  QPlainTextEdit* output_;
  std::map<int, QMenu*> menus_;
  std::map<int, std::unique_ptr<ChildWindow>> windows_;
  std::map<int, QPointer<QMdiSubWindow>> plots_;
  QMenu* recentMenu_ = nullptr;  // "Recent Data Files" in the File menu, once set
  FontBook fonts_;
  QFont textFont_;
  QSize cell_;
  QSize frameClient_;  // invalid until placeFrame
  std::atomic<std::int32_t> nextThread_{1};
  std::mutex workersMutex_;
  std::vector<Worker> workers_;  // started and not yet joined
  bool exiting_ = false;         // exitProgram is under way (interface thread)
};

}  // namespace tallyfold
