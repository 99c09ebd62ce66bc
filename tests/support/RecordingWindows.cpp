#include "support/RecordingWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

namespace tallyfold {

namespace {

std::string joined(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& part : parts) {
    if (!out.empty()) out += ' ';
    out += part;
  }
  return out;
}

std::string str(int value) { return std::to_string(value); }

const char* kindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::staticText: return "static text";
    case ControlKind::centredStatic: return "centred static";
    case ControlKind::edit: return "edit field";
    case ControlKind::radio: return "radio button";
    case ControlKind::checkBox: return "check box";
    case ControlKind::pushButton: return "push button";
    case ControlKind::defaultPushButton: return "default push button";
    case ControlKind::groupBox: return "group box";
    case ControlKind::listBox: return "list box";
  }
  return "control";
}

bool hasOnOffState(ControlKind kind) { return kind == ControlKind::radio || kind == ControlKind::checkBox; }

}  // namespace

// ---------------------------------------------------------------------------
// RecordedWindow

std::vector<std::string> RecordedWindow::visibleLines() const {
  std::size_t rows = lines.size();
  if (textArea) {
    rows = static_cast<std::size_t>(std::max(0, textArea->row2 - textArea->row1 + 1));
  } else if (configuration) {
    rows = static_cast<std::size_t>(std::max(0, configuration->second));
  }
  rows = std::min(rows, lines.size());
  return {lines.end() - static_cast<std::ptrdiff_t>(rows), lines.end()};
}

std::vector<std::string> RecordedWindow::drawnTexts() const {
  std::vector<std::string> out;
  out.reserve(texts.size());
  for (const RecordedText& t : texts) out.push_back(t.text);
  return out;
}

// ---------------------------------------------------------------------------
// RecordingDialog

RecordingDialog::RecordingDialog(RecordingWindows& owner, const DialogTemplate& dialogTemplate)
    : owner_(owner), template_(dialogTemplate) {
  for (const DialogControl& c : dialogTemplate.controls) {
    if (c.id == noControlId) continue;
    controls_[c.id] = ControlState{c.kind, c.radioGroup, std::string(c.text), false, {}, {}};
  }
}

int RecordingDialog::templateId() const { return template_.id; }

RecordingDialog::ControlState* RecordingDialog::find(int control, const char* operation) {
  const auto found = controls_.find(control);
  if (found == controls_.end()) {
    ADD_FAILURE() << operation << ": dialog " << template_.id << " has no control " << control;
    return nullptr;
  }
  return &found->second;
}

const RecordingDialog::ControlState* RecordingDialog::find(int control, const char* operation) const {
  return const_cast<RecordingDialog*>(this)->find(control, operation);
}

void RecordingDialog::setText(int control, std::string_view text) {
  if (ControlState* c = find(control, "setText")) c->text = std::string(text);
}

std::string RecordingDialog::text(int control) const {
  const ControlState* c = find(control, "text");
  return c ? c->text : std::string();
}

void RecordingDialog::setChecked(int control, bool on) {
  ControlState* c = find(control, "setChecked");
  if (!c) return;
  if (!hasOnOffState(c->kind)) {
    ADD_FAILURE() << "setChecked: control " << control << " of dialog " << template_.id << " is a "
                  << kindName(c->kind);
    return;
  }
  if (on && c->kind == ControlKind::radio) {
    for (auto& [id, other] : controls_) {
      if (other.kind == ControlKind::radio && other.radioGroup == c->radioGroup) other.checked = false;
    }
  }
  c->checked = on;
}

bool RecordingDialog::checked(int control) const {
  const ControlState* c = find(control, "checked");
  if (!c) return false;
  if (!hasOnOffState(c->kind)) {
    ADD_FAILURE() << "checked: control " << control << " of dialog " << template_.id << " is a "
                  << kindName(c->kind);
    return false;
  }
  return c->checked;
}

void RecordingDialog::setInteger(int control, std::int64_t value) {
  if (ControlState* c = find(control, "setInteger")) c->text = std::to_string(value);
}

void RecordingDialog::setListCount(int control, int count) {
  ControlState* c = find(control, "setListCount");
  if (!c) return;
  if (c->kind != ControlKind::listBox || count < 0) {
    ADD_FAILURE() << "setListCount(" << control << ", " << count << ") on a " << kindName(c->kind);
    return;
  }
  c->entries.resize(static_cast<std::size_t>(count));
}

