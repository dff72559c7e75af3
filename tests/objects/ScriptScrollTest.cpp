// The script SCROLL in a scene: IMAGE drawables clipped to its viewport on
// ADD, by the scroll steps and by the clip pass, hidden when wholly outside
// and shown again inside; entries of a drawable added twice; drawables that
// go while listed; missing arguments; the snapshot record. Frames drawn
// through a scroll are in ScrollTitleTest.
#include "objects/ScriptScroll.h"
#include "ScriptImageSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class CMC_ScrollTest : public imagetest::ImageTest {
protected:
    // S watches (100, 100)-(200, 200); A, B and C show pic.img (50 x 30).
    void defineScroll()
    {
        // Each on its own file: objects on one file share the cache's picture.
        tmp.write("b.img", tmp.read("pic.img"));
        tmp.write("c.img", tmp.read("pic.img"));
        define({"S:TYPE=SCROLL", "S:VIEWPORT=100,100,200,200", "D:TYPE=SCROLL", "A:TYPE=IMAGE", "A:FILENAME=pic.img",
                "A:VISIBLE=TRUE", "B:TYPE=IMAGE", "B:FILENAME=b.img", "B:VISIBLE=TRUE", "C:TYPE=IMAGE",
                "C:FILENAME=c.img", "C:VISIBLE=TRUE"});
    }
    CMC_Scroll* scroll(const char* name) { return static_cast<CMC_Scroll*>(scene->getObject(name)); }
    void place(const char* name, int x, int y)
    {
        call(name, "SETPOSITION", {std::to_string(x).c_str(), std::to_string(y).c_str()});
    }
    // "x,y l,t,r,b V" (clipping, V or H for visible or hidden).
    std::string state(const char* name)
    {
        CGraphicsObject* g = picture(name);
        const CXRect c = g->GetClippingRect();
        return std::to_string(g->GetPosition().x) + "," + std::to_string(g->GetPosition().y) + " " +
               std::to_string(c.left) + "," + std::to_string(c.top) + "," + std::to_string(c.right) + "," +
               std::to_string(c.bottom) + (g->IsVisible() ? " V" : " H");
    }
};

// The clipping rectangle is the part inside the viewport in the drawable's
// own pixels; a drawable only touching the viewport's edge counts as out.
TEST_F(CMC_ScrollTest, AddClipsToTheViewport)
{
    defineScroll();
    struct {
        int x, y;
        const char* state;
    } cases[] = {
        {120, 120, "120,120 0,0,50,30 V"}, {80, 120, "80,120 20,0,50,30 V"}, {170, 185, "170,185 0,0,30,15 V"},
        {50, 120, "50,120 0,0,0,0 H"},     {120, 200, "120,200 0,0,0,0 H"},  {0, 0, "0,0 0,0,0,0 H"},
    };
    for (const auto& c : cases) {
        place("A", c.x, c.y);
        call("A", "SHOW");
        picture("A")->SetClippingRect(0, 0, 0, 0);
        call("S", "ADD", {"\"A\""});
        EXPECT_EQ(state("A"), c.state) << c.x << "," << c.y;
        call("S", "REMOVE", {"\"A\""});
    }
    EXPECT_EQ(scroll("S")->getSize(), 0);
    // The default viewport has nothing inside.
    call("A", "SHOW");
    call("D", "ADD", {"\"A\""});
    EXPECT_EQ(state("A"), "0,0 0,0,0,0 H");
}

// A drawable scrolled out across the edge is cut there, hidden once wholly
// out and shown with a new clipping when a step brings it back; a negative
// step moves the other way, and steps have no bounds.
TEST_F(CMC_ScrollTest, ScrollStepsMoveAndClipEveryDrawable)
{
    defineScroll();
    place("A", 120, 120);
    place("B", 140, 150);
    call("S", "ADD", {"\"A\""});
    call("S", "ADD", {"\"B\""});
    struct {
        const char *method, *n, *a, *b;
    } steps[] = {
        {"SCROLLUP", "10", "120,110 0,0,50,30 V", "140,140 0,0,50,30 V"},
        {"SCROLLUP", "-10", "120,120 0,0,50,30 V", "140,150 0,0,50,30 V"},
        {"SCROLLLEFT", "40", "80,120 20,0,50,30 V", "100,150 0,0,50,30 V"},
        {"SCROLLLEFT", "30", "50,120 0,0,0,0 H", "70,150 30,0,50,30 V"},
        {"SCROLLRIGHT", "35", "85,120 15,0,50,30 V", "105,150 0,0,50,30 V"},
        {"SCROLLDOWN", "65", "85,185 15,0,50,15 V", "105,215 0,0,0,0 H"},
        {"SCROLLDOWN", "-1000", "85,-815 0,0,0,0 H", "105,-785 0,0,0,0 H"},
    };
    for (const auto& s : steps) {
        call("S", s.method, {s.n});
        EXPECT_EQ(state("A"), s.a) << s.method << " " << s.n;
        EXPECT_EQ(state("B"), s.b) << s.method << " " << s.n;
    }
}

