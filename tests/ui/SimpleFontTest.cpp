// The bitmap font: compiled from an animation in memory and from its file,
// the font file written byte for byte and read back table by table, letters
// measured and drawn into a drawable and onto the screen, and font files
// that are missing, short or damaged.
#include "FontSupport.h"
#include "base/File.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ScreenSupport.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/FontCollection.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

using namespace fonttest;

namespace {

class CSimpleFont6Test : public screentest::HeadlessScreen {
protected:
    CSimpleFont6Test() { window = makeWindow(); }

    std::string path(const char* name) { return platform::toEnginePath(tmp.file(name)); }
    // The glyphs compiled into "font.fnt".
    std::unique_ptr<CSimpleFont6> compiled()
    {
        std::unique_ptr<CSimpleFont6> font(new CSimpleFont6(window.get()));
        EXPECT_EQ(compile(*font, path("font.fnt")), 0);
        return font;
    }
    std::unique_ptr<CSimpleFont6> loaded(const std::string& bytes)
    {
        tmp.write("loaded.fnt", bytes);
        return std::unique_ptr<CSimpleFont6>(new CSimpleFont6(window.get(), CXString(path("loaded.fnt").c_str())));
    }

    testsupport::TempDir tmp;
    std::unique_ptr<CWindow> window;
};

// The font's tables against those worked out from the pictures.
void expectTables(CSimpleFont6& font)
{
    ASSERT_EQ(font.getLetterCount(), GLYPHS);
    EXPECT_EQ(std::string(font.getLetters().begin(), font.getLetters().end()), LETTERS);
    EXPECT_EQ(font.getLeftMargins(), std::vector<int8_t>(LEFT, LEFT + GLYPHS));
    EXPECT_EQ(font.getRightMargins(), std::vector<int8_t>(RIGHT, RIGHT + GLYPHS));
    EXPECT_EQ(font.getKerningTable(), std::vector<int8_t>(&KERNING[0][0], &KERNING[0][0] + GLYPHS * GLYPHS));
    EXPECT_EQ(font.Width(), CELL_W * GLYPHS);
    EXPECT_EQ(font.Height(), CELL_H);
    for (int y = 0; y < CELL_H; ++y)
        for (int x = 0; x < CELL_W * GLYPHS; ++x) {
            uint16_t c;
            uint8_t a;
            stripAt(x, y, &c, &a);
            uint16_t shown;
            std::memcpy(&shown, font.GetDataPtr() + (y * font.Width() + x) * 2, 2);
            ASSERT_EQ(shown, c) << x << "," << y;
            ASSERT_EQ(uint8_t(font.GetChannelAlpha()[y * font.Width() + x]), a) << x << "," << y;
        }
}

TEST_F(CSimpleFont6Test, CompiledFromAnAnimationWrittenByteForByteAndReadBackTableByTable)
{
    std::unique_ptr<CSimpleFont6> font = compiled();
    expectTables(*font);
    EXPECT_EQ(tmp.read("font.fnt"), expectedFile());

    std::unique_ptr<CSimpleFont6> back(new CSimpleFont6(window.get(), CXString(path("font.fnt").c_str())));
    EXPECT_EQ(back->LastError(), 0);
    expectTables(*back);

    // The same from the animation's own file, as the engine writes it.
    CAnimo animation(window.get());
    fillAnimation(animation);
    ASSERT_EQ(animation.Save(CXString(path("glyphs.ann").c_str()), COMPRESSION_NONE), 0);
    CSimpleFont6 fromFile(window.get());
    EXPECT_EQ(fromFile.create(CXString(path("glyphs.ann").c_str()), CXString(path("again.fnt").c_str())), 0);
    EXPECT_EQ(tmp.read("again.fnt"), expectedFile());
}

TEST_F(CSimpleFont6Test, AnAnimationThatMakesNoFontWritesNothing)
{
    std::vector<GlyphArt> unnamed = glyphs();
    unnamed[2].name = nullptr;
    CAnimo animation(window.get());
    fillAnimation(animation, unnamed);
    CSimpleFont6 font(window.get());
    EXPECT_EQ(font.create(&animation, CXString(path("unnamed.fnt").c_str())), CGraphicsObject::ERROR_DAMAGED);
    EXPECT_EQ(font.getLetterCount(), 0);
    EXPECT_FALSE(CFile::fileExists(CXString(path("unnamed.fnt").c_str())));

    // A glyph wider than a font may have.
    std::vector<GlyphArt> wide = glyphs();
    wide[1].rows.assign(3, std::string(4097, '#'));
    CAnimo wideAnimation(window.get());
    fillAnimation(wideAnimation, wide);
    EXPECT_EQ(font.create(&wideAnimation, CXString(path("wide.fnt").c_str())), CGraphicsObject::ERROR_DAMAGED);
    EXPECT_FALSE(CFile::fileExists(CXString(path("wide.fnt").c_str())));

    CAnimo empty(window.get());
    EXPECT_EQ(font.create(&empty, CXString(path("empty.fnt").c_str())), CGraphicsObject::ERROR_DAMAGED);
    EXPECT_EQ(font.create(CXString(path("nosuch.ann").c_str()), CXString(path("none.fnt").c_str())),
              CFile::ERROR_OPEN);

    // A font file that cannot be made: the compiled font stays.
    EXPECT_EQ(compile(font, path("no/such/folder/font.fnt")), CFile::ERROR_OPEN);
    expectTables(font);
}

TEST_F(CSimpleFont6Test, LettersAreMeasuredWithTheirKerning)
{
    std::unique_ptr<CSimpleFont6> font = compiled();
    CSimpleFont6& f = *font;
    struct {
        char prev, c;
        int width, real;
    } cases[] = {
        {0, 'A', 3, 3},
        {'A', '<', 4 - 1, 4},
        {'<', '.', 1 + 2, 1},
        {'>', '<', 4 + 3, 4},
        {'>', '@', 4 + 3, 4},  // "@" is "<"
        {'@', '$', 4 - 1, 4},  // "$" is ">", after "<"
        {'l', 'A', 3, 3},
        {'Z', 'A', 3, 3},      // no kerning after a letter the font lacks
        {'A', 'Z', 0, 0},
        {'A', 0, 0, 0},
        {'A', ' ', 2, 2},      // a space is as wide as "l"
        {'A', '~', 1, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f.getLetterWidth(c.prev, c.c), c.width) << c.prev << c.c;
        EXPECT_EQ(f.getRealLetterWidth(c.c), c.real) << c.c;
    }
    EXPECT_EQ(f.getKerning('>', '.'), -3);
    EXPECT_EQ(f.getKerning('Z', '.'), 0);
    EXPECT_EQ(f.indexOf('$'), 4);
}

// The text "A<@.Z ~>~" drawn letter after letter into a black drawable,
// as a text draws it: each letter at the pen less its kerning after the
// one before, the pen moving on by the advance drawLetter answers.
TEST_F(CSimpleFont6Test, LettersAreDrawnAtTheirKernedPlaces)
{
    std::unique_ptr<CSimpleFont6> font = compiled();
    auto target = screentest::drawable(window.get(), 44, 8, [](int, int) { return uint16_t(0); });
    font->SetDestiny(target.get());

    const char text[] = "A<@.Z ~>~";
    const int advances[] = {5, 5, 8, 5, 2, 4, 3, 6, 3};
    int pen = 2;
    char prev = 0;
    for (int i = 0; text[i]; ++i) {
        EXPECT_EQ(font->drawLetter(pen, 1, prev, text[i]), advances[i]) << i;
        pen += advances[i];
        prev = text[i];
    }
    EXPECT_TRUE(font->GetClippingRect().IsEmpty());

    // Where each glyph's visible part went: (glyph, first cell column shown,
    // left edge on the target).
    std::map<std::pair<int, int>, uint16_t> expected;
    auto stamp = [&expected](int glyph, int at) {
        const GlyphArt& g = glyphs()[size_t(glyph)];
        for (int c = LEFT[glyph]; c < CELL_W - RIGHT[glyph]; ++c)
            for (int y = 0; y < CELL_H; ++y)
                if (c < g.width() && inside(g, c, y) && g.alphaAt(c, y) == 255)
                    expected[{at + c - LEFT[glyph], 1 + y}] = g.colour;
    };
    stamp(0, 2);  // "A", no kerning
    stamp(2, 6);  // "<" after "A": kerning 1
    stamp(2, 14); // "@" after "<": -2
    stamp(3, 22); // "." after "<": -2
    stamp(4, 34); // ">" after "~": none
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 44; ++x) {
            auto at = expected.find({x, y});
            uint16_t shown;
            std::memcpy(&shown, target->GetDataPtr() + (y * 44 + x) * 2, 2);
            ASSERT_EQ(shown, at == expected.end() ? 0 : at->second) << x << "," << y;
        }

