// The formatted text: the codes a markup string parses to, the colour
// argument and the edit-field body, the colour wrapper, placing by the
// justification, measuring, and the word queries after a draw.
#include "TextSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace texttest;

// The codes as "text:a", "font:BOLD", "break", "colour:-2048",
// "field:120/NAME/Hello", joined by spaces.
std::string codesOf(CText6& text)
{
    std::string out;
    for (int i = 0; i < text.getCodeCount(); ++i) {
        CTextFormatCode* c = text.getCode(i);
        std::string one;
        switch (c->getMode()) {
        case CTextFormatCode::TEXT: one = "text:" + std::string(c->getText().c_str()); break;
        case CTextFormatCode::FONT: one = "font:" + std::string(c->getFont()->getStyle().c_str()); break;
        case CTextFormatCode::BREAK: one = "break"; break;
        case CTextFormatCode::COLOR: one = "colour:" + std::to_string(c->getColor()); break;
        case CTextFormatCode::EDIT:
            one = "field:" + std::to_string(c->getWidth()) + "/" + c->getName().c_str() + "/" + c->getText().c_str();
            break;
        default: one = "mode" + std::to_string(c->getMode()); break;
        }
        out += (out.empty() ? "" : " ") + one;
    }
    return out;
}

TEST(CTextFormatCodeTest, ColourArgumentsPackForTheScreensDepth)
{
    const struct {
        const char* argument;
        int depth;
        int colour;
    } cases[] = {
        {",255,0,0", 16, -2048},  {",255,0,0", 15, 0x7C00},  {"255,255,255", 16, -1}, {"255,255,255", 15, 32767},
        {"0,0,0", 16, 0},         {"-2048", 16, -2048},      {"", 16, 0},            {",,255", 16, -2048},
        {"0,0,255", 16, 31},      {"0,255", 15, 0x03E0},     {"0,4,0", 16, 32},
        // Red's bits beyond the 16-bit word are dropped.
        {"300,0,0", 16, 0x2800},
    };
    for (const auto& c : cases) {
        CTextFormatCode code(c.depth, CTextFormatCode::COLOR, CXString(c.argument));
        EXPECT_EQ(code.getColor(), c.colour) << c.argument << " at " << c.depth;
        EXPECT_EQ(code.getText(), "") << c.argument;
    }
}

TEST(CTextFormatCodeTest, AnEditFieldBodySplitsIntoWidthNameAndText)
{
    const struct {
        const char* body;
        int width;
        const char* name;
        const char* text;
    } cases[] = {
        {"E,120,NAME,Hello", 120, "NAME", "Hello"},
        {"E,80", 80, "", ""},
        {"E,10,N,T,more", 10, "N", "T"},
        // Empty pieces do not count.
        {"E,,30,,N", 30, "N", ""},
    };
    for (const auto& c : cases) {
        CTextFormatCode code(16, CTextFormatCode::EDIT, CXString(c.body));
        EXPECT_EQ(code.getMode(), CTextFormatCode::EDIT);
        EXPECT_EQ(code.getWidth(), c.width) << c.body;
        EXPECT_EQ(code.getName(), c.name) << c.body;
        EXPECT_EQ(code.getText(), c.text) << c.body;
    }
    CTextFormatCode copy(0, CTextFormatCode::BREAK, CXString("ignored"));
    copy = CTextFormatCode(16, CTextFormatCode::EDIT, CXString("E,5,A,B"));
    EXPECT_EQ(copy.getName(), "A");
    EXPECT_EQ(CTextFormatCode(16, CTextFormatCode::BREAK, CXString()).getText(), "");
}

class CText6Test : public TextTest {
protected:
    CText6Test() : text(window.get(), false, nullptr) {}
    CText6 text;
};