// Both entries of a drawable added twice move; one REMOVE takes out one
// and clears the clipping, leaving a hidden drawable hidden. REMOVE of a
// drawable not listed clears its clipping too.
TEST_F(CMC_ScrollTest, ADrawableAddedTwiceMovesTwice)
{
    defineScroll();
    place("A", 120, 120);
    call("S", "ADD", {"\"A\""});
    call("S", "ADD", {"\"A\""});
    call("S", "SCROLLRIGHT", {"5"});
    EXPECT_EQ(state("A"), "130,120 0,0,50,30 V");
    call("S", "MOVE", {"1", "2"});
    EXPECT_EQ(state("A"), "132,124 0,0,50,30 V");
    EXPECT_EQ(scroll("S")->getViewport(), CXRect(101, 102, 201, 202));
    call("S", "REMOVE", {"\"A\""});
    call("S", "SCROLLRIGHT", {"100"});
    EXPECT_EQ(state("A"), "232,124 0,0,0,0 H");
    call("S", "REMOVE", {"\"A\""});
    EXPECT_EQ(state("A"), "232,124 0,0,0,0 H");
    EXPECT_EQ(scroll("S")->getSize(), 0);
    picture("B")->SetClippingRect(1, 2, 3, 4);
    call("S", "REMOVE", {"\"B\""});
    EXPECT_EQ(picture("B")->GetClippingRect(), CXRect());
    call("S", "REMOVE", {"\"NOSUCH\""});
    call("S", "ADD", {"\"NOSUCH\""});
    EXPECT_EQ(scroll("S")->getSize(), 0);
}

// The viewport methods and the clip pass clip without moving anything;
// MOVE (0, 0) changes nothing.
TEST_F(CMC_ScrollTest, ViewportMethodsClipAgain)
{
    defineScroll();
    place("A", 120, 120);
    call("S", "ADD", {"\"A\""});
    call("S", "SETVIEWPORT", {"0", "0", "130", "140"});
    EXPECT_EQ(state("A"), "120,120 0,0,10,20 V");
    call("S", "MOVEVIEWPORT", {"-20", "0"});
    EXPECT_EQ(state("A"), "120,120 0,0,0,0 H");
    call("S", "MOVE", {"0", "0"});
    EXPECT_EQ(scroll("S")->getViewport(), CXRect(-20, 0, 110, 140));
    place("A", 60, 100);
    call("S", "INVALIDATE");
    EXPECT_EQ(state("A"), "60,100 0,0,50,30 V");
    call("A", "HIDE");
    call("S", "INVALIDATE");
    EXPECT_EQ(state("A"), "60,100 0,0,50,30 V");
}

// A method without its arguments does nothing.
TEST_F(CMC_ScrollTest, MissingArgumentsDoNothing)
{
    defineScroll();
    place("A", 120, 120);
    call("S", "ADD", {"\"A\""});
    for (const char* m : {"ADD", "REMOVE", "SCROLLUP", "SCROLLDOWN", "SCROLLLEFT", "SCROLLRIGHT"})
        EXPECT_EQ(call("S", m), "-") << m;
    EXPECT_EQ(call("S", "SETVIEWPORT", {"0", "0", "10"}), "-");
    EXPECT_EQ(call("S", "MOVEVIEWPORT", {"5"}), "-");
    EXPECT_EQ(call("S", "MOVE", {"5"}), "-");
    EXPECT_EQ(scroll("S")->getSize(), 1);
    EXPECT_EQ(scroll("S")->getViewport(), CXRect(100, 100, 200, 200));
    EXPECT_EQ(state("A"), "120,120 0,0,50,30 V");
}

// A drawable destroyed while listed leaves the list: the scroll never
// reaches it again. Objects unloaded while listed, the scroll among them,
// leave nothing behind that reaches a freed drawable.
TEST_F(CMC_ScrollTest, ADrawableThatGoesLeavesTheList)
{
    defineScroll();
    CMC_Scroll* s = scroll("S");
    auto* g = new CGraphicsObject(window.get(), CXSize(10, 10), 16);
    g->SetPosition(150, 150);
    call("S", "ADD", {"\"B\""});
    s->add(g);
    s->add(g);
    call("S", "ADD", {"\"C\""});
    delete g;
    EXPECT_EQ(s->getSize(), 2);
    EXPECT_EQ(s->getAt(0), picture("B"));
    EXPECT_EQ(s->getAt(1), picture("C"));
    call("S", "SCROLLUP", {"1"});
    call("S", "MOVE", {"1", "1"});
    call("S", "INVALIDATE");

    call("S", "ADD", {"\"A\""});
    unloadObject("A");
    call("S", "SCROLLUP", {"1"});
    unloadObject("S");
    unloadObject("B");
}

// The record: the base, then the viewport as four 32-bit integers; a
// restored scroll has the viewport and no drawables.
TEST_F(CMC_ScrollTest, TheSnapshotKeepsTheViewportOnly)
{
    defineScroll();
    place("A", 120, 120);
    call("S", "ADD", {"\"A\""});
    call("S", "MOVEVIEWPORT", {"-101", "2"});
    const std::string bytes = writeSnapshot();
    const std::string record("\xFF\xFF\xFF\xFF\x66\0\0\0\x63\0\0\0\xCA\0\0\0", 16);
    EXPECT_NE(bytes.find(record), std::string::npos);
    reread(bytes);
    EXPECT_EQ(scroll("S")->getType(), MC_SCROLL);
    EXPECT_EQ(scroll("S")->getViewport(), CXRect(-1, 102, 99, 202));
    EXPECT_EQ(scroll("S")->getSize(), 0);
    EXPECT_EQ(scroll("D")->getViewport(), CXRect());
    call("S", "ADD", {"\"A\""});
    EXPECT_EQ(scroll("S")->getSize(), 1);
}

} // namespace