void RecordingDialog::setListEntry(int control, int index, std::string_view text) {
  ControlState* c = find(control, "setListEntry");
  if (!c) return;
  if (c->kind != ControlKind::listBox || index < 1) {
    ADD_FAILURE() << "setListEntry(" << control << ", " << index << ") on a " << kindName(c->kind);
    return;
  }
  if (static_cast<std::size_t>(index) > c->entries.size()) c->entries.resize(static_cast<std::size_t>(index));
  c->entries[static_cast<std::size_t>(index - 1)] = std::string(text);
}

std::vector<std::string> RecordingDialog::listEntries(int control) const {
  const ControlState* c = find(control, "listEntries");
  return c ? c->entries : std::vector<std::string>{};
}

void RecordingDialog::setAction(int control, Action action) {
  ControlState* c = find(control, "setAction");
  if (!c) return;
  if (!isButton(c->kind)) {
    ADD_FAILURE() << "setAction: control " << control << " of dialog " << template_.id << " is a "
                  << kindName(c->kind);
    return;
  }
  c->action = std::move(action);
}

bool RecordingDialog::hasAction(int control) const {
  const ControlState* c = find(control, "hasAction");
  return c && static_cast<bool>(c->action);
}

void RecordingDialog::exit(int control) {
  if (!running_) {
    ADD_FAILURE() << "exit(" << control << ") of dialog " << template_.id << " while it is not shown";
    return;
  }
  if (!result_) result_ = control;
}

void RecordingDialog::press(int control) {
  ControlState* c = find(control, "press");
  if (!c) return;
  if (!isOpen()) {
    ADD_FAILURE() << "press(" << control << "): dialog " << template_.id << " is not open";
    return;
  }
  if (!isButton(c->kind)) {
    ADD_FAILURE() << "press: control " << control << " of dialog " << template_.id << " is a " << kindName(c->kind);
    return;
  }
  if (c->action) {
    Action action = c->action;  // the action may replace itself
    action(*this);
  } else {
    exit(control);
  }
}

int RecordingDialog::run() {
  std::optional<RecordingWindows::DialogScript> script = owner_.takeScript(template_.id);
  running_ = true;
  result_.reset();
  if (!script) {
    ADD_FAILURE() << "dialog " << template_.id << " (\"" << template_.title
                  << "\") was shown, but the test set up no script for it";
    result_ = idCancel;
  } else {
    (*script)(*this);
    if (!result_) {
      ADD_FAILURE() << "the script left dialog " << template_.id << " open";
      result_ = idCancel;
    }
  }
  running_ = false;
  owner_.dialogRan(template_.id, *result_);
  return *result_;
}

// ---------------------------------------------------------------------------
// RecordingWindows

RecordingWindows::RecordingWindows() { setWindowServices(this); }

RecordingWindows::~RecordingWindows() {
  waitForThreads();
  setWindowServices(nullptr);
  const int unused = unusedDialogScripts();
  if (unused > 0) ADD_FAILURE() << unused << " dialog script(s) were set up but never used";
}

void RecordingWindows::event(std::string text) { events_.push_back(std::move(text)); }

RecordedWindow* RecordingWindows::openRecord(int number, const char* operation) {
  const auto found = windows_.find(number);
  if (found == windows_.end() || !found->second.open) {
    strays_.push_back(std::string(operation) + " " + str(number));
    return nullptr;
  }
  return &found->second;
}

void RecordingWindows::placeFrame(int x, int y, int clientWidth, int clientHeight) {
  std::lock_guard lock(mutex_);
  frame_ = WindowPlacement{x, y, clientHeight, clientWidth};
  event(joined({"frame", str(x), str(y), str(clientWidth), str(clientHeight)}));
}

void RecordingWindows::appendMenuEntry(int menu, MenuEntryKind kind, std::string_view caption,
                                       std::function<void()> action) {
  std::lock_guard lock(mutex_);
  menus_.push_back(RecordedMenuEntry{menu, kind, std::string(caption), std::move(action)});
}

void RecordingWindows::setStatusBarText(std::string_view text) {
  std::lock_guard lock(mutex_);
  statusBar_.emplace_back(text);
  event("status " + std::string(text));
}