TEST_F(CText6Test, MarkupParsesToCodes)
{
    text.setFont(fonts.get());
    text.setColor(0);
    const struct {
        const char* markup;
        const char* codes;
    } cases[] = {
        {"a|b", "text:a break text:b"},
        {"a\rb", "text:a break text:b"},
        {"a\nb", "text:ab"},
        {"a||", "text:a break break"},
        {"x<B>y<B>z", "text:x font:BOLD text:y font:STANDARD text:z"},
        {"<b>y<b>", "font:BOLD text:y font:STANDARD"},
        {"<e,10>", "text:e,10>"},
        {"<E>x", "text:E>x"},
        {"<xyz>", "text:xyz>"},
        {"a<b<B>c", "text:a<b font:BOLD text:c"},
        {"a<b", "text:a<b"},
        {"a<<c>", "text:a< text:c>"},
        {"@B$", "text:@B$"},
        {"a\tb", "text:a        b"},
        {"<E,120,NAME,Hello>!", "field:120/NAME/Hello text:!"},
        {"x<COLOR,255,0,0>y", "text:x colour:-2048 text:y"},
        {"x<COLOR-2048>y<COLOR>", "text:x colour:-2048 text:y colour:0"},
        // A text that starts with a colour is taken for one stored in a
        // colour: its colour codes go.
        {"<COLOR,255,0,0>x<COLOR31>y", "text:xy"},
        // The collection has no italic or underline: the font stays.
        {"<I>a<B>b<I>c<B>", "text:a font:BOLD text:b text:c font:STANDARD"},
        {"<B><U>x<LS><B>", "font:BOLD text:x font:STANDARD"},
        {"", ""},
    };
    for (const auto& c : cases) {
        text.setText(c.markup);
        EXPECT_EQ(codesOf(text), c.codes) << c.markup;
    }
    EXPECT_TRUE(CText6::checkCode("us"));
    EXPECT_FALSE(CText6::checkCode("BB"));

    // A single font builds no codes: the text is shown as stored.
    CText6 plain(window.get(), false, nullptr);
    plain.setFont(standard.get());
    plain.setText("x<B>y");
    EXPECT_EQ(plain.getCodeCount(), 0);
    EXPECT_EQ(plain.getText(), "<COLOR65535>x<B>y<COLOR>");
}

TEST_F(CText6Test, TheTextIsStoredInItsColour)
{
    const struct {
        int colour;
        const char* given;
        const char* stored;
    } cases[] = {
        {65535, "Hello", "<COLOR65535>Hello<COLOR>"},
        {-2048, "<COLOR,255,0,0>Hi <COLOR31>there", "<COLOR-2048>Hi there<COLOR>"},
        {65535, "x <COLOR,255,0,0>y", "<COLOR65535>x <COLOR,255,0,0>y<COLOR>"},
        {0, "Hello", "Hello"},
    };
    for (const auto& c : cases) {
        CText6 t(window.get(), false, nullptr);
        t.setColor(c.colour);
        t.setText(c.given);
        EXPECT_EQ(t.getText(), c.stored) << c.given;
        EXPECT_EQ(t.getColor(), c.colour);
    }
    // A new colour sets the text again in it; the font's default colour
    // is the text's once it is given the font.
    text.setText("a");
    text.setColor(31);
    EXPECT_EQ(text.getText(), "<COLOR31>a<COLOR>");
    standard->setDefColor(99);
    text.setFont(standard.get());
    EXPECT_EQ(text.getColor(), 99);
}