    // A clipping rectangle given for a letter narrows it, relative to its
    // visible part (its right column included), and stays set.
    auto narrow = screentest::drawable(window.get(), 10, 8, [](int, int) { return uint16_t(0); });
    font->SetDestiny(narrow.get());
    font->SetClippingRect('>', CXRect(1, 0, 2, CELL_H));
    font->drawLetter(0, 0, 0, '>');
    EXPECT_EQ(font->GetClippingRect(), CXRect(4 * CELL_W + 2, 0, 4 * CELL_W + 3, CELL_H));
    for (int x = 0; x < 10; ++x) {
        uint16_t shown;
        std::memcpy(&shown, narrow->GetDataPtr() + (1 * 10 + x) * 2, 2);
        EXPECT_EQ(shown, x == 1 || x == 2 ? 0xFFFF : 0) << x;
    }
}

// The same letters on the screen: a drawable the text is drawn into, shown
// by the window's frame.
TEST_F(CSimpleFont6Test, TextDrawnWithTheFontShowsOnTheScreen)
{
    std::unique_ptr<CSimpleFont6> font = compiled();
    font->setColor(0x001F);
    EXPECT_EQ(font->getColor(), 0x001F);
    auto label = screentest::drawable(window.get(), 20, 7, [](int, int) { return uint16_t(0x4208); });
    font->SetDestiny(label.get());
    int pen = 1;
    pen += font->drawLetter(pen, 1, 0, '>');
    font->drawLetter(pen, 1, '>', '<');
    label->SetPosition(100, 50);
    window->GetRefreshScreenInterface()->put(label.get(), 5);
    clockNow.advance(16);
    window->Tick();
    // ">" over columns 1..4 of its row 1, then "<" (kerning -3) at 1 + 6 + 3.
    auto ink = [](int x, int y) {
        if (y == 2 && x >= 1 && x <= 4)
            return true;
        const int lx = x - 10; // "<": its cell columns 1..4 from 10 on
        return (y == 2 && lx == 3) || (y == 3 && lx == 1) || (y == 4 && lx == 0);
    };
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0),
        [&](int x, int y) -> uint32_t {
            if (x < 100 || y < 50 || x >= 120 || y >= 57)
                return 0;
            return ink(x - 100, y - 50) ? 0x001F : 0x4208;
        },
        "font_text"));
    window->GetRefreshScreenInterface()->operator>>(label.get());
}