void RecordingWindows::openWindow(int number, std::string_view title) {
  std::lock_guard lock(mutex_);
  auto found = windows_.find(number);
  int earlierOpens = 0;
  if (found != windows_.end() && !found->second.open) {
    // A closed window comes back as a new window; its earlier life is kept.
    earlierOpens = found->second.opens;
    closed_[number].push_back(std::move(found->second));
    windows_.erase(found);
    found = windows_.end();
  }
  if (found == windows_.end()) {
    RecordedWindow fresh;
    fresh.number = number;
    fresh.opens = earlierOpens;
    found = windows_.emplace(number, std::move(fresh)).first;
  }
  RecordedWindow& w = found->second;
  w.title = std::string(title);
  w.open = true;
  ++w.opens;
  active_ = number;
  event(joined({"open", str(number), std::string(title)}));
}

void RecordingWindows::closeWindow(int number, bool remove) {
  std::lock_guard lock(mutex_);
  const auto found = windows_.find(number);
  if (found == windows_.end() || !found->second.open) return;
  found->second.open = false;
  if (active_ == number) active_ = -1;
  event(joined({"close", str(number), remove ? "delete" : "keep"}));
}

int RecordingWindows::focusWindow(int number) {
  std::lock_guard lock(mutex_);
  const auto found = windows_.find(number);
  if (found == windows_.end() || !found->second.open) {
    event(joined({"focus", str(number), "(not open)"}));
    return -1;
  }
  active_ = number;
  event(joined({"focus", str(number)}));
  return 0;
}

bool RecordingWindows::configureWindow(int number, int columns, int rows) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "configure");
  if (!w) return false;
  ++w->configureCalls;
  event(joined({"configure", str(number), str(columns), str(rows)}));
  if (columns <= 0 || rows <= 0) return false;
  w->configuration = std::make_pair(columns, rows);
  w->textArea.reset();
  return true;
}

int RecordingWindows::placeWindow(int number, int x, int y, int height, int width) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "place");
  if (!w) return -1;
  w->placement = WindowPlacement{x, y, height, width};
  event(joined({"place", str(number), str(x), str(y), str(height), str(width)}));
  return 0;
}

void RecordingWindows::setTextArea(int number, int row1, int col1, int row2, int col2) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "textarea");
  if (!w) return;
  w->textArea = TextArea{row1, col1, row2, col2};
  event(joined({"textarea", str(number), str(row1), str(col1), str(row2), str(col2)}));
}

void RecordingWindows::clearWindow(int number) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "clear");
  if (!w) return;
  ++w->clears;
  w->lines.clear();
  w->texts.clear();
  w->drawnLines.clear();
  event(joined({"clear", str(number)}));
}

void RecordingWindows::writeLine(int number, std::string_view line) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "line");
  if (!w) return;
  w->lines.emplace_back(line);
  event(joined({"line", str(number), std::string(line)}));
}

void RecordingWindows::initFonts(int number) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "initfonts")) ++w->fontInitialisations;
}

void RecordingWindows::selectFont(int number, std::string_view fontSpecification) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "font")) w->font = std::string(fontSpecification);
}

void RecordingWindows::setTextColour(int number, Rgb colour) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "textcolour")) w->textColour = colour;
}

void RecordingWindows::setBackgroundColour(int number, Rgb colour) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "backgroundcolour")) w->backgroundColour = colour;
}

void RecordingWindows::setDrawColour(int number, Rgb colour) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "drawcolour")) w->drawColour = colour;
}

void RecordingWindows::moveTo(int number, int x, int y) {
  std::lock_guard lock(mutex_);
  if (RecordedWindow* w = openRecord(number, "moveto")) {
    w->x = x;
    w->y = y;
  }
}

void RecordingWindows::drawText(int number, std::string_view text) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "text");
  if (!w) return;
  w->texts.push_back(RecordedText{w->font, w->textColour, w->x, w->y, std::string(text)});
  event(joined({"text", str(number), str(w->x), str(w->y), std::string(text)}));
}

void RecordingWindows::lineTo(int number, int x, int y) {
  std::lock_guard lock(mutex_);
  RecordedWindow* w = openRecord(number, "lineto");
  if (!w) return;
  w->drawnLines.push_back(RecordedLine{w->drawColour, w->x, w->y, x, y});
  event(joined({"lineto", str(number), str(w->x), str(w->y), str(x), str(y)}));
  w->x = x;
  w->y = y;
}

void RecordingWindows::messageBox(std::string_view text, std::string_view title) {
  RecordedMessageBox box{std::string(text), std::string(title)};
  std::function<void(const RecordedMessageBox&)> handler;
  {
    std::lock_guard lock(mutex_);
    messageBoxes_.push_back(box);
    event("messagebox " + box.title + ": " + box.text);
    handler = messageBoxHandler_;
  }
  if (handler) handler(box);
}