TEST_F(CText6Test, JustifyPlacesTheTextInTheRectangle)
{
    const CXRect area(10, 20, 110, 60);
    const struct {
        _justify h, v;
        CXPoint at;
    } cases[] = {
        {CENTER, CENTER, CXPoint(40, 32)}, {LEFT, TOP, CXPoint(10, 20)},      {RIGHT, BOTTOM, CXPoint(70, 44)},
        // The other values leave that coordinate.
        {TOP, LEFT, CXPoint(3, 4)},        {BOTTOM, RIGHT, CXPoint(3, 4)},
    };
    for (const auto& c : cases) {
        CText6 t(window.get(), false, nullptr);
        t.setSize(CXSize(40, 16));
        t.SetPosition(3, 4);
        t.setJustify(area, c.h, c.v);
        EXPECT_EQ(t.GetPosition(), c.at) << c.h << "/" << c.v;
        EXPECT_EQ(t.getHJustify(), c.h);
        EXPECT_EQ(t.getVJustify(), c.v);
    }
    // Halves round toward zero.
    CText6 odd(window.get(), false, nullptr);
    odd.setSize(CXSize(41, 17));
    odd.setJustify(CXRect(-10, -10, 0, 0), CENTER, CENTER);
    EXPECT_EQ(odd.GetPosition(), CXPoint(-25, -13));

    // Moving: with an empty rectangle the drawable moves; otherwise the
    // rectangle does and the text is placed in it again.
    CText6 loose(window.get(), false, nullptr);
    loose.SetPosition(7, 8);
    loose.Move(5, 0);
    EXPECT_EQ(loose.GetPosition(), CXPoint(12, 8));
    CText6 placed(window.get(), false, nullptr);
    placed.setSize(CXSize(40, 16));
    placed.setJustify(area, RIGHT, TOP);
    placed.Move(5, 1);
    EXPECT_EQ(placed.getJustifyRect(), CXRect(15, 21, 115, 61));
    EXPECT_EQ(placed.GetPosition(), CXPoint(75, 21));
}

// Widths: "a" 3 + 2 = 5 alone, 4 after a letter; bold "a" 7 and 6; a
// space 2. Runs start without kerning.
TEST_F(CText6Test, TheTextMeasuresItsRunsInTheirFonts)
{
    EXPECT_EQ(CText6::getLength(fonts.get(), "aa a"), 5 + 4 + 2 + 5);
    EXPECT_EQ(CText6::getLength(nullptr, "aa"), 0);
    text.setFont(fonts.get());
    text.setText("aa<B>aa<B>a");
    EXPECT_EQ(text.getLength(), 9 + 13 + 5);
    EXPECT_EQ(text.Width(), 27);
    EXPECT_EQ(text.Height(), GLYPH_HEIGHT);
    text.setFont(standard.get());
    EXPECT_EQ(text.getLength(), CText6::getLength(standard.get(), text.getText()));
}

