#pragma once
// What the tests of the formatted texts share: a headless window and a
// font collection of two fonts the engine compiles from block glyphs, of
// one family and size, "STANDARD" and "BOLD". Each glyph is a block of ink
// over rows 1 to 5 of a cell 7 rows high, so that lines stand 7 - 4 = 3
// pixels apart. Any two letters touch over their whole height, which kerns
// a letter after another by 1; a space is 2 wide (the fonts have no "l").
#include "FontSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ScreenSupport.h"
#include "media/Animo.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/FontCollection.h"
#include "ui/MultilineText6.h"
#include "ui/SimpleFont6.h"
#include "ui/Text6.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace texttest {

const int GLYPH_HEIGHT = 7, INK_TOP = 1, INK_BOTTOM = 5, LINE_PITCH = 3;

// A block of ink that wide, named by its letter.
inline fonttest::GlyphArt block(const char* name, int ink)
{
    fonttest::GlyphArt g{name, 0x8410, {}};
    for (int y = 0; y < GLYPH_HEIGHT; ++y) {
        const bool inked = y >= INK_TOP && y <= INK_BOTTOM;
        g.rows.push_back("." + std::string(size_t(ink), inked ? '#' : '.') + ".");
    }
    return g;
}

// The ink widths of the letters in each font.
inline const std::map<char, int>& standardInk()
{
    static const std::map<char, int> ink = {{'a', 3}, {'b', 1}, {'<', 2}, {'_', 2}};
    return ink;
}
inline const std::map<char, int>& boldInk()
{
    static const std::map<char, int> ink = {{'a', 5}, {'b', 2}, {'<', 2}, {'_', 2}};
    return ink;
}

// Compiles the block letters of ink into the font file (an engine path);
// the font is of family "Blocks", the style given and size 7.
inline std::unique_ptr<CSimpleFont6> compileBlocks(CWindow* window, const std::string& file,
                                                   const std::map<char, int>& ink, const char* style)
{
    std::vector<fonttest::GlyphArt> art;
    std::vector<std::string> names;
    for (const auto& letter : ink)
        names.push_back(std::string(1, letter.first));
    size_t i = 0;
    for (const auto& letter : ink)
        art.push_back(block(names[i++].c_str(), letter.second));
    CAnimo glyphs(window);
    fonttest::fillAnimation(glyphs, art);
    std::unique_ptr<CSimpleFont6> font(new CSimpleFont6(window));
    EXPECT_EQ(font->create(&glyphs, CXString(file.c_str())), 0);
    font->setFamily("Blocks");
    font->setStyle(style);
    font->setSize(7);
    return font;
}

class TextTest : public screentest::HeadlessScreen {
protected:
    explicit TextTest(int depth = 16)
    {
        backend.setDesktopDepth(depth);
        window = makeWindow();
        standard = compile("standard.fnt", standardInk(), "STANDARD");
        bold = compile("bold.fnt", boldInk(), "BOLD");
        fonts.reset(new CFontCollection(window.get()));
        fonts->addFont(standard.get());
        fonts->addFont(bold.get());
    }

    std::unique_ptr<CSimpleFont6> compile(const char* file, const std::map<char, int>& ink, const char* style)
    {
        return compileBlocks(window.get(), platform::toEnginePath(tmp.file(file)), ink, style);
    }

    // Shows the drawables put on the screen in a frame.
    void frame()
    {
        clockNow.advance(16);
        window->Tick();
    }

    testsupport::TempDir tmp;
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CSimpleFont6> standard, bold;
    std::unique_ptr<CFontCollection> fonts;
};

// The lines' markups ("null" for a break), each line's text as stored.
inline std::vector<std::string> linesOf(CMultilineText6& text)
{
    std::vector<std::string> out;
    for (int i = 0; i < text.getLineCount(); ++i) {
        CText6* line = text.getLine(i);
        out.push_back(line ? std::string(line->getText().c_str()) : "null");
    }
    return out;
}

} // namespace texttest