std::unique_ptr<Dialog> RecordingWindows::loadDialog(int templateId) {
  std::lock_guard lock(mutex_);
  event(joined({"loaddialog", str(templateId)}));
  loaded_.push_back(templateId);
  if (std::find(missingDialogs_.begin(), missingDialogs_.end(), templateId) != missingDialogs_.end()) return nullptr;
  const DialogTemplate* t = findDialogTemplate(templateId);
  if (!t) return nullptr;
  return std::make_unique<RecordingDialog>(*this, *t);
}

std::optional<std::string> RecordingWindows::chooseOpenFile(const std::vector<FileFilter>& filters, int initialFilter,
                                                            std::string_view title) {
  std::lock_guard lock(mutex_);
  fileDialogs_.push_back(RecordedFileDialog{filters, initialFilter, std::string(title)});
  event("filedialog " + std::string(title));
  if (fileAnswers_.empty()) {
    ADD_FAILURE() << "the file-open dialog \"" << title << "\" was shown, but the test set up no answer";
    return std::nullopt;
  }
  std::optional<std::string> answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

std::int32_t RecordingWindows::startThread(std::function<void()> routine) {
  auto guarded = [routine = std::move(routine)] {
    try {
      routine();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "a worker routine ended with an exception: " << e.what();
    } catch (...) {
      ADD_FAILURE() << "a worker routine ended with an exception";
    }
  };
  std::int32_t handle = -1;
  ThreadMode mode;
  {
    std::lock_guard lock(mutex_);
    mode = threadMode_;
    if (mode == ThreadMode::failing) {
      event("thread failed");
      return -1;
    }
    handle = nextHandle_++;
    event(joined({"thread", str(handle)}));
    if (mode == ThreadMode::real) {
      try {
        threads_.emplace_back(std::move(guarded));
      } catch (const std::system_error&) {
        return -1;
      }
      return handle;
    }
  }
  guarded();  // synchronous, outside the lock: the routine uses the windows
  return handle;
}

void RecordingWindows::writeDefaultOutput(std::string_view line) {
  std::lock_guard lock(mutex_);
  defaultOutput_.emplace_back(line);
  event("output " + std::string(line));
}

std::optional<SaveFileChoice> RecordingWindows::chooseSaveFile(const std::vector<FileFilter>& filters,
                                                               int initialFilter, std::string_view title) {
  std::optional<std::string> path = chooseOpenFile(filters, initialFilter, title);
  std::lock_guard lock(mutex_);
  int filter = initialFilter;
  if (!saveFilters_.empty()) {
    filter = saveFilters_.front();
    saveFilters_.pop_front();
  }
  if (!path) return std::nullopt;
  return SaveFileChoice{std::move(*path), filter};
}

void RecordingWindows::setFrameTitle(std::string_view title) {
  std::lock_guard lock(mutex_);
  frameTitle_ = title;
}

std::string RecordingWindows::frameTitle() const {
  std::lock_guard lock(mutex_);
  return frameTitle_;
}

void RecordingWindows::setFileDropAction(std::function<void(const std::string&)> action) {
  std::lock_guard lock(mutex_);
  dropAction_ = std::move(action);
}

void RecordingWindows::dropFile(const std::string& path) {
  std::function<void(const std::string&)> action;
  {
    std::lock_guard lock(mutex_);
    action = dropAction_;
  }
  ASSERT_TRUE(action) << "no drop action";
  action(path);
}

std::vector<std::string> RecordingWindows::recentFiles() const {
  std::lock_guard lock(mutex_);
  return recentFiles_;
}

void RecordingWindows::setRecentFiles(const std::vector<std::string>& paths,
                                      std::function<void(const std::string&)> open) {
  std::lock_guard lock(mutex_);
  recentFiles_ = paths;
  openRecent_ = std::move(open);
}

void RecordingWindows::openRecentFile(std::size_t index) {
  std::function<void(const std::string&)> open;
  std::string path;
  {
    std::lock_guard lock(mutex_);
    ASSERT_LT(index, recentFiles_.size());
    open = openRecent_;
    path = recentFiles_[index];
  }
  ASSERT_TRUE(open);
  open(path);
}

std::string RecordingWindows::windowText(int number) const {
  const RecordedWindow w = window(number);
  std::string text;
  for (const RecordedText& t : w.texts) text += t.text + "\n";
  for (const std::string& line : w.lines) text += line + "\n";
  return text;
}

void RecordingWindows::showPlot(int number, const PlotDescription& plot) {
  std::lock_guard lock(mutex_);
  plots_[number] = plot;
  event("plot " + std::to_string(number) + " " + plot.title);
}

bool RecordingWindows::savePlotAs() {
  std::lock_guard lock(mutex_);
  ++savePlotRequests_;
  return false;
}

PlotDescription RecordingWindows::plot(int number) const {
  std::lock_guard lock(mutex_);
  const auto found = plots_.find(number);
  EXPECT_NE(found, plots_.end()) << "no plot " << number;
  return found == plots_.end() ? PlotDescription{} : found->second;
}

int RecordingWindows::savePlotRequests() const {
  std::lock_guard lock(mutex_);
  return savePlotRequests_;
}

void RecordingWindows::exitProgram() {
  std::lock_guard lock(mutex_);
  exitRequested_ = true;
  event("exit");
}

void RecordingWindows::expectDialog(int templateId, DialogScript script) {
  std::lock_guard lock(mutex_);
  scripts_[templateId].push_back(std::move(script));
}

void RecordingWindows::markDialogMissing(int templateId) {
  std::lock_guard lock(mutex_);
  missingDialogs_.push_back(templateId);
}

void RecordingWindows::answerFileDialog(std::optional<std::string> answer) {
  std::lock_guard lock(mutex_);
  fileAnswers_.push_back(std::move(answer));
}

void RecordingWindows::answerSaveFilter(int filter) {
  std::lock_guard lock(mutex_);
  saveFilters_.push_back(filter);
}

void RecordingWindows::setThreadMode(ThreadMode mode) {
  std::lock_guard lock(mutex_);
  threadMode_ = mode;
}

void RecordingWindows::onMessageBox(std::function<void(const RecordedMessageBox&)> handler) {
  std::lock_guard lock(mutex_);
  messageBoxHandler_ = std::move(handler);
}

void RecordingWindows::joinThreads() {
  for (;;) {
    std::vector<std::thread> started;
    {
      std::lock_guard lock(mutex_);
      started.swap(threads_);
    }
    if (started.empty()) return;
    for (std::thread& t : started) t.join();
  }
}

void RecordingWindows::waitForThreads() {
  for (;;) {
    joinThreads();
    if (postedTasksWaiting() == 0) return;
    runPostedTasks();
  }
}

void RecordingWindows::postToInterface(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    if (threadMode_ == ThreadMode::real) {
      posted_.push_back(std::move(task));
      return;
    }
  }
  task();  // synchronous: the worker ran on the interface thread
}

