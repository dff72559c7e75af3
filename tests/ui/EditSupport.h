#pragma once
// What the tests of the edit box share: the scenes' own screen unit with an
// application (without one the window passes no key on), keys typed
// through the platform as the keyboard reads them, and a font the engine
// compiles from block glyphs, in a font collection as a FONT object gives
// it to its boxes: "A" a 5 x 7 block and "l" a 1 x 7 bar in
// cells 9 rows high, so that lines stand 9 - 4 = 5 pixels apart. Any two
// letters touch over their whole height, which kerns a letter after
// another by 1: "A" measures 5 + 2 = 7 alone and 6 after a letter, "l" 3
// and 2, a space 3 (as wide as "l", never kerned).
#include "FontSupport.h"
#include "InputSupport.h"
#include "media/Animo.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "ui/EditBox6.h"
#include "ui/FontCollection.h"
#include "ui/SimpleFont6.h"
#include "ui/Unit6.h"

#include <memory>
#include <string>
#include <vector>

namespace edittest {

inline const std::vector<fonttest::GlyphArt>& blockGlyphs()
{
    static const std::vector<fonttest::GlyphArt> art = {
        {"A", 0x8410,
         {".......", ".#####.", ".#####.", ".#####.", ".#####.", ".#####.", ".#####.", ".#####.", "......."}},
        {"l", 0x8410, {"...", ".#.", ".#.", ".#.", ".#.", ".#.", ".#.", ".#.", "..."}},
    };
    return art;
}
const int GLYPH_HEIGHT = 9, LINE_PITCH = 5;

class EditTest : public uitest::InputTest {
protected:
    explicit EditTest(int depth = 16) : InputTest(false, depth)
    {
        screenUnit = CUnit6::getDefUnit();
        screenUnit->initialize(scene, screenUnit);
        frame();
        CAnimo glyphs(window.get());
        fonttest::fillAnimation(glyphs, blockGlyphs());
        font.reset(new CSimpleFont6(window.get()));
        EXPECT_EQ(font->create(&glyphs, CXString("blocks.fnt")), 0);
        fonts.reset(new CFontCollection(window.get()));
        fonts->addFont(font.get());
    }
    // The boxes go while the window they listen to is there.
    ~EditTest() override { screenUnit->flushEditBoxes(); }

    CEditBox6* box(CXRect rect, const char* text = "", int priority = 0)
    {
        return screenUnit->addEditBox(fonts.get(), rect, priority, CXString(text));
    }

    // Types what the text spells, a frame a key: letters (capitals with
    // shift), a space, "<", ">" and ".", and keys in braces: {BS}, {DEL},
    // {HOME}, {END}, {LEFT}, {RIGHT}, {ENTER}, {ESC}.
    void typeKeys(const std::string& keysText)
    {
        static const std::pair<const char*, uint32_t> named[] = {
            {"BS", 0x0E},    {"DEL", 0xD3},   {"HOME", 0xC7},  {"END", 0xCF},
            {"LEFT", 0xCB},  {"RIGHT", 0xCD}, {"ENTER", 0x1C}, {"ESC", 0x01},
        };
        static const std::string rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM,./"};
        static const uint32_t rowStart[] = {0x10, 0x1E, 0x2C};
        for (size_t i = 0; i < keysText.size(); ++i) {
            char c = keysText[i];
            if (c == '{') {
                const size_t end = keysText.find('}', i);
                const std::string name = keysText.substr(i + 1, end - i - 1);
                for (const auto& n : named)
                    if (name == n.first)
                        type(n.second);
                i = end;
                continue;
            }
            if (c == ' ') {
                type(0x39);
                continue;
            }
            const bool shift = (c >= 'A' && c <= 'Z') || c == '<' || c == '>';
            c = c == '<' ? ',' : c == '>' ? '.' : char(c >= 'a' && c <= 'z' ? c - 32 : c);
            for (int r = 0; r < 3; ++r) {
                const size_t at = rows[r].find(c);
                if (at == std::string::npos)
                    continue;
                if (shift)
                    keys().key(0x2A, true);
                type(rowStart[r] + uint32_t(at));
                if (shift) {
                    keys().key(0x2A, false);
                    frame();
                }
            }
        }
    }
    // A press and a release at the point, in frames of their own.
    void clickAt(int x, int y)
    {
        moveTo(x, y);
        click();
    }

    CUnit6* screenUnit = nullptr;
    std::unique_ptr<CSimpleFont6> font;
    std::unique_ptr<CFontCollection> fonts;
};

// Writes what an edit box tells, as "focus on", "changed"...
struct NotifierLog : CEditBoxNotifier {
    explicit NotifierLog(uitest::Log* l, const std::string& n = "") : log(l), name(n.empty() ? n : n + " ") {}
    void onFocusOn(CEditBox6*) override { log->push_back(name + "focus on"); }
    void onFocusOff(CEditBox6*) override { log->push_back(name + "focus off"); }
    void onChanged(CEditBox6*) override { log->push_back(name + "changed"); }
    void onEnter(CEditBox6*) override { log->push_back(name + "enter"); }
    void onEsc(CEditBox6*) override { log->push_back(name + "esc"); }
    uitest::Log* log;
    std::string name;
};

} // namespace edittest
