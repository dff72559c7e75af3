// The edit box on the real road: keys and characters read by the keyboard
// from records fed to the platform, clicks through its button's hot spot
// and the window's mouse listeners, the focus decided by the scenes' own
// screen unit, its text drawn on the screen with a font the engine
// compiled, and its cursor blinking on the engine's clock.
#include "EditSupport.h"
#include "graphics/RefreshScreen.h"
#include "ui/MultilineText6.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace edittest;
using picturetest::Picture;
using uitest::Log;

class CEditBox6Test : public EditTest {
protected:
    Log taken()
    {
        Log l = log;
        log.clear();
        return l;
    }
    Log log;
};

// Widths in the block font: "A" 7 (6 after a letter), "l" 3 (2 after a
// letter), a space 3, a letter the font lacks 2. The boxes are 20 wide
// unless a case says otherwise.
TEST_F(CEditBox6Test, TypingEditsAtTheCursorWrapsAndRefuses)
{
    const Log c1{"changed"}, c2{"changed", "changed"}, c3{"changed", "changed", "changed"},
        c4{"changed", "changed", "changed", "changed"};
    struct {
        const char* keys;
        bool noNewLines;
        const char* text;
        int cursor;
        Log told;
        int width = 20;
    } cases[] = {
        // "<" and ">" are typed as "@" and "$".
        {"lA<>", false, "lA@$", 4, c4},
        {"AA{LEFT}l", false, "AlA", 2, c3},
        // Home at 0 and End at the end do nothing.
        {"{HOME}{LEFT}A{END}{RIGHT}{HOME}{HOME}l", false, "lA", 1, c2},
        // Backspace and Delete tell nobody; Delete at the end does nothing.
        {"AlA{LEFT}{BS}{DEL}{DEL}", false, "A", 1, c3},
        // "AAAA" is 25 wide: the line has no space, so the break goes
        // before the character, and the cursor passes it.
        {"AAAA", false, "AAA|A", 5, c4},
        {"A AA", false, "A |AA", 5, c4},
        // What fills the line exactly stays on it: "AAA" is 19 wide, "A A " 20.
        {"AAA", false, "AAA", 3, c3, 19},
        {"A A ", false, "A A ", 4, c4},
        // Typed inside the line: the cursor stays after the character.
        {"A A{HOME}{RIGHT}A", false, "AA |A", 2, c4},
        {"AAAA", true, "AAA", 3, c3},
        {"A{ENTER}", false, "A|", 2, {"changed", "enter"}},
        {"A{ENTER}", true, "A", 1, {"changed", "enter"}},
        // The break goes to the end, wherever the cursor is.
        {"AA{LEFT}{ENTER}", false, "AA|", 2, {"changed", "changed", "enter"}},
        {"A{ESC}", false, "A", 1, {"changed", "esc"}},
    };
    for (const auto& c : cases) {
        CEditBox6* b = box(CXRect(100, 100, 100 + c.width, 130));
        NotifierLog notifier(&log);
        b->addNotifier(&notifier);
        b->setNoNewLines(c.noNewLines);
        screenUnit->activateEditBox(b);
        EXPECT_EQ(taken(), Log{"focus on"});
        typeKeys(c.keys);
        EXPECT_EQ(b->getText(), c.text) << c.keys;
        EXPECT_EQ(b->getCursorPos(), c.cursor) << c.keys;
        EXPECT_EQ(taken(), c.told) << c.keys;
        b->removeNotifier(&notifier);
        screenUnit->removeEditBox(b);
        delete b;
    }
}

