#include "qt/QtWindowServices.h"

#include "qt/PlotWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QPixmap>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStatusBar>
#include <algorithm>
#include <exception>
#include <iterator>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "qt/GuiThread.h"
#include "qt/QtDialog.h"
#include "qt/TextCanvas.h"
#include "windows/DialogTemplates.h"

namespace tallyfold {

namespace {

QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor toQColor(Rgb rgb) {
  return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                static_cast<int>(rgb & 0xFF));
}

// The text font of the child windows and the cell it gives a character.
constexpr int textFontPixels = 12;
constexpr int minimumCellHeight = 16;
// Placement values beyond these are taken as these.
constexpr int maxPlacementCells = 1000;

// Height in pixels of the "Output" dock when it first appears.
constexpr int outputDockHeight = 110;

// Cells of a child window before it is placed.
constexpr int initialColumns = 80;
constexpr int initialRows = 10;

// "Data files(*.txt)" with "*.txt" as Qt writes a filter: the description
// with the patterns in parentheses. "*.*" means every file, also one
// without a dot in its name.
QString qtFilter(const FileFilter& filter) {
  QString description = toQString(filter.description).trimmed();
  description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)$")));
  QStringList patterns;
  for (const QString& pattern : toQString(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString p = pattern.trimmed();
    patterns << (p == QStringLiteral("*.*") ? QStringLiteral("*") : p);
  }
  if (patterns.isEmpty()) patterns << QStringLiteral("*");
  return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The filters of a file dialog in Qt's form, and the initial one (from 1).
QString qtFilters(const std::vector<FileFilter>& filters, int initialFilter, QString& selected) {
  QStringList list;
  for (const FileFilter& f : filters) list << qtFilter(f);
  if (initialFilter >= 1 && initialFilter <= list.size()) selected = list[initialFilter - 1];
  return list.join(QStringLiteral(";;"));
}

// Shows a child window that is opened, brought to the front or drawn
// again. Minimised, a window hides its content; the program draws into it
// to be seen, so it comes back in its normal state, at the placement the
// program gave it (if any).
void showRestored(QMdiSubWindow* sub, const std::optional<QRect>& placement) {
  if (!sub->isMinimized()) {
    sub->show();
    return;
  }
  sub->showNormal();
  if (placement) sub->setGeometry(*placement);
}

// Child windows carry no icon in their title bars.
QIcon blankIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  return QIcon(pixmap);
}

}  // namespace

void FrameWindow::closeEvent(QCloseEvent* event) {
  if (!closeAction_) {
    QMainWindow::closeEvent(event);
    return;
  }
  event->ignore();
  const std::function<void()> action = closeAction_;  // the action may replace itself
  action();
}

