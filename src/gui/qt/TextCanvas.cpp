#include "qt/TextCanvas.h"

#include <QFontMetrics>
#include <QStringList>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace tallyfold {

namespace {

// A widget may not be larger than this; drawings beyond it are not shown.
constexpr qint64 maxExtent = 16'000'000;

int clampExtent(qint64 value) { return static_cast<int>(std::clamp<qint64>(value, 0, maxExtent)); }

}  // namespace

TextCanvas::TextCanvas(const QFont& textFont, QSize cell, QWidget* parent)
    : QWidget(parent), textFont_(textFont), cell_(cell) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(contentSize());
}

bool TextCanvas::configure(int columns, int rows) {
  if (columns < 1 || rows < 1 || columns > maxCells || rows > maxCells) return false;
  columns_ = columns;
  rows_ = rows;
  row1_ = 1;
  col1_ = 1;
  row2_ = rows;
  col2_ = columns;
  while (static_cast<int>(lines_.size()) > textAreaRows()) lines_.pop_front();
  setMinimumSize(contentSize());
  update();
  return true;
}

void TextCanvas::setTextArea(int row1, int col1, int row2, int col2) {
  const int rowLimit = rows_ > 0 ? rows_ : maxCells;
  const int columnLimit = columns_ > 0 ? columns_ : maxCells;
  row1_ = std::clamp(row1, 1, rowLimit);
  row2_ = std::clamp(row2, row1_, rowLimit);
  col1_ = std::clamp(col1, 1, columnLimit);
  col2_ = std::clamp(col2, col1_, columnLimit);
  while (static_cast<int>(lines_.size()) > textAreaRows()) lines_.pop_front();
  setMinimumSize(contentSize());
  update();
}

void TextCanvas::clear(const QColor& background) {
  background_ = background;
  lines_.clear();
  texts_.clear();
  drawnLines_.clear();
  drawnRight_ = 0;
  drawnBottom_ = 0;
  setMinimumSize(contentSize());
  update();
  // What is drawn next starts at the top-left corner: show it there, not
  // where the previous drawing was scrolled to.
  if (QScrollArea* scroll = scrollArea()) {
    scroll->horizontalScrollBar()->setValue(0);
    scroll->verticalScrollBar()->setValue(0);
  }
}