TEST_F(CEditBox6Test, AnInactiveDisabledOrReadOnlyBoxIgnoresTyping)
{
    for (int state = 0; state < 3; ++state) {
        CEditBox6* b = box(CXRect(100, 100, 120, 130), "l");
        NotifierLog notifier(&log);
        if (state == 1) {
            b->enable(false);
            b->activate(true);
        } else if (state == 2) {
            b->setReadOnly(true);
            b->activate(true);
        }
        b->addNotifier(&notifier);
        typeKeys("A{ENTER}{BS}{ESC}");
        EXPECT_EQ(b->getText(), "l") << state;
        EXPECT_EQ(taken(), Log{}) << state;
        b->removeNotifier(&notifier);
        delete b;
    }
    // Disabling an active box takes its focus.
    CEditBox6* b = box(CXRect(100, 100, 120, 130));
    NotifierLog notifier(&log);
    b->addNotifier(&notifier);
    b->activate(true);
    b->enable(false);
    EXPECT_FALSE(b->isActive());
    EXPECT_EQ(taken(), (Log{"focus on", "focus off"}));
    b->removeNotifier(&notifier);
}

// A click on an inactive box (press and release on it) asks the unit for
// the focus, which puts the cursor at the end; a click outside every box
// takes it.
TEST_F(CEditBox6Test, ClicksGiveAndTakeTheFocus)
{
    CEditBox6* a = box(CXRect(100, 100, 140, 120), "lA");
    CEditBox6* b = box(CXRect(200, 100, 240, 120));
    NotifierLog toldA(&log, "A"), toldB(&log, "B");
    a->addNotifier(&toldA);
    b->addNotifier(&toldB);
    clickAt(110, 110);
    EXPECT_EQ(taken(), Log{"A focus on"});
    EXPECT_EQ(screenUnit->getCurrentEditBox(), a);
    EXPECT_EQ(a->getCursorPos(), 2);
    clickAt(120, 105); // the active box again: nothing
    clickAt(210, 110);
    EXPECT_EQ(taken(), (Log{"A focus off", "B focus on"}));
    typeKeys("l");
    EXPECT_EQ(b->getText(), "l");
    EXPECT_EQ(a->getText(), "lA");
    clickAt(400, 400);
    EXPECT_EQ(taken(), (Log{"B changed", "B focus off"}));
    EXPECT_EQ(screenUnit->getCurrentEditBox(), nullptr);
    clickAt(400, 400);
    EXPECT_EQ(taken(), Log{});

    // Moved, the box takes its clicks where it now stands.
    a->move(CXPoint(0, 100));
    EXPECT_EQ(a->getBoundingRect(), CXRect(100, 200, 140, 220));
    clickAt(110, 110);
    EXPECT_EQ(taken(), Log{});
    clickAt(110, 210);
    EXPECT_EQ(taken(), Log{"A focus on"});
    a->removeNotifier(&toldA);
    b->removeNotifier(&toldB);
}

// The cursor image stands one pixel below the top of its line, after the
// text before the cursor on that line; it stays where it was when that
// lies past the box's right edge. It blinks every 400 ms of the engine's
// clock while the box is active.
TEST_F(CEditBox6Test, TheCursorImageFollowsTheCursorAndBlinks)
{
    Picture caret = screentest::drawable(window.get(), 1, 5, [](int, int) { return uint16_t(0x07E0); });
    CEditBox6* b = box(CXRect(100, 100, 120, 130), "A |AA");
    b->setCursor(caret.get());
    b->activate(true);
    EXPECT_EQ(caret->GetPosition(), CXPoint(113, 100 + 1 + LINE_PITCH));
    const struct {
        int position;
        CXPoint at;
    } places[] = {
        {0, CXPoint(100, 101)}, {1, CXPoint(107, 101)}, {3, CXPoint(100, 106)}, {99, CXPoint(113, 106)},
    };
    for (const auto& p : places) {
        b->setCursorPos(p.position);
        EXPECT_EQ(caret->GetPosition(), p.at) << p.position;
    }
    // "AAAA" is 25 wide: the end lies past the edge.
    b->setText("AAAA");
    EXPECT_EQ(b->getCursorPos(), 4);
    b->setCursorPos(3);
    EXPECT_EQ(caret->GetPosition(), CXPoint(119, 101));
    b->setCursorPos(4);
    EXPECT_EQ(caret->GetPosition(), CXPoint(119, 101));

    b->activate(false);
    b->activate(true);
    for (int i = 0; i < 24; ++i)
        frame();
    EXPECT_TRUE(caret->IsVisible());
    frame(); // 400 ms
    EXPECT_FALSE(caret->IsVisible());
    for (int i = 0; i < 25; ++i)
        frame();
    EXPECT_TRUE(caret->IsVisible());
    for (int i = 0; i < 25; ++i)
        frame();
    b->activate(false);
    for (int i = 0; i < 100; ++i)
        frame();
    EXPECT_FALSE(caret->IsVisible());
    // Deleted while blinking, the box leaves no timer behind.
    b->activate(true);
    b->activate(false);
    b->activate(true);
    screenUnit->removeEditBox(b);
    delete b;
    for (int i = 0; i < 30; ++i)
        frame();
    EXPECT_FALSE(caret->IsVisible());
}

