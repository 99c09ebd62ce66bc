#pragma once
// The drawing surface of one child window: its virtual text area in
// character cells, the text lines written into its text area, and the texts
// and lines drawn on it at pixel positions. Its size, and so the range its
// scroll bars cover, is the extent of what it holds: the drawn texts and
// lines with a small margin, and the rows of the text area that hold text
// lines. Nothing drawn is out of reach, and there is no empty room beyond.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

class QScrollArea;

namespace tallyfold {

struct CanvasText {
  QFont font;
  QColor colour;
  QPoint topLeft;
  int ascent;
  QString text;
  QRect bounds;  // where its ink may fall
};

struct CanvasLine {
  QColor colour;
  QPoint from;
  QPoint to;
};

struct CanvasTextLine {
  QString text;
  QColor colour;
};

class TextCanvas : public QWidget {
  Q_OBJECT

 public:
  // Largest virtual area, in cells, that configure accepts.
  static constexpr int maxCells = 10000;
  // Room right of and below the drawn texts and lines, so their last pixel
  // is not at the edge.
  static constexpr int drawnMargin = 4;

  TextCanvas(const QFont& textFont, QSize cell, QWidget* parent = nullptr);

  QSize cell() const { return cell_; }
  // Virtual text area; false (and no change) for sizes out of range.
  bool configure(int columns, int rows);
  // Rows and columns of the virtual area the text lines use (1-based,
  // inclusive). Out-of-range values are clamped to the virtual area.
  void setTextArea(int row1, int col1, int row2, int col2);
  // Removes every text line and drawn item, paints the background and
  // scrolls back to the top-left corner.
  void clear(const QColor& background);
  // Appends a line at the bottom of the text area; older lines scroll out
  // at the top. Returns the rectangle of the new line.
  QRect appendLine(const QString& text, const QColor& colour);
  void addText(const QFont& font, const QColor& colour, QPoint topLeft, const QString& text);
  void addLine(const QColor& colour, QPoint from, QPoint to);

  const std::deque<CanvasTextLine>& lines() const { return lines_; }
  // Everything it shows as plain text: the drawn texts row by row (texts
  // that share a top edge form one row, placed at the character column of
  // their left edge, at least one blank apart), then the text lines.
  QString plainText() const;
  const std::vector<CanvasText>& texts() const { return texts_; }
  const std::vector<CanvasLine>& drawnLines() const { return drawnLines_; }
  QColor background() const { return background_; }
  // Extent of everything the window holds, in pixels, from its top-left
  // corner.
  QSize contentSize() const;
  QSize sizeHint() const override { return contentSize(); }
  // The rectangle of the newest text line (empty when there is none).
  QRect lastLineRect() const;
  // Scrolls the enclosing scroll area to the newest text line once the
  // pending layout has run; several requests in a row scroll once.
  void requestScrollToLastLine();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int textAreaRows() const { return row2_ - row1_ + 1; }
  void grow(const QRect& rect);
  QScrollArea* scrollArea() const;

  QFont textFont_;
  QSize cell_;
  int columns_ = 0;  // 0: not configured
  int rows_ = 0;
  int row1_ = 1, col1_ = 1, row2_ = 25, col2_ = 80;
  QColor background_ = Qt::white;
  std::deque<CanvasTextLine> lines_;
  std::vector<CanvasText> texts_;
  std::vector<CanvasLine> drawnLines_;
  int drawnRight_ = 0;   // extent of the drawn items and lines
  int drawnBottom_ = 0;
  bool scrollPending_ = false;
};

}  // namespace tallyfold
