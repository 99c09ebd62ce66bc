// The child-window canvas: text at its top-left corner, lines, the text
// area that scrolls, and a size that keeps everything drawn reachable.
#include "platform/qt/TextCanvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "QtTestSupport.h"
#include "platform/qt/QtFonts.h"

namespace tallyfold {
namespace {

QFont textFont() {
  QFont font(QStringLiteral("Liberation Mono"));
  font.setPixelSize(12);
  return font;
}

// As a window shows it: a canvas smaller than the window's visible area is
// stretched to fill it.
QImage render(TextCanvas& canvas) {
  canvas.resize(canvas.contentSize().expandedTo(QSize(90 * 7, 20 * 16)));
  QImage image(canvas.size(), QImage::Format_RGB32);
  canvas.render(&image);
  return image;
}

TEST(TextCanvasTest, TextIsDrawnWithItsTopLeftCornerAtThePosition) {
  FontBook book;
  for (const char* spec : {"t'Arial'h16w9", "t'Arial'h12w7"}) {
    TextCanvas canvas(textFont(), QSize(7, 16));
    canvas.configure(90, 20);
    canvas.clear(Qt::white);
    const QFont& font = book.font(spec);
    canvas.addText(font, Qt::black, QPoint(40, 30), QStringLiteral("Tallyfold"));
    const QRect ink = inkBounds(render(canvas), QRect(0, 0, 400, 200));
    ASSERT_FALSE(ink.isEmpty()) << spec;
    // The capital's top lies just below the top of the text: the internal
    // leading above the caps is a few pixels, the ascent is far more.
    EXPECT_GE(ink.top(), 30) << spec;
    EXPECT_LE(ink.top(), 30 + 5) << spec;
    EXPECT_GE(ink.left(), 40) << spec;
    EXPECT_LE(ink.left(), 40 + 2) << spec;
    EXPECT_LE(ink.bottom(), 30 + QFontMetrics(font).height()) << spec;
  }
}

TEST(TextCanvasTest, LinesAndClearing) {
  TextCanvas canvas(textFont(), QSize(7, 16));
  canvas.configure(90, 20);
  canvas.clear(Qt::white);
  canvas.addLine(Qt::black, QPoint(0, 55), QPoint(300, 55));
  QImage image = render(canvas);
  EXPECT_EQ(inkBounds(image, QRect(0, 50, 400, 10)), QRect(0, 55, 301, 1));

  canvas.clear(QColor(0x20, 0x40, 0x60));
  EXPECT_TRUE(canvas.drawnLines().empty());
  image = render(canvas);
  EXPECT_EQ(QColor(image.pixel(150, 55)), QColor(0x20, 0x40, 0x60));
  EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(0x20, 0x40, 0x60));
}

TEST(TextCanvasTest, TextAreaKeepsItsLastRowsAndDrawsThemInPlace) {
  TextCanvas canvas(textFont(), QSize(7, 16));
  canvas.clear(Qt::white);
  canvas.setTextArea(1, 1, 3, 80);
  for (const char* line : {" one", " two", " three", " four", " five"}) canvas.appendLine(line, Qt::black);
  ASSERT_EQ(canvas.lines().size(), 3u);
  EXPECT_EQ(canvas.lines().front().text, " three");
  EXPECT_EQ(canvas.lines().back().text, " five");
  EXPECT_EQ(canvas.lastLineRect(), QRect(0, 32, 80 * 7, 16));
  // Three rows of 80 cells: nothing more to scroll to.
  EXPECT_EQ(canvas.contentSize(), QSize(80 * 7, 3 * 16));
  const QImage image = render(canvas);
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(inkBounds(image, QRect(0, row * 16, 560, 16)).isEmpty()) << row;

  // A text area further down and to the right: the lines start there.
  canvas.configure(40, 10);
  canvas.clear(Qt::white);
  canvas.setTextArea(5, 3, 6, 20);
  canvas.appendLine(" here", Qt::black);
  const QRect ink = inkBounds(render(canvas), canvas.rect());
  EXPECT_GE(ink.top(), 4 * 16);
  EXPECT_GE(ink.left(), 2 * 7);
  EXPECT_LT(ink.bottom(), 5 * 16);
  // Columns beyond the text area are cut off.
  canvas.appendLine(QString(60, QLatin1Char('#')), Qt::black);
  EXPECT_LT(inkBounds(render(canvas), canvas.rect()).right(), 20 * 7);
}

TEST(TextCanvasTest, ConfigureRefusesSizesOutOfRange) {
  TextCanvas canvas(textFont(), QSize(7, 16));
  EXPECT_TRUE(canvas.configure(90, 100));
  EXPECT_FALSE(canvas.configure(0, 10));
  EXPECT_FALSE(canvas.configure(10, -1));
  EXPECT_FALSE(canvas.configure(TextCanvas::maxCells + 1, 10));
  // Unchanged: the text area is still 90 columns by 100 rows.
  for (int i = 0; i < 101; ++i) canvas.appendLine(QStringLiteral(" line"), Qt::black);
  EXPECT_EQ(canvas.lines().size(), 100u);
  EXPECT_EQ(canvas.lastLineRect(), QRect(0, 99 * 16, 90 * 7, 16));
}

TEST(TextCanvasTest, GrowsToHoldWhatIsDrawnBeyondTheVirtualArea) {
  FontBook book;
  TextCanvas canvas(textFont(), QSize(7, 16));
  canvas.configure(90, 40);
  // A results header wider than 90 columns, a data row far below 40 rows.
  canvas.addText(book.font("t'Arial'h16w9"), Qt::black, QPoint(5, 40), QString(100, QLatin1Char('x')));
  canvas.addText(book.font("t'Arial'h15w8"), Qt::black, QPoint(5, 55 + 15 * 999), QStringLiteral("1000"));
  const QSize size = canvas.contentSize();
  EXPECT_GT(size.width(), 5 + 100 * 8);
  EXPECT_GT(size.height(), 55 + 15 * 999 + 12);
  // Absurd positions do not overflow the size.
  canvas.addLine(Qt::black, QPoint(0, 0), QPoint(2'000'000'000, 2'000'000'000));
  EXPECT_GT(canvas.contentSize().width(), 0);
  EXPECT_LE(canvas.contentSize().width(), 16'777'215);
}

}  // namespace
}  // namespace tallyfold