// "AA|A" in red in a box 9 pixels high: the first line's letters at the
// top, the second line's 5 pixels lower and cut at the box's bottom, the
// green cursor after its "A". Its blink hides the cursor; hiding the box
// leaves the cursor alone.
TEST_F(CEditBox6Test, TheTextShowsInItsColourClippedToTheBox)
{
    Picture caret = screentest::drawable(window.get(), 1, 5, [](int, int) { return uint16_t(0x07E0); });
    window->GetRefreshScreenInterface()->put(caret.get(), 5);
    CEditBox6* b = box(CXRect(100, 100, 140, 109), "AA|A", 1);
    b->setColor(int16_t(0xF800));
    b->setCursor(caret.get());
    b->activate(true);
    frame();
    const uint32_t background = shownAt(799, 599);
    auto text = [](int x, int y) {
        return (x >= 100 && x <= 104 && y >= 101 && y <= 108) || (x >= 106 && x <= 110 && y >= 101 && y <= 107);
    };
    auto cursorAt = [](int x, int y) { return x == 107 && y >= 106 && y <= 110; };
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0),
        [&](int x, int y) { return cursorAt(x, y) ? 0x07E0u : text(x, y) ? 0xF800u : background; }, "editbox_text"));
    for (int i = 0; i < 25; ++i)
        frame();
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0), [&](int x, int y) { return text(x, y) ? 0xF800u : background; }, "editbox_blink"));
    b->setVisibility(false);
    for (int i = 0; i < 25; ++i)
        frame();
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0), [&](int x, int y) { return cursorAt(x, y) ? 0x07E0u : background; }, "editbox_hidden"));
}

// A text wider than the box wraps before the word that does not fit; a
// word wider than the box stands alone after an empty line; a break leaves
// a null entry among the lines.
TEST_F(CEditBox6Test, TheDisplayWrapsWhatTheBoxWasGiven)
{
    CEditBox6* b = box(CXRect(100, 100, 120, 130), "A A A|ll  l");
    CMultilineText6* shown = static_cast<CMultilineText6*>(b->getDisplay());
    auto lines = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < shown->getLineCount(); ++i) {
            CText6* line = shown->getLine(i);
            // Each line is stored in the text's colour.
            out.push_back(line ? std::string(line->getText().c_str()) : "null");
        }
        return out;
    };
    EXPECT_EQ(lines(), (std::vector<std::string>{"<COLOR65535>A A<COLOR>", "<COLOR65535>A<COLOR>", "null",
                                                 "<COLOR65535>ll  l<COLOR>"}));
    b->setText("AAAA A");
    EXPECT_EQ(lines(), (std::vector<std::string>{"<COLOR65535><COLOR>", "<COLOR65535>AAAA<COLOR>",
                                                 "<COLOR65535>A<COLOR>"}));
    b->setText("");
    EXPECT_EQ(shown->getLineCount(), 0);
}

} // namespace