// Every glyph pixel takes the colour; the shapes stay.
TEST_F(CSimpleFont6Test, SetColorPaintsTheWholeStrip)
{
    std::unique_ptr<CSimpleFont6> font = compiled();
    std::string alphaBefore(font->GetChannelAlpha(), size_t(font->Width() * font->Height()));
    font->setColor(0x1F);
    const uint16_t* words = reinterpret_cast<const uint16_t*>(font->GetDataPtr());
    for (int i = 0; i < font->Width() * font->Height(); ++i)
        ASSERT_EQ(words[i], 0x001F) << i;
    EXPECT_EQ(std::string(font->GetChannelAlpha(), alphaBefore.size()), alphaBefore);
}

// Files that are missing, cut short or that announce what they cannot
// hold: error 2000 and an empty font that draws nothing.
TEST_F(CSimpleFont6Test, DamagedFontFilesGiveAnEmptyFontAndError2000)
{
    const std::string good = expectedFile();
    auto header = [](int32_t w, int32_t h, int32_t bpp, int32_t n) {
        std::string s("FNT", 4);
        put32(s, uint32_t(w));
        put32(s, uint32_t(h));
        put32(s, uint32_t(bpp));
        put32(s, uint32_t(n));
        return s;
    };
    struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"magic only", good.substr(0, 4)},
        {"header cut", good.substr(0, 19)},
        {"letters cut", good.substr(0, 22)},
        {"kerning cut", good.substr(0, 40)},
        {"pixels cut", good.substr(0, 200)},
        {"last alpha byte missing", good.substr(0, good.size() - 1)},
        {"no letters", header(30, 5, 16, 0) + good.substr(20)},
        {"negative count", header(30, 5, 16, -5) + good.substr(20)},
        {"24 bits", header(30, 5, 24, 5) + good.substr(20)},
        {"negative width", header(-30, 5, 16, 5) + good.substr(20)},
        {"huge strip", header(0x7FFFFFFF, 0x7FFFFFFF, 16, 5) + good.substr(20)},
        {"huge count", header(30, 5, 16, 0x7FFFFFFF) + good.substr(20)},
        // No pixels, yet a letter wider than any sum of places can take.
        {"cells 2^31 - 1 wide, no rows", header(0x7FFFFFFF, 0, 16, 1) + std::string("a\0\0\x80", 4)},
        {"cells 4097 wide", header(2 * 4097, 1, 16, 2) + std::string(10, 'a') + std::string(2 * 4097 * 3, '\0')},
        {"4097 rows", header(1, 4097, 16, 1) + std::string(4, 'a') + std::string(4097 * 3, '\0')},
    };
    auto target = screentest::drawable(window.get(), 10, 8, [](int, int) { return uint16_t(0); });
    for (const auto& c : cases) {
        std::unique_ptr<CSimpleFont6> font = loaded(c.bytes);
        EXPECT_EQ(font->LastError(), CFile::ERROR_OPEN) << c.what;
        EXPECT_EQ(font->getLetterCount(), 0) << c.what;
        EXPECT_EQ(font->Width(), 0) << c.what;
        font->SetDestiny(target.get());
        EXPECT_EQ(font->drawLetter(0, 0, 0, 'A'), 2) << c.what;
    }
    EXPECT_EQ(std::string(target->GetDataPtr(), 10 * 8 * 2), std::string(10 * 8 * 2, '\0'));

    CSimpleFont6 missing(window.get(), CXString(path("nosuch.fnt").c_str()));
    EXPECT_EQ(missing.LastError(), CFile::ERROR_OPEN);
    // A loaded font that then meets a bad file is emptied.
    std::unique_ptr<CSimpleFont6> font = loaded(good + "trailing bytes are not read");
    EXPECT_EQ(font->LastError(), 0);
    EXPECT_EQ(font->getLetterCount(), GLYPHS);
    tmp.write("short.fnt", good.substr(0, 100));
    EXPECT_EQ(font->Load(CXString(path("short.fnt").c_str())), CFile::ERROR_OPEN);
    EXPECT_EQ(font->getLetterCount(), 0);
    // The widest and the tallest glyph a font may have are read.
    font = loaded(header(2 * 4096, 1, 16, 2) + "ab" + std::string(8, '\0') + std::string(2 * 4096 * 3, '\0'));
    EXPECT_EQ(font->LastError(), 0);
    EXPECT_EQ(font->getRealLetterWidth('b'), 4096);
    font = loaded(header(1, 4096, 16, 1) + "a" + std::string(3, '\0') + std::string(4096 * 3, '\0'));
    EXPECT_EQ(font->LastError(), 0);
    EXPECT_EQ(font->Height(), 4096);
}