// "a  b" holds three words, the middle one empty; the numbering runs on
// over the runs of the text.
TEST_F(CText6Test, WordsAreCountedReadAndSearchedRunByRun)
{
    text.setFont(fonts.get());
    text.setText("a  b<B>ab a<B>b");
    EXPECT_EQ(text.count_words(), 6);
    ASSERT_NE(text.get_ht_lines_info(0), nullptr);
    EXPECT_EQ(text.get_ht_lines_info(0)->wordCount, 6);
    EXPECT_EQ(text.get_ht_lines_info(1), nullptr);
    const char* words[] = {"a", "", "b", "ab", "a", "b"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(text.getWordAt(i), words[i]) << i;
    EXPECT_EQ(text.getWordAt(6), "");
    EXPECT_EQ(text.getWordAt(-1), "");
    EXPECT_EQ(text.search("a", 0), 0);
    EXPECT_EQ(text.search("a", 1), 4);
    EXPECT_EQ(text.search("A", 0), -1);
    EXPECT_EQ(text.search("b", 3), 5);
}

// After a draw each word knows its window columns; queries outside the
// words answer none and change nothing.
TEST_F(CText6Test, WordQueriesAfterADraw)
{
    CGraphicsObject canvas(window.get(), CXSize(100, 20), 16);
    text.SetDestiny(&canvas);
    text.setFont(fonts.get());
    text.setText("aa a");
    text.SetPosition(10, 5);
    text.Redraw();
    ht_Line* line = text.get_ht_lines_info(0);
    EXPECT_EQ(line->top, 5);
    EXPECT_EQ(line->bottom, 5 + GLYPH_HEIGHT);
    // "aa" from 10 to 18; "a" from 19, where the space starts, to the end.
    EXPECT_EQ(line->words[0].left, 10);
    EXPECT_EQ(line->words[0].right, 18);
    EXPECT_EQ(line->words[1].left, 19);
    EXPECT_EQ(line->words[1].right, 26);
    EXPECT_EQ(text.getWordAtXY(CXPoint(12, 99)), 0);
    EXPECT_EQ(text.getWordAtXY(CXPoint(19, 5)), 1);
    EXPECT_EQ(text.getWordAtXY(CXPoint(27, 5)), -1);
    EXPECT_EQ(text.getWordWidth(0), 8);
    // The text's x is added to the word's window x.
    EXPECT_EQ(text.getWordPosition(1), CXPoint(19 + 10, -1));
    for (int outside : {-1, -2, 2, 99}) {
        EXPECT_EQ(text.getWordPosition(outside), CXPoint(-1, -1)) << outside;
        EXPECT_EQ(text.getWordWidth(outside), 0) << outside;
        text.setWordColor(outside, 31);
    }
    text.setWordColor(1, 31);
    EXPECT_EQ(line->words[1].colour, 31);
    EXPECT_EQ(line->words[0].colour, int(ht_Word::WORD_COLOR_NONE));
    text.setText("b");
    EXPECT_EQ(text.get_ht_lines_info(0)->words[0].colour, int(ht_Word::WORD_COLOR_NONE));
}

// A text set before its font gets a word record of its words once the font
// comes, and draws without writing outside it.
TEST_F(CText6Test, ATextSetBeforeItsFontTracksItsWordsWhenDrawn)
{
    CGraphicsObject canvas(window.get(), CXSize(100, 20), 16);
    text.SetDestiny(&canvas);
    text.setText("a b a");
    EXPECT_EQ(text.get_ht_lines_info(0)->wordCount, 0);
    text.Redraw();
    text.setFont(fonts.get());
    EXPECT_EQ(text.get_ht_lines_info(0)->wordCount, 3);
    text.Redraw();
    EXPECT_EQ(text.getWordAtXY(CXPoint(text.get_ht_lines_info(0)->words[2].left, 0)), 2);
}

// Drawn on the screen: the text's colour goes to the font drawing at its
// code, the standard one; the bold one draws in the collection's colour.
// A word in its own colour; letters outside the clipping rectangle left
// out, a letter across its edge cut there.
TEST_F(CText6Test, TheTextDrawsLetterByLetterClippedAndColoured)
{
    // A black ground, drawn again where the text changes.
    auto ground = screentest::drawable(window.get(), 40, 10, [](int, int) { return uint16_t(0); });
    ground->SetPosition(95, 48);
    window->GetRefreshScreenInterface()->put(ground.get(), 0);
    fonts->setColor(0x07E0);
    text.setFont(fonts.get());
    text.setText("ab a <B>a<B>");
    text.setColor(int16_t(0xF800));
    text.setWordColor(1, 0x001F);
    text.SetPosition(100, 50);
    window->GetRefreshScreenInterface()->put(&text, 1);
    frame();
    // "a" at 100..102, "b" kerned to 104, the space, "a" at 109..111, the
    // space, bold "a" at 116..120.
    auto ink = [](int x, int y, int fromX, int toX) -> uint32_t {
        if (y < 50 + INK_TOP || y > 50 + INK_BOTTOM || x < std::max(100, fromX) || x > toX)
            return 0;
        if (x <= 102 || x == 104)
            return 0xF800;
        if (x >= 109 && x <= 111)
            return 0x001F;
        if (x >= 116 && x <= 120)
            return 0x07E0;
        return 0;
    };
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0), [&](int x, int y) { return ink(x, y, 0, 799); }, "text_coloured"));
    EXPECT_EQ(standard->getColor(), 0x07E0);
    text.Invalidate();
    text.SetClippingRect(CXRect(2, 0, 14, GLYPH_HEIGHT));
    frame();
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0), [&](int x, int y) { return ink(x, y, 102, 113); }, "text_clipped"));
    window->GetRefreshScreenInterface()->operator>>(&text);
    window->GetRefreshScreenInterface()->operator>>(ground.get());
}

} // namespace