bool FrameWindow::event(QEvent* event) {
  // Before QMainWindow, whose layout takes drags and drops for its docks.
  if (event->type() == QEvent::DragEnter) {
    dragEnterEvent(static_cast<QDragEnterEvent*>(event));
    if (event->isAccepted()) return true;
  } else if (event->type() == QEvent::Drop) {
    dropEvent(static_cast<QDropEvent*>(event));
    if (event->isAccepted()) return true;
  }
  return QMainWindow::event(event);
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* event) {
  event->ignore();
  const QList<QUrl> urls = event->mimeData()->urls();
  if (dropAction_ && urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void FrameWindow::dropEvent(QDropEvent* event) {
  event->ignore();
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!dropAction_ || urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  dropAction_(QFile::encodeName(urls.front().toLocalFile()).toStdString());
}

namespace {

// Where the recent files and the last folder of the file dialog are kept.
constexpr const char* recentFilesKey = "recentDataFiles";
constexpr const char* lastFolderKey = "lastDataFolder";

}  // namespace

struct QtWindowServices::ChildWindow {
  QPointer<QMdiSubWindow> sub;
  QScrollArea* scroll = nullptr;
  TextCanvas* canvas = nullptr;
  QFont font;
  QColor textColour = Qt::black;
  QColor background = Qt::white;
  QColor drawColour = Qt::black;
  QPoint position;
  std::optional<QRect> placement;  // geometry of the last placeWindow
};

QtWindowServices::QtWindowServices(QObject* parent)
    : QObject(parent),
      frame_(new FrameWindow),
      mdi_(new QMdiArea),
      status_(new QLabel),
      outputDock_(new QDockWidget(QStringLiteral("Output"), frame_)),
      output_(new QPlainTextEdit) {
  textFont_ = QFont(QStringLiteral("Liberation Mono"));
  textFont_.setPixelSize(textFontPixels);
  const QFontMetrics metrics(textFont_);
  cell_ = QSize(std::max(1, metrics.horizontalAdvance(QLatin1Char('0'))),
                std::max(minimumCellHeight, metrics.lineSpacing()));

  frame_->setWindowTitle(QStringLiteral("Tallyfold"));
  frame_->setAcceptDrops(true);
  frame_->setCentralWidget(mdi_);
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // A permanent widget: the status tips of the menus do not wipe it.
  status_->setContentsMargins(4, 0, 4, 0);
  frame_->statusBar()->addPermanentWidget(status_, 1);

  output_->setReadOnly(true);
  output_->setFont(textFont_);
  output_->setMaximumBlockCount(10000);
  outputDock_->setObjectName(QStringLiteral("output"));
  outputDock_->setWidget(output_);
  frame_->addDockWidget(Qt::BottomDockWidgetArea, outputDock_);
  outputDock_->hide();
  frame_->resize(800, 500);
}

QtWindowServices::~QtWindowServices() {
  joinThreads();
  windows_.clear();
  delete frame_;
}

QtWindowServices::ChildWindow* QtWindowServices::child(int number) const {
  const auto found = windows_.find(number);
  if (found == windows_.end() || !found->second->sub) return nullptr;
  return found->second.get();
}

QMdiSubWindow* QtWindowServices::subWindow(int number) const {
  ChildWindow* w = child(number);
  return w ? w->sub.data() : nullptr;
}

TextCanvas* QtWindowServices::canvas(int number) const {
  ChildWindow* w = child(number);
  return w ? w->canvas : nullptr;
}

QString QtWindowServices::statusBarText() const { return status_->text(); }

QStringList QtWindowServices::defaultOutputLines() const {
  return output_->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QMenu* QtWindowServices::menu(int number) const {
  const auto found = menus_.find(number);
  return found == menus_.end() ? nullptr : found->second;
}

QWidget* QtWindowServices::modalParent() const {
  // Over the dialog that is open (a message of a dialog's action), else
  // over the frame.
  QWidget* modal = QApplication::activeModalWidget();
  return modal ? modal : frame_;
}

// --- Frame -----------------------------------------------------------------

void QtWindowServices::placeFrame(int x, int y, int clientWidth, int clientHeight) {
  gui::post(this, [this, x, y, clientWidth, clientHeight] {
    frameClient_ = QSize(std::max(1, clientWidth), std::max(1, clientHeight));
    frame_->move(x, y);
    fitFrame();
  });
}

void QtWindowServices::fitFrame() {
  if (!frameClient_.isValid()) return;
  // The client area is what lies below the menu bar.
  const int menuHeight = frame_->menuBar()->isVisible() || !frame_->menuBar()->actions().isEmpty()
                             ? frame_->menuBar()->sizeHint().height()
                             : 0;
  frame_->resize(frameClient_.width(), frameClient_.height() + menuHeight);
}

void QtWindowServices::appendMenuEntry(int menu, MenuEntryKind kind, std::string_view caption,
                                       std::function<void()> action) {
  gui::post(this, [this, menu, kind, caption = toQString(caption), action = std::move(action)] {
    QMenu*& entry = menus_[menu];
    const bool created = entry == nullptr;
    if (created) {
      entry = new QMenu(frame_->menuBar());
      // Menus stand in the order of their numbers.
      const auto next = menus_.upper_bound(menu);
      if (next != menus_.end() && next->second) {
        frame_->menuBar()->insertMenu(next->second->menuAction(), entry);
      } else {
        frame_->menuBar()->addMenu(entry);
      }
    }
    switch (kind) {
      case MenuEntryKind::title:
        entry->setTitle(caption);
        break;
      case MenuEntryKind::separator:
        entry->addSeparator();
        break;
      case MenuEntryKind::item: {
        QAction* item = entry->addAction(caption);
        QObject::connect(item, &QAction::triggered, this, [this, action] { runGuarded(action); });
        break;
      }
    }
    if (created) fitFrame();
  });
}

void QtWindowServices::setStatusBarText(std::string_view text) {
  gui::post(this, [this, text = toQString(text)] { status_->setText(text); });
}

QAction* QtWindowServices::menuItem(const QString& caption) const {
  for (const auto& [number, entry] : menus_) {
    for (QAction* item : entry->actions()) {
      if (!item->isSeparator() && item->text() == caption) return item;
    }
  }
  return nullptr;
}

void QtWindowServices::setMenuEntryEnabled(std::string_view caption, bool enabled) {
  gui::post(this, [this, caption = toQString(caption), enabled] {
    if (QAction* item = menuItem(caption)) item->setEnabled(enabled);
  });
}

void QtWindowServices::setMenuEntryShortcut(std::string_view caption, std::string_view keys) {
  gui::post(this, [this, caption = toQString(caption), keys = toQString(keys)] {
    // The item's menu belongs to the frame's menu bar, so the key works
    // wherever the focus is inside the frame.
    if (QAction* item = menuItem(caption)) item->setShortcut(QKeySequence(keys));
  });
}

void QtWindowServices::setCloseAction(std::function<void()> action) {
  gui::post(this, [this, action = std::move(action)] {
    if (!action) {
      frame_->setCloseAction({});
      return;
    }
    frame_->setCloseAction([this, action] { runGuarded(action); });
  });
}

void QtWindowServices::runGuarded(const std::function<void()>& action) {
  if (!action) return;
  try {
    action();
  } catch (const std::exception& e) {
    messageBox(e.what(), "Error");
  }
}

// --- Child windows ----------------------------------------------------------

void QtWindowServices::openWindow(int number, std::string_view title) {
  gui::post(this, [this, number, title = toQString(title)] {
    ChildWindow* w = child(number);
    if (!w) {
      auto created = std::make_unique<ChildWindow>();
      created->canvas = new TextCanvas(textFont_, cell_);
      created->scroll = new QScrollArea;
      created->scroll->setFrameShape(QFrame::NoFrame);
      created->scroll->setWidgetResizable(true);
      created->scroll->setWidget(created->canvas);
      created->sub = new QMdiSubWindow;
      // Closed by the user, a window is only hidden: the program still
      // writes to it, and bringing it to the front shows it again.
      created->sub->setAttribute(Qt::WA_DeleteOnClose, false);
      created->sub->setWidget(created->scroll);
      created->sub->setWindowIcon(blankIcon());
      created->font = fonts_.font("");
      // "Copy" (Ctrl+C, and the canvas's context menu): everything the
      // window shows, as plain text.
      auto* copy = new QAction(QStringLiteral("Copy"), created->sub);
      copy->setShortcut(QKeySequence::Copy);
      copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      connect(copy, &QAction::triggered, created->canvas,
              [canvas = created->canvas] { QGuiApplication::clipboard()->setText(canvas->plainText()); });
      created->sub->addAction(copy);
      created->canvas->addAction(copy);
      created->canvas->setContextMenuPolicy(Qt::ActionsContextMenu);
      mdi_->addSubWindow(created->sub);
      created->sub->resize(initialColumns * cell_.width(), initialRows * cell_.height());
      w = created.get();
      windows_[number] = std::move(created);
    }
    w->sub->setWindowTitle(title);
    showRestored(w->sub, w->placement);
    mdi_->setActiveSubWindow(w->sub);
  });
}

void QtWindowServices::detach(int number) {
  const auto found = windows_.find(number);
  if (found == windows_.end()) return;
  windows_.erase(found);
}

void QtWindowServices::closeWindow(int number, bool remove) {
  gui::post(this, [this, number, remove] {
    ChildWindow* w = child(number);
    if (!w) {
      detach(number);
      return;
    }
    QPointer<QMdiSubWindow> sub = w->sub;
    detach(number);
    if (remove) {
      sub->hide();
      sub->deleteLater();
    } else {
      // The window stays on the screen, no longer addressed by its number;
      // when the user closes it, it goes.
      sub->setAttribute(Qt::WA_DeleteOnClose, true);
    }
  });
}

int QtWindowServices::focusWindow(int number) {
  return gui::call(this, [this, number] {
    ChildWindow* w = child(number);
    if (!w) return -1;
    showRestored(w->sub, w->placement);
    mdi_->setActiveSubWindow(w->sub);
    w->sub->raise();
    return 0;
  });
}

bool QtWindowServices::configureWindow(int number, int columns, int rows) {
  return gui::call(this, [this, number, columns, rows] {
    ChildWindow* w = child(number);
    return w != nullptr && w->canvas->configure(columns, rows);
  });
}

int QtWindowServices::placeWindow(int number, int x, int y, int height, int width) {
  return gui::call(this, [this, number, x, y, height, width] {
    ChildWindow* w = child(number);
    if (!w) return -1;
    const auto cells = [](int value, int low) { return std::clamp(value, low, maxPlacementCells); };
    const QSize inner(cells(width, 1) * cell_.width(), cells(height, 1) * cell_.height());
    // A minimised window keeps its content hidden whatever its geometry:
    // the placement is of the window in its normal state.
    if (w->sub->isMinimized()) w->sub->showNormal();
    // The title bar and the frame of the child window come on top of the
    // visible text area.
    w->sub->ensurePolished();
    const QMargins margins = w->sub->contentsMargins();
    w->placement = QRect(cells(x, -maxPlacementCells) * cell_.width(), cells(y, -maxPlacementCells) * cell_.height(),
                         inner.width() + margins.left() + margins.right(),
                         inner.height() + margins.top() + margins.bottom());
    w->sub->setGeometry(*w->placement);
    return 0;
  });
}

void QtWindowServices::setTextArea(int number, int row1, int col1, int row2, int col2) {
  gui::post(this, [this, number, row1, col1, row2, col2] {
    if (ChildWindow* w = child(number)) w->canvas->setTextArea(row1, col1, row2, col2);
  });
}

void QtWindowServices::clearWindow(int number) {
  gui::post(this, [this, number] {
    if (ChildWindow* w = child(number)) w->canvas->clear(w->background);
  });
}

void QtWindowServices::writeLine(int number, std::string_view line) {
  gui::post(this, [this, number, line = toQString(line)] {
    ChildWindow* w = child(number);
    if (!w) return;
    w->canvas->appendLine(line, w->textColour);
    w->canvas->requestScrollToLastLine();
  });
}

// --- Graphics text ------------------------------------------------------------

void QtWindowServices::initFonts(int number) {
  gui::post(this, [this, number] {
    if (ChildWindow* w = child(number)) w->font = fonts_.font("");
  });
}

void QtWindowServices::selectFont(int number, std::string_view fontSpecification) {
  gui::post(this, [this, number, spec = std::string(fontSpecification)] {
    if (ChildWindow* w = child(number)) w->font = fonts_.font(spec);
  });
}

void QtWindowServices::setTextColour(int number, Rgb colour) {
  gui::post(this, [this, number, colour] {
    if (ChildWindow* w = child(number)) w->textColour = toQColor(colour);
  });
}

void QtWindowServices::setBackgroundColour(int number, Rgb colour) {
  gui::post(this, [this, number, colour] {
    if (ChildWindow* w = child(number)) w->background = toQColor(colour);
  });
}

void QtWindowServices::setDrawColour(int number, Rgb colour) {
  gui::post(this, [this, number, colour] {
    if (ChildWindow* w = child(number)) w->drawColour = toQColor(colour);
  });
}

void QtWindowServices::moveTo(int number, int x, int y) {
  gui::post(this, [this, number, x, y] {
    if (ChildWindow* w = child(number)) w->position = QPoint(x, y);
  });
}

void QtWindowServices::drawText(int number, std::string_view text) {
  gui::post(this, [this, number, text = toQString(text)] {
    if (ChildWindow* w = child(number)) w->canvas->addText(w->font, w->textColour, w->position, text);
  });
}

void QtWindowServices::lineTo(int number, int x, int y) {
  gui::post(this, [this, number, x, y] {
    ChildWindow* w = child(number);
    if (!w) return;
    const QPoint to(x, y);
    w->canvas->addLine(w->drawColour, w->position, to);
    w->position = to;
  });
}

// --- Message boxes, dialogs, files ----------------------------------------------

void QtWindowServices::messageBox(std::string_view text, std::string_view title) {
  gui::call(this, [this, text = toQString(text), title = toQString(title)] {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, modalParent());
    box.exec();
  });
}

bool QtWindowServices::askYesNo(std::string_view text, std::string_view title) {
  return gui::call(this, [this, text = toQString(text), title = toQString(title)] {
    return QMessageBox::question(modalParent(), title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  });
}

std::unique_ptr<Dialog> QtWindowServices::loadDialog(int templateId) {
  return gui::call(this, [this, templateId]() -> std::unique_ptr<Dialog> {
    const DialogTemplate* found = findDialogTemplate(templateId);
    if (!found) return nullptr;
    return std::make_unique<QtDialog>(this, *found, frame_);
  });
}

std::optional<std::string> QtWindowServices::chooseOpenFile(const std::vector<FileFilter>& filters, int initialFilter,
                                                            std::string_view title) {
  return gui::call(this, [this, &filters, initialFilter, title = toQString(title)]() -> std::optional<std::string> {
    QString selected;
    const QString list = qtFilters(filters, initialFilter, selected);
    QSettings settings;
    const QString path = QFileDialog::getOpenFileName(modalParent(), title, settings.value(lastFolderKey).toString(),
                                                      list, &selected);
    if (path.isEmpty()) return std::nullopt;
    settings.setValue(lastFolderKey, QFileInfo(path).absolutePath());
    return QFile::encodeName(path).toStdString();
  });
}

// --- Threads, default output, exit ------------------------------------------------

std::int32_t QtWindowServices::startThread(std::function<void()> routine) {
  auto done = std::make_shared<std::atomic<bool>>(false);
  auto guarded = [this, done, routine = std::move(routine)] {
    try {
      routine();
    } catch (const std::exception& e) {
      writeDefaultOutput(std::string("A worker ended with an error: ") + e.what());
    } catch (...) {
      writeDefaultOutput("A worker ended with an error.");
    }
    done->store(true);
    // Wakes a joinThreads that waits for events on the interface thread.
    QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
  };
  std::lock_guard lock(workersMutex_);
  // Workers that have ended are joined here, so the list stays short.
  const auto ended = std::partition(workers_.begin(), workers_.end(), [](const Worker& w) { return !w.done->load(); });
  for (auto w = ended; w != workers_.end(); ++w) w->thread.join();
  workers_.erase(ended, workers_.end());
  try {
    workers_.reserve(workers_.size() + 1);  // no allocation after the thread runs
    workers_.push_back(Worker{std::thread(std::move(guarded)), done});
  } catch (const std::system_error&) {
    return -1;
  }
  return nextThread_.fetch_add(1);
}

void QtWindowServices::joinThreads() {
  const std::thread::id self = std::this_thread::get_id();
  // On the interface thread the wait goes on handling events: a worker may
  // be blocked in a call that only the interface thread can carry out (a
  // message box, a dialog), and it can end only once that call has run.
  const bool serveEvents = QCoreApplication::instance() != nullptr && gui::onThreadOf(this);
  for (;;) {
    std::vector<Worker> ending;
    {
      std::lock_guard lock(workersMutex_);
      // A worker that calls this waits for the others, not for itself.
      const auto others =
          std::stable_partition(workers_.begin(), workers_.end(), [self](const Worker& w) { return w.thread.get_id() == self; });
      std::move(others, workers_.end(), std::back_inserter(ending));
      workers_.erase(others, workers_.end());
    }
    if (ending.empty()) return;  // workers started meanwhile are taken by the next round
    for (Worker& w : ending) {
      if (serveEvents) {
        while (!w.done->load()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
      }
      w.thread.join();
    }
  }
}

void QtWindowServices::postToInterface(std::function<void()> task) {
  // Always queued, also on the interface thread: the task runs after what
  // is already waiting there, never inside the caller.
  QMetaObject::invokeMethod(this, [this, task = std::move(task)] { runGuarded(task); }, Qt::QueuedConnection);
}

std::optional<SaveFileChoice> QtWindowServices::chooseSaveFile(const std::vector<FileFilter>& filters,
                                                               int initialFilter, std::string_view title) {
  return gui::call(this, [this, &filters, initialFilter, title = toQString(title)]() -> std::optional<SaveFileChoice> {
    QString selected;
    const QString list = qtFilters(filters, initialFilter, selected);
    // The caller asks before a file is replaced.
    const QString path = QFileDialog::getSaveFileName(modalParent(), title, QString(), list, &selected,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    const auto filter = static_cast<int>(list.split(QStringLiteral(";;")).indexOf(selected)) + 1;
    return SaveFileChoice{QFile::encodeName(path).toStdString(), filter};
  });
}

void QtWindowServices::setFrameTitle(std::string_view title) {
  gui::post(this, [this, title = toQString(title)] { frame_->setWindowTitle(title); });
}

void QtWindowServices::setFileDropAction(std::function<void(const std::string&)> action) {
  gui::post(this, [this, action = std::move(action)]() mutable {
    frame_->setDropAction([this, action](const std::string& path) { runGuarded([&] { action(path); }); });
  });
}

std::vector<std::string> QtWindowServices::recentFiles() const {
  std::vector<std::string> paths;
  for (const QString& p : QSettings().value(recentFilesKey).toStringList()) paths.push_back(QFile::encodeName(p).toStdString());
  return paths;
}

void QtWindowServices::setRecentFiles(const std::vector<std::string>& paths,
                                      std::function<void(const std::string&)> open) {
  gui::post(this, [this, paths, open = std::move(open)] {
    QStringList list;
    for (const std::string& p : paths) list << QFile::decodeName(p.c_str());
    QSettings().setValue(recentFilesKey, list);
    QMenu* file = menu(1);
    if (!file) return;
    if (!recentMenu_) {
      recentMenu_ = new QMenu(QStringLiteral("Recent Data Files"), file);
      const QList<QAction*> actions = file->actions();
      file->insertMenu(actions.size() > 1 ? actions[1] : nullptr, recentMenu_);
    }
    recentMenu_->clear();
    for (const QString& p : list) {
      recentMenu_->addAction(p, recentMenu_, [this, open, path = QFile::encodeName(p).toStdString()] {
        runGuarded([&] { open(path); });
      });
    }
    recentMenu_->setEnabled(!list.isEmpty());
  });
}

int QtWindowServices::activeTextWindow() const {
  return gui::call(const_cast<QtWindowServices*>(this), [this] {
    const QMdiSubWindow* active = mdi_->activeSubWindow();
    for (const auto& [number, w] : windows_) {
      if (active && w->sub.data() == active) return number;
    }
    return -1;
  });
}

std::string QtWindowServices::windowText(int number) const {
  return gui::call(const_cast<QtWindowServices*>(this), [this, number] {
    const TextCanvas* canvas = this->canvas(number);
    return canvas ? canvas->plainText().toStdString() + "\n" : std::string();
  });
}

void QtWindowServices::showPlot(int number, const PlotDescription& plot) {
  gui::post(this, [this, number, plot] {
    QPointer<QMdiSubWindow>& sub = plots_[number];
    if (!sub) {
      sub = new QMdiSubWindow;
      sub->setAttribute(Qt::WA_DeleteOnClose, true);
      sub->setWindowIcon(blankIcon());
      mdi_->addSubWindow(sub);
      sub->resize(760, 460);
    }
    auto* window = new PlotWindow(plot);
    sub->setWidget(window);
    sub->setWindowTitle(window->windowTitle());
    sub->show();
    mdi_->setActiveSubWindow(sub);
  });
}

PlotWindow* QtWindowServices::plotWindow(int number) const {
  const QMdiSubWindow* sub = plotSubWindow(number);
  return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr;
}

QMdiSubWindow* QtWindowServices::plotSubWindow(int number) const {
  const auto found = plots_.find(number);
  return found == plots_.end() ? nullptr : found->second.data();
}

bool QtWindowServices::savePlotAs() {
  QMdiSubWindow* active = mdi_->activeSubWindow();
  auto* plot = active ? qobject_cast<PlotWindow*>(active->widget()) : nullptr;
  if (!plot) return false;
  plot->saveWithDialog();
  return true;
}

void QtWindowServices::writeDefaultOutput(std::string_view line) {
  gui::post(this, [this, line = toQString(line)] {
    output_->appendPlainText(line);
    if (!outputDock_->isVisible()) {
      // The frame grows by a few lines for the dock, so the child windows
      // keep the room they were placed in.
      if (!frame_->isMaximized() && !frame_->isFullScreen())
        frame_->resize(frame_->width(), frame_->height() + outputDockHeight);
      outputDock_->show();
      frame_->resizeDocks({outputDock_}, {outputDockHeight}, Qt::Vertical);
    }
  });
}

void QtWindowServices::exitProgram() {
  if (!gui::onThreadOf(this)) {
    // From a worker: the interface thread ends the program once that worker
    // has returned.
    QMetaObject::invokeMethod(this, [this] { exitProgram(); }, Qt::QueuedConnection);
    return;
  }
  if (exiting_) return;  // chosen again while the workers are being joined
  exiting_ = true;
  joinThreads();
  // exit, not quit: a frame that refuses to close cannot cancel it.
  QCoreApplication::exit(0);
}

}  // namespace tallyfold