void RecordingWindows::runPostedTasks() {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(mutex_);
      if (posted_.empty()) return;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
  }
}

int RecordingWindows::postedTasksWaiting() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(posted_.size());
}

void RecordingWindows::setMenuEntryEnabled(std::string_view caption, bool enabled) {
  std::lock_guard lock(mutex_);
  menuEnabled_.insert_or_assign(std::string(caption), enabled);
}

void RecordingWindows::setMenuEntryShortcut(std::string_view caption, std::string_view keys) {
  std::lock_guard lock(mutex_);
  menuShortcuts_.insert_or_assign(std::string(caption), std::string(keys));
}

bool RecordingWindows::menuEntryEnabled(std::string_view caption) const {
  std::lock_guard lock(mutex_);
  const auto found = menuEnabled_.find(caption);
  return found == menuEnabled_.end() || found->second;
}

std::string RecordingWindows::menuEntryShortcut(std::string_view caption) const {
  std::lock_guard lock(mutex_);
  const auto found = menuShortcuts_.find(caption);
  return found == menuShortcuts_.end() ? std::string() : found->second;
}

void RecordingWindows::answerYesNo(bool yes) {
  std::lock_guard lock(mutex_);
  yesNoAnswers_.push_back(yes);
}

bool RecordingWindows::askYesNo(std::string_view text, std::string_view title) {
  std::lock_guard lock(mutex_);
  questions_.push_back(RecordedMessageBox{std::string(text), std::string(title)});
  event("question " + std::string(title) + ": " + std::string(text));
  if (yesNoAnswers_.empty()) {
    ADD_FAILURE() << "askYesNo(\"" << text << "\") without an answer set up";
    return false;
  }
  const bool yes = yesNoAnswers_.front();
  yesNoAnswers_.pop_front();
  return yes;
}

std::vector<RecordedMessageBox> RecordingWindows::questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

void RecordingWindows::setCloseAction(std::function<void()> action) {
  std::lock_guard lock(mutex_);
  closeAction_ = std::move(action);
}

