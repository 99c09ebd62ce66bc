// Font specification strings and the fonts they give: family, pixel height
// and the average lowercase width reached by stretching.
#include <QFontInfo>
#include <gtest/gtest.h>

#include "qt/FontRequest.h"
#include "qt/QtFonts.h"

namespace tallyfold {
namespace {

TEST(FontSpecTest, ReadsFaceHeightWidthAndFlagsInAnyOrder) {
  const std::optional<FontRequest> arial = parseFontRequest("t'Arial'h16w9");
  ASSERT_TRUE(arial.has_value());
  EXPECT_EQ(arial->face, "Arial");
  EXPECT_EQ(arial->height, 16);
  EXPECT_EQ(arial->width, 9);
  EXPECT_FALSE(arial->bold);

  const std::optional<FontRequest> mixed = parseFontRequest("W7 h12 B t\"Times New Roman\" e");
  ASSERT_TRUE(mixed.has_value());
  EXPECT_EQ(mixed->face, "Times New Roman");
  EXPECT_EQ(mixed->height, 12);
  EXPECT_EQ(mixed->width, 7);
  EXPECT_TRUE(mixed->bold);

  const std::optional<FontRequest> empty = parseFontRequest("");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->face, "");
  EXPECT_EQ(empty->height, 0);
}

TEST(FontSpecTest, RefusesWhatDoesNotFollowThePattern) {
  for (const char* bad : {"t'Arial", "tArial", "h", "hw9", "h16w", "x16", "t'Arial'h16w9;", "h1001", "w99999999999999999999",
                          "h-3"}) {
    EXPECT_FALSE(parseFontRequest(bad).has_value()) << bad;
  }
}

TEST(FontTest, ArialStandsInAsLiberationSansAtThePixelHeight) {
  EXPECT_EQ(familyFor("Arial"), "Liberation Sans");
  EXPECT_EQ(familyFor("arial"), "Liberation Sans");
  EXPECT_EQ(familyFor("Courier New"), "Liberation Mono");
  EXPECT_EQ(familyFor("DejaVu Sans"), "DejaVu Sans");

  FontBook book;
  const QFont& font = book.font("t'Arial'h16w9");
  EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
  EXPECT_EQ(font.pixelSize(), 16);
}

// The widths the program's windows ask for.
TEST(FontTest, AverageLowercaseWidthIsTheOneAskedFor) {
  FontBook book;
  for (const char* spec : {"t'Arial'h16w9", "t'Arial'h15w8", "t'Arial'h16w10", "t'Arial'h12w7", "t'Arial'h13w7"}) {
    const int width = parseFontRequest(spec)->width;
    EXPECT_NEAR(averageLowercaseWidth(book.font(spec)), width, 1.0) << spec;
    // Not met by chance: the face's own width is clearly narrower.
    QFont natural = book.font(spec);
    natural.setStretch(QFont::Unstretched);
    EXPECT_LT(averageLowercaseWidth(natural), width - 0.5) << spec;
  }
  // Without a width the face keeps its own.
  EXPECT_EQ(book.font("t'Arial'h16").stretch(), QFont::AnyStretch);
}

TEST(FontTest, BadSpecificationGivesTheDefaultFontAndFontsAreMadeOnce) {
  FontBook book;
  const QFont& bad = book.font("t'Arial");
  EXPECT_EQ(bad, FontBook::defaultFont());
  EXPECT_EQ(QFontInfo(bad).family(), "Liberation Sans");
  EXPECT_EQ(&book.font("t'Arial'h16w9"), &book.font("t'Arial'h16w9"));
}

}  // namespace
}  // namespace tallyfold