QScrollArea* TextCanvas::scrollArea() const {
  QWidget* viewport = parentWidget();
  return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

QRect TextCanvas::appendLine(const QString& text, const QColor& colour) {
  lines_.push_back(CanvasTextLine{text, colour});
  while (static_cast<int>(lines_.size()) > textAreaRows()) lines_.pop_front();
  setMinimumSize(contentSize());
  const QRect line = lastLineRect();
  // Lines scroll up: the whole text area changes once it is full.
  update(QRect(line.left(), (row1_ - 1) * cell_.height(), line.width(), line.bottom() + 1));
  return line;
}

QRect TextCanvas::lastLineRect() const {
  if (lines_.empty()) return {};
  const int row = row1_ - 1 + static_cast<int>(lines_.size()) - 1;
  return {(col1_ - 1) * cell_.width(), row * cell_.height(), (col2_ - col1_ + 1) * cell_.width(), cell_.height()};
}

void TextCanvas::requestScrollToLastLine() {
  if (scrollPending_) return;
  scrollPending_ = true;
  QTimer::singleShot(0, this, [this] {
    scrollPending_ = false;
    QScrollArea* scroll = scrollArea();
    const QRect line = lastLineRect();
    if (!scroll || line.isEmpty()) return;
    scroll->ensureVisible(line.left(), line.center().y(), 0, line.height() / 2 + 1);
  });
}

void TextCanvas::addText(const QFont& font, const QColor& colour, QPoint topLeft, const QString& text) {
  const QFontMetrics metrics(font);
  // The ink of italic letters or of a stretched face may reach past the
  // advance; the bounding rectangle of the text covers it.
  const QRect ink = metrics.boundingRect(text);
  const QRect advance(0, -metrics.ascent(), metrics.horizontalAdvance(text), metrics.height());
  QRect bounds = ink.united(advance).translated(topLeft.x(), topLeft.y() + metrics.ascent());
  texts_.push_back(CanvasText{font, colour, topLeft, metrics.ascent(), text, bounds});
  grow(bounds);
  update(bounds.adjusted(-1, -1, 1, 1));
}

void TextCanvas::addLine(const QColor& colour, QPoint from, QPoint to) {
  drawnLines_.push_back(CanvasLine{colour, from, to});
  const QRect bounds = QRect(from, to).normalized().adjusted(-1, -1, 1, 1);
  grow(bounds);
  update(bounds);
}

void TextCanvas::grow(const QRect& rect) {
  const int right = clampExtent(static_cast<qint64>(rect.right()) + 1 + drawnMargin);
  const int bottom = clampExtent(static_cast<qint64>(rect.bottom()) + 1 + drawnMargin);
  if (right <= drawnRight_ && bottom <= drawnBottom_) return;
  drawnRight_ = std::max(drawnRight_, right);
  drawnBottom_ = std::max(drawnBottom_, bottom);
  setMinimumSize(contentSize());
}

QSize TextCanvas::contentSize() const {
  // The text lines fill whole rows of the text area, from its first row to
  // the newest line; a cell already holds the spacing between rows.
  qint64 width = drawnRight_;
  qint64 height = drawnBottom_;
  if (!lines_.empty()) {
    width = std::max<qint64>(width, static_cast<qint64>(col2_) * cell_.width());
    height = std::max<qint64>(height, static_cast<qint64>(row1_ - 1 + static_cast<int>(lines_.size())) *
                                          cell_.height());
  }
  return {clampExtent(width), clampExtent(height)};
}

void TextCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect exposed = event->rect();
  painter.fillRect(exposed, background_);

  for (const CanvasLine& line : drawnLines_) {
    if (!QRect(line.from, line.to).normalized().adjusted(-1, -1, 1, 1).intersects(exposed)) continue;
    painter.setPen(line.colour);
    painter.drawLine(line.from, line.to);
  }
  for (const CanvasText& text : texts_) {
    if (!text.bounds.intersects(exposed)) continue;
    painter.setFont(text.font);
    painter.setPen(text.colour);
    // drawText places y on the baseline; the position is the top-left corner.
    painter.drawText(text.topLeft.x(), text.topLeft.y() + text.ascent, text.text);
  }

  if (lines_.empty()) return;
  const QRect area((col1_ - 1) * cell_.width(), (row1_ - 1) * cell_.height(), (col2_ - col1_ + 1) * cell_.width(),
                   textAreaRows() * cell_.height());
  if (!area.intersects(exposed)) return;
  painter.setClipRect(area);
  painter.setFont(textFont_);
  const QFontMetrics metrics(textFont_);
  const int baseline = (cell_.height() - metrics.height()) / 2 + metrics.ascent();
  int top = area.top();
  for (const CanvasTextLine& line : lines_) {
    if (top + cell_.height() > exposed.top() && top <= exposed.bottom()) {
      painter.setPen(line.colour);
      painter.drawText(area.left(), top + baseline, line.text);
    }
    top += cell_.height();
  }
}

QString TextCanvas::plainText() const {
  std::vector<const CanvasText*> drawn;
  for (const CanvasText& t : texts_) drawn.push_back(&t);
  std::stable_sort(drawn.begin(), drawn.end(), [](const CanvasText* a, const CanvasText* b) {
    return a->topLeft.y() != b->topLeft.y() ? a->topLeft.y() < b->topLeft.y() : a->topLeft.x() < b->topLeft.x();
  });
  QStringList rows;
  const int cellWidth = std::max(1, cell_.width());
  for (std::size_t i = 0; i < drawn.size();) {
    QString row;
    const int y = drawn[i]->topLeft.y();
    for (; i < drawn.size() && drawn[i]->topLeft.y() == y; ++i) {
      const int column = drawn[i]->topLeft.x() / cellWidth;
      if (!row.isEmpty()) row += ' ';
      if (row.size() < column) row += QString(column - row.size(), ' ');
      row += drawn[i]->text;
    }
    rows << row;
  }
  for (const CanvasTextLine& line : lines_) rows << line.text;
  return rows.join('\n');
}

}  // namespace tallyfold
