// The multi-line text: wrapping with one font and with a collection (the
// style carried over a break, breaks as null entries), edit fields made
// through the scenes' screen unit, the height and word numbering across
// lines, text files, and a justified two-font paragraph on the screen.
#include "EditSupport.h"
#include "TextSupport.h"
#include "base/File.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace texttest;
using Lines = std::vector<std::string>;

class CMultilineText6Test : public TextTest {
protected:
    // A text of colour 0, so that its lines hold their markup unwrapped.
    std::unique_ptr<CMultilineText6> laidOut(CSimpleFont6* font, int width, const char* markup)
    {
        std::unique_ptr<CMultilineText6> t(new CMultilineText6(window.get(), false, nullptr));
        t->setColor(0);
        t->setFont(font);
        t->setJustify(CXRect(0, 0, width, 100), LEFT, TOP);
        t->setText(markup);
        return t;
    }
};

// Widths with one font: "aaa" 13, "a" 5, a space 2: "aaa a" 20,
// "aaa a aa" 31.
TEST_F(CMultilineText6Test, OneFontWrapsAtSpaces)
{
    const struct {
        int width;
        const char* text;
        Lines lines;
    } cases[] = {
        {25, "aaa a aa", {"aaa a", "aa"}},
        {25, "aaa   a", {"aaa a"}},
        {20, "aaa a", {"aaa a"}},
        // A word wider than the area stands alone after an empty line.
        {10, "aaa a", {"", "aaa", "a"}},
        {0, "a b", {"", "a", "b"}},
        // Markup is not read.
        {100, "a|<B>b", {"a|<B>b"}},
        {100, "", {}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CMultilineText6> t = laidOut(standard.get(), c.width, c.text);
        EXPECT_EQ(linesOf(*t), c.lines) << c.text << " in " << c.width;
    }
    // Without records the words answer none.
    std::unique_ptr<CMultilineText6> t = laidOut(standard.get(), 25, "aaa a aa");
    EXPECT_EQ(t->getNumWords(), 0);
    EXPECT_EQ(t->getWordAt(0), "");
    EXPECT_EQ(t->getWordPosition(0), CXPoint(-1, -1));
    EXPECT_EQ(t->getLength(), 20);
}

// Bold "aa" is 13 wide, " aa" 15; standard "aa" 9, " aa" 11, " b" 5.
TEST_F(CMultilineText6Test, ACollectionWrapsTheMarkupCodeByCode)
{
    const struct {
        int width;
        const char* text;
        Lines lines;
    } cases[] = {
        {100, "a|b", {"a", "null", "b"}},
        {100, "a||b", {"a", "null", "", "null", "b"}},
        {100, "a|", {"a", "null"}},
        // Spaces before a code are not carried.
        {100, "x <B>y<B>", {"x<B>y<B>"}},
        {100, "a   a", {"a   a"}},
        // A style switched on carries over the wrap and the break.
        {30, "<B>aa aa aa<B> b", {"<B>aa aa", "<B>aa<B> b"}},
        {100, "<B>a|a<B>b|a", {"<B>a", "null", "<B>a<B>b", "null", "a"}},
        // One space goes at a wrap.
        {20, "aaa   aaa", {"aaa", "  aaa"}},
        {15, "aa&NBSP;aa", {"aa", "aa"}},
        {100, "aa&NBSP;aa", {"aa aa"}},
        {100, "a\tb", {"a        b"}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<CMultilineText6> t = laidOut(fonts.get(), c.width, c.text);
        EXPECT_EQ(linesOf(*t), c.lines) << c.text << " in " << c.width;
    }
    // Colours do not carry over to the next line. Each line is stored in
    // the text's colour (a colour of 0 would take every colour code out of
    // the lines).
    CMultilineText6 t(window.get(), false, nullptr);
    t.setFont(fonts.get());
    t.setJustify(CXRect(0, 0, 20, 100), LEFT, TOP);
    t.setText("aa aa<COLOR,255,0,0> aa");
    EXPECT_EQ(linesOf(t), (Lines{"<COLOR65535>aa aa<COLOR-2048><COLOR>", "<COLOR65535>aa<COLOR>"}));
}

// The lines are 7 high and drawn 3 apart; the height counts 2 less for
// every entry after the first, breaks included.
TEST_F(CMultilineText6Test, HeightAndWordNumberingRunOverTheLines)
{
    std::unique_ptr<CMultilineText6> t = laidOut(fonts.get(), 10, "aa|b ab");
    EXPECT_EQ(linesOf(*t), (Lines{"aa", "null", "b", "ab"}));
    EXPECT_EQ(t->getHeight(), 3 * GLYPH_HEIGHT - 2 * 3);
    EXPECT_EQ(t->Height(), 15);
    CGraphicsObject canvas(window.get(), CXSize(100, 100), 16);
    t->SetDestiny(&canvas);
    t->SetPosition(5, 20);
    t->Redraw();
    EXPECT_EQ(t->getLine(0)->GetPosition(), CXPoint(5, 20));
    EXPECT_EQ(t->getLine(2)->GetPosition(), CXPoint(5, 20 + LINE_PITCH));
    EXPECT_EQ(t->getLine(3)->GetPosition(), CXPoint(5, 20 + 2 * LINE_PITCH));

    // Three words and two: the second line's first word is number 3.
    t = laidOut(fonts.get(), 100, "a b a|b a");
    t->SetDestiny(&canvas);
    t->SetPosition(5, 20);
    t->Redraw();
    EXPECT_EQ(t->getNumWords(), 5);
    EXPECT_EQ(t->get_ht_lines_info(2)->firstWord, 3);
    EXPECT_EQ(t->get_ht_lines_info(1), nullptr);
    const char* words[] = {"a", "b", "a", "b", "a"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t->getWordAt(i), words[i]) << i;
    EXPECT_EQ(t->search("b", 2), 3);
    EXPECT_EQ(t->search("a", 3), 4);
    EXPECT_EQ(t->search("c", 0), -1);
    // Word 4 on the second line, drawn at y 23: "b" 5..5, the space, "a"
    // from 6 (where the space starts).
    const int x = t->getLine(2)->get_ht_lines_info(0)->words[1].left;
    EXPECT_EQ(t->getWordAtXY(CXPoint(x, 23 + 2)), 4);
    EXPECT_EQ(t->getWordAtXY(CXPoint(x, 19)), -1);
    EXPECT_EQ(t->getWordPosition(4), CXPoint(x + 5, 23 + 20));
    EXPECT_EQ(t->getWordWidth(4), t->getLine(2)->getWordWidth(1));
    t->setWordColor(4, 31);
    EXPECT_EQ(t->getLine(2)->get_ht_lines_info(0)->words[1].colour, 31);
    // Indexes outside the words do nothing.
    for (int outside : {-1, 5, 1000}) {
        EXPECT_EQ(t->getWordAt(outside), "") << outside;
        EXPECT_EQ(t->getWordPosition(outside), CXPoint(-1, -1)) << outside;
        EXPECT_EQ(t->getWordWidth(outside), 0) << outside;
        t->setWordColor(outside, 7);
    }
}

// Windows text mode: a CR LF line end is one line end, which does not
// break the text; a lone "\r" and "|" do.
TEST_F(CMultilineText6Test, LoadReadsATextFileLineByLine)
{
    tmp.write("text.txt", std::string("ab\r\nba\rb|a\r\n"));
    std::unique_ptr<CMultilineText6> t = laidOut(fonts.get(), 100, "");
    EXPECT_EQ(t->Load(CXString(platform::toEnginePath(tmp.file("text.txt")).c_str())), 0);
    EXPECT_EQ(linesOf(*t), (Lines{"abba", "null", "b", "null", "a"}));
    // A file that cannot be read leaves the text.
    EXPECT_EQ(t->Load(CXString(platform::toEnginePath(tmp.file("none.txt")).c_str())), int(CFile::ERROR_OPEN));
    EXPECT_EQ(t->getLineCount(), 5);
}

// "a <B>a<B> a|aa", centred in (100, 100, 140, 130): the first line is 19
// wide (5, bold 7, 2 and 5), the text 10 high, so it stands at (110, 110);
// the last line 3 lower. The standard letters take the text's white, the
// bold one the collection's green.
TEST_F(CMultilineText6Test, AJustifiedTwoFontParagraphOnTheScreen)
{
    fonts->setColor(0x07E0);
    CMultilineText6 t(window.get(), false, nullptr);
    t.setFont(fonts.get());
    t.setJustify(CXRect(100, 100, 140, 130), CENTER, CENTER);
    t.setText("a <B>a<B> a|aa");
    EXPECT_EQ(t.Width(), 19);
    EXPECT_EQ(t.Height(), 10);
    EXPECT_EQ(t.GetPosition(), CXPoint(110, 110));
    window->GetRefreshScreenInterface()->put(&t, 1);
    frame();
    struct Ink {
        int left, right, top;
        uint32_t colour;
    };
    const Ink inks[] = {
        {110, 112, 110, 0xFFFF}, {115, 119, 110, 0x07E0}, {124, 126, 110, 0xFFFF},
        {110, 112, 113, 0xFFFF}, {114, 116, 113, 0xFFFF},
    };
    auto expected = [&](int x, int y) {
        uint32_t shown = 0;
        for (const Ink& i : inks)
            if (x >= i.left && x <= i.right && y >= i.top + INK_TOP && y <= i.top + INK_BOTTOM)
                shown = i.colour;
        return shown;
    };
    EXPECT_TRUE(screentest::frameIs(backend.shownFrame(0), expected, "multiline_paragraph"));
    window->GetRefreshScreenInterface()->operator>>(&t);
}

// Edit fields through the scenes' screen unit, with the edit boxes' block
// font: a space 1 wide (so a field is width / 3 marks), "A" 7 and lines 9
// high.
class CMultilineText6FieldTest : public edittest::EditTest {
protected:
    std::unique_ptr<CMultilineText6> fielded(CUnit6* withUnit, const char* markup)
    {
        std::unique_ptr<CMultilineText6> t(new CMultilineText6(window.get(), false, withUnit));
        t->setColor(0);
        t->setFont(fonts.get());
        t->setJustify(CXRect(100, 100, 300, 200), LEFT, TOP);
        t->setText(markup);
        return t;
    }
    CEditBox6* boxOf(CMultilineText6& t, int i) { return static_cast<CEditBox6*>(t.getEditBoxes()->at(i)); }
};

TEST_F(CMultilineText6FieldTest, EditFieldsBecomeBoxesOfTheUnit)
{
    std::unique_ptr<CMultilineText6> t = fielded(screenUnit, "A<E,60,NAME,ll>A");
    EXPECT_EQ(linesOf(*t), (Lines{"A " + std::string(18, '_') + "A"}));
    ASSERT_EQ(t->getEditBoxes()->getSize(), 1);
    EXPECT_EQ(screenUnit->getEditBoxCount(), 1);
    EXPECT_EQ(boxOf(*t, 0)->getBoundingRect(), CXRect(108, 100, 168, 109));
    EXPECT_EQ(boxOf(*t, 0)->getText(), "ll");

    // A field that does not fit starts the next line, 9 - 4 lower.
    t->setText("AAAA<E,190,N,>A");
    EXPECT_EQ(screenUnit->getEditBoxCount(), 1);
    ASSERT_EQ(t->getEditBoxes()->getSize(), 1);
    EXPECT_EQ(boxOf(*t, 0)->getBoundingRect(), CXRect(101, 105, 291, 114));
    EXPECT_EQ(t->getLineCount(), 2);

    t->setText("<E,30,a,b>|<E,30,c,d>");
    EXPECT_EQ(screenUnit->getEditBoxCount(), 2);
    EXPECT_EQ(boxOf(*t, 1)->getBoundingRect(), CXRect(101, 105, 131, 114));
    t.reset();
    EXPECT_EQ(screenUnit->getEditBoxCount(), 0);

    // Without a unit the field keeps its marks and gets no box.
    std::unique_ptr<CMultilineText6> alone = fielded(nullptr, "A<E,60,NAME,ll>A");
    EXPECT_EQ(linesOf(*alone), (Lines{"A " + std::string(18, '_') + "A"}));
    EXPECT_EQ(alone->getEditBoxes()->getSize(), 0);
    EXPECT_EQ(screenUnit->getEditBoxCount(), 0);
    // However wide a field says it is, its marks stay few.
    alone->setText("<E,2000000000,N,>");
    EXPECT_LE(alone->getLine(0)->getText().getLength(), 5000);
}

} // namespace
