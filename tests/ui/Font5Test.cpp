// The older bitmap font: letters read from an animation file that the
// engine's own writer made, plain and packed, measured and drawn onto a
// drawable.
#include "FontSupport.h"
#include "graphics/ScreenSupport.h"
#include "media/Animo.h"
#include "media/Frame.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "support/TestSupport.h"
#include "ui/Font5.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Frames A (10 x 6, red), B (8 x 4), a second A (4 x 3), one without a
// name and C (6 x 5), all ink.
fonttest::GlyphArt block(const char* name, uint16_t colour, int w, int h)
{
    return fonttest::GlyphArt{name, colour, std::vector<std::string>(size_t(h), std::string(size_t(w), '#'))};
}

class CFont5Test : public screentest::HeadlessScreen, public ::testing::WithParamInterface<_compression> {
protected:
    CFont5Test()
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        window = makeWindow();
        CAnimo letters(window.get());
        fonttest::fillAnimation(letters, {block("A", 0xF800, 10, 6), block("B", 0x07E0, 8, 4),
                                          block("A", 0x001F, 4, 3), block(nullptr, 0xFFFF, 3, 2),
                                          block("Cee", 0xFFE0, 6, 5)});
        EXPECT_EQ(letters.Save(CXString("letters.ann"), GetParam()), 0);
        CAnimo read(window.get(), CXString("letters.ann"));
        EXPECT_EQ(read.GetFrame(0)->GetCompression(), GetParam());
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    std::unique_ptr<CWindow> window;
};

TEST_P(CFont5Test, LettersAreTheFramesNamedInTheFirstEvent)
{
    CMElement record(CXString("F"));
    record.addProperty(CXString("FILENAME"), CXString("letters.ann"));
    CFont5 font(window.get(), &record);
    EXPECT_EQ(font.LastError(), 0);
    EXPECT_EQ(font.getFileName(), "letters.ann");
    EXPECT_EQ(font.getAlphabet(), CXString("ABA\0C", 5));
    // A letter twice in the alphabet is its first frame; a frame without a
    // name keeps the letters after it on their frames.
    EXPECT_EQ(font.getLetterWidth('A'), 10);
    EXPECT_EQ(font.getLetterHeight('A'), 6);
    EXPECT_EQ(font.getLetterWidth('B'), 8);
    EXPECT_EQ(font.getLetterWidth('C'), 6);
    EXPECT_EQ(font.getLetterSize('Z').cx, 0);
    EXPECT_EQ(font.getLetterSize('Z').cy, 0);
    EXPECT_EQ(font.getLetterWidth('\0'), 0);
    EXPECT_EQ(font.getAlphabetHeight(), 6);
    // A space is as wide as "A" and takes no spacing; a missing letter
    // takes the spacing alone.
    EXPECT_EQ(font.getLengthInPixels("AB A", 2), 12 + 10 + 10 + 12);
    EXPECT_EQ(font.getLengthInPixels("AZ", 2), 12 + 2);
    EXPECT_EQ(font.getLengthInPixels("", 2), 0);
}

// The letter's top-left corner lands on the point; its four corner pixels
// are left out.
TEST_P(CFont5Test, ALetterIsDrawnAtThePointWithoutItsCorners)
{
    CFont5 font(window.get(), CXString("letters.ann"));
    std::unique_ptr<CGraphicsObject> page(new CGraphicsObject(window.get(), CXSize(40, 20), 16));
    font.setDestiny(page.get());
    EXPECT_EQ(font.drawLetter(CXPoint(5, 3), 'A'), 10);
    EXPECT_EQ(font.drawLetter(30, 0, 'Z'), 0);
    EXPECT_EQ(font.drawLetter(20, 10, 'B'), 8);
    const uint16_t* pixels = reinterpret_cast<const uint16_t*>(page->GetDataPtr());
    auto expected = [](int x, int y) -> uint16_t {
        const bool a = x >= 5 && x < 15 && y >= 3 && y < 9, b = x >= 20 && x < 28 && y >= 10 && y < 14;
        const bool aCorner = (x == 5 || x == 14) && (y == 3 || y == 8);
        const bool bCorner = (x == 20 || x == 27) && (y == 10 || y == 13);
        return a && !aCorner ? 0xF800 : b && !bCorner ? 0x07E0 : 0;
    };
    int wrong = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            if (pixels[y * 40 + x] != expected(x, y) && wrong++ == 0)
                ADD_FAILURE() << "(" << x << ", " << y << ") is " << pixels[y * 40 + x];
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacked, CFont5Test, ::testing::Values(COMPRESSION_NONE, COMPRESSION_RLE2));

// A file that cannot be read gives an empty font that says so.
TEST(CFont5, AMissingFileGivesAnEmptyFont)
{
    CFont5 font(nullptr);
    EXPECT_FALSE(font.load(CXString("nosuch.ann")));
    EXPECT_NE(font.LastError(), 0);
    EXPECT_EQ(font.getAnimation(), nullptr);
    EXPECT_EQ(font.getLengthInPixels("AB", 2), 4);
    EXPECT_EQ(font.drawLetter(0, 0, 'A'), 0);
    EXPECT_EQ(font.getAlphabetHeight(), 0);
}

} // namespace