void RecordingWindows::pressCloseButton() {
  std::function<void()> action;
  {
    std::lock_guard lock(mutex_);
    action = closeAction_;
  }
  if (action) {
    action();
  } else {
    exitProgram();
  }
}

std::optional<RecordingWindows::DialogScript> RecordingWindows::takeScript(int templateId) {
  std::lock_guard lock(mutex_);
  event(joined({"rundialog", str(templateId)}));
  const auto found = scripts_.find(templateId);
  if (found == scripts_.end() || found->second.empty()) return std::nullopt;
  DialogScript script = std::move(found->second.front());
  found->second.pop_front();
  return script;
}

void RecordingWindows::dialogRan(int templateId, int result) {
  std::lock_guard lock(mutex_);
  dialogRuns_.push_back(RecordedDialogRun{templateId, result});
}

RecordedWindow RecordingWindows::window(int number) const {
  std::lock_guard lock(mutex_);
  const auto found = windows_.find(number);
  if (found != windows_.end()) return found->second;
  RecordedWindow none;
  none.number = number;
  return none;
}

bool RecordingWindows::isOpen(int number) const { return window(number).open; }

std::vector<RecordedWindow> RecordingWindows::closedWindows(int number) const {
  std::lock_guard lock(mutex_);
  const auto found = closed_.find(number);
  return found == closed_.end() ? std::vector<RecordedWindow>{} : found->second;
}

int RecordingWindows::activeWindow() const {
  std::lock_guard lock(mutex_);
  return active_;
}

std::vector<std::string> RecordingWindows::lines(int number) const { return window(number).lines; }
std::vector<std::string> RecordingWindows::drawnTexts(int number) const { return window(number).drawnTexts(); }
std::vector<RecordedText> RecordingWindows::texts(int number) const { return window(number).texts; }
std::vector<RecordedLine> RecordingWindows::drawnLines(int number) const { return window(number).drawnLines; }

std::vector<RecordedMessageBox> RecordingWindows::messageBoxes() const {
  std::lock_guard lock(mutex_);
  return messageBoxes_;
}

std::string RecordingWindows::statusBarText() const {
  std::lock_guard lock(mutex_);
  return statusBar_.empty() ? std::string() : statusBar_.back();
}

std::vector<std::string> RecordingWindows::statusBarHistory() const {
  std::lock_guard lock(mutex_);
  return statusBar_;
}

std::vector<RecordedMenuEntry> RecordingWindows::menuEntries() const {
  std::lock_guard lock(mutex_);
  return menus_;
}

std::optional<WindowPlacement> RecordingWindows::framePlacement() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

std::vector<std::string> RecordingWindows::defaultOutput() const {
  std::lock_guard lock(mutex_);
  return defaultOutput_;
}

std::vector<RecordedFileDialog> RecordingWindows::fileDialogs() const {
  std::lock_guard lock(mutex_);
  return fileDialogs_;
}

std::vector<RecordedDialogRun> RecordingWindows::dialogRuns() const {
  std::lock_guard lock(mutex_);
  return dialogRuns_;
}

std::vector<int> RecordingWindows::loadedDialogs() const {
  std::lock_guard lock(mutex_);
  return loaded_;
}

std::vector<std::string> RecordingWindows::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingWindows::strayOperations() const {
  std::lock_guard lock(mutex_);
  return strays_;
}

int RecordingWindows::threadsStarted() const {
  std::lock_guard lock(mutex_);
  return nextHandle_ - 1;
}

bool RecordingWindows::exitRequested() const {
  std::lock_guard lock(mutex_);
  return exitRequested_;
}

int RecordingWindows::unusedDialogScripts() const {
  std::lock_guard lock(mutex_);
  int unused = 0;
  for (const auto& [id, queue] : scripts_) unused += static_cast<int>(queue.size());
  return unused;
}

void RecordingWindows::clickMenu(std::string_view caption) {
  std::function<void()> action;
  int matches = 0;
  {
    std::lock_guard lock(mutex_);
    for (const RecordedMenuEntry& entry : menus_) {
      if (entry.kind == MenuEntryKind::item && entry.caption == caption) {
        ++matches;
        action = entry.action;
      }
    }
  }
  if (matches != 1) {
    ADD_FAILURE() << "clickMenu(\"" << caption << "\"): " << matches << " menu items have this caption";
    return;
  }
  if (action && menuEntryEnabled(caption)) action();
}

}  // namespace tallyfold