// The collection measures and draws with its base font, colours every
// member and finds members by family, style and size.
TEST(CFontCollectionTest, TheBaseFontDrawsAndEveryMemberTakesTheColour)
{
    CFontCollection none(nullptr);
    EXPECT_TRUE(none.isMultifont());
    EXPECT_EQ(none.getLetterWidth(0, 'A'), 0);
    EXPECT_EQ(none.getRealLetterWidth('A'), 0);
    EXPECT_EQ(none.Height(), 0);
    EXPECT_EQ(none.drawLetter(0, 0, 0, 'A'), 0);

    testsupport::TempDir tmp;
    const std::string file = platform::toEnginePath(tmp.file("f.fnt"));
    tmp.write("f.fnt", expectedFile());
    CSimpleFont6 regular(nullptr, CXString(file.c_str())), bold(nullptr, CXString(file.c_str())),
        boldAgain(nullptr, CXString(file.c_str()));
    regular.setFamily("Arial");
    regular.setStyle("STANDARD");
    regular.setSize(12);
    bold.setFamily("Arial");
    bold.setStyle("BOLD");
    bold.setSize(12);
    boldAgain.setFamily("ARIAL");
    boldAgain.setStyle("bold");
    boldAgain.setSize(12);

    CFontCollection c(nullptr);
    c.addFont(&regular);
    c.addFont(&bold);
    c.addFont(&regular);
    c.addFont(&boldAgain);
    EXPECT_EQ(c.getFontCount(), 3);
    EXPECT_EQ(c.getBaseFont(), &regular);
    EXPECT_EQ(c.get("arial", "Bold", 12), &bold);
    EXPECT_EQ(c.get("arial", "Bold", 10), nullptr);
    EXPECT_EQ(c.get("times", "Bold", 12), nullptr);
    EXPECT_EQ(c.Height(), CELL_H);
    EXPECT_EQ(c.getLetterWidth('>', '<'), 7);

    c.setColor(0x07E0);
    c.SetOpacity(128);
    for (CSimpleFont6* f : {&regular, &bold, &boldAgain}) {
        EXPECT_EQ(f->getColor(), 0x07E0);
        EXPECT_EQ(f->GetOpacity(), 128);
        EXPECT_EQ(reinterpret_cast<const uint16_t*>(f->GetDataPtr())[7], 0x07E0);
    }
    // Switching the base font keeps the colour.
    c.setBaseFont(&bold);
    EXPECT_EQ(c.getBaseFont()->getColor(), 0x07E0);
    EXPECT_EQ(c.setDefColor(-1), -1);
    EXPECT_EQ(c.getDefColor(), -1);
}

} // namespace
