// Linked IMAGE pictures (one shows the other's pixel buffers without owning
// them) under the effects and stamps that replace or write a drawable's
// buffers: the timed WAVING and WATER of a FILTER on either picture of the
// pair, and GRBUFFER stamps into them. Every frame is drawn, so that a
// picture left on freed buffers shows under the sanitizers.
#include "ScriptImageSupport.h"
#include "objects/ScriptFilter.h"
#include "objects/ScriptGrBuffer.h"
#include "script/BehaviourBase.h"
#include "script/Disposal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace imagetest;

// A (7 x 5, every word different) at (0, 0) and B linked to it at (20, 0).
class CMC_ImageLinkTest : public ImageTest {
protected:
    void pair(std::initializer_list<const char*> more)
    {
        ASSERT_TRUE(writeImage(tmp.file("a.img"), 7, 5, [](int x, int y) { return uint16_t(y * 7 + x + 1); }));
        std::vector<const char*> lines = {"A:TYPE=IMAGE", "A:FILENAME=a.img", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE",
                                          "A:PRIORITY=1", "B:TYPE=IMAGE",     "B:FILENAME=red.img",
                                          "B:TOCANVAS=TRUE", "B:VISIBLE=TRUE", "B:PRIORITY=2"};
        lines.insert(lines.end(), more.begin(), more.end());
        recordstest::defineObjectLines(scene, lines);
        call("B", "LINK", {"\"A\""});
        call("B", "SETPOSITION", {"20", "0"});
    }
    // One step of the filter, then a frame; both pictures show the same
    // pixels while both are there.
    void step(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            static_cast<CMC_Filter*>(scene->getObject("F"))->getEffect()->onTimer(0);
            frame();
            if (!scene->getObject("A") || !scene->getObject("B"))
                continue;
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 7; ++x)
                    ASSERT_EQ(shownAt(20 + x, y), shownAt(x, y)) << x << "," << y;
        }
    }
};

// WAVING and WATER linked to the source or to the linked picture, started,
// stopped and started again over several redraws of the wave, then the
// pictures unloaded in either order while the effect runs.
TEST_F(CMC_ImageLinkTest, TimedEffectsOnEitherPictureOfAPair)
{
    struct {
        const char* action;
        const char* on;
        const char* first;
    } cases[] = {{"WAVING", "A", "A"}, {"WAVING", "A", "B"}, {"WAVING", "B", "A"}, {"WAVING", "B", "B"},
                 {"WATER", "A", "A"},  {"WATER", "A", "B"},  {"WATER", "B", "A"},  {"WATER", "B", "B"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.action) + " on " + c.on + ", " + c.first + " unloaded first");
        const std::string action = std::string("F:ACTION=") + c.action;
        pair({"F:TYPE=FILTER", action.c_str()});
        const std::string target = std::string("\"") + c.on + "\"";
        call("F", "SETPROPERTY", {"\"AMPLITUDE\"", "\"2\""});
        call("F", "LINK", {target.c_str()});
        call("F", "START", {target.c_str()});
        step(25);
        call("F", "STOP", {target.c_str()});
        step(3);
        call("F", "START", {target.c_str()});
        step(12);
        unloadObject(c.first);
        step(11);
        unloadObject(c.first[0] == 'A' ? "B" : "A");
        step(11);
        unloadObject("F");
        CMC_Disposal::freeWaiting();
    }
}

// GRBUFFER stamps into the linked picture land in the source's present
// buffers while a WAVING on the source replaces them; a stamp of the
// source into the picture linked to it is a picture stamped onto itself,
// which draws nothing.
TEST_F(CMC_ImageLinkTest, StampsIntoAPairWhileTheSourceWaves)
{
    ASSERT_TRUE(writeImage(tmp.file("dot.img"), 2, 2, plain(0xF800)));
    pair({"F:TYPE=FILTER", "F:ACTION=WAVING", "DOT:TYPE=IMAGE", "DOT:FILENAME=dot.img", "G:TYPE=GRBUFFER",
          "G:SOURCE=DOT", "G:DESTINY=B", "SELF:TYPE=GRBUFFER", "SELF:SOURCE=A", "SELF:DESTINY=B"});
    call("F", "LINK", {"\"A\""});
    call("F", "START", {"\"A\""});
    for (int i = 0; i < 23; ++i) {
        step();
        EXPECT_EQ(call("G", "CREATE", {"1", "1"}), "0");
        call("G", "DRAW", {"0", "TRUE"});
        EXPECT_EQ(call("A", "GETPIXEL", {"2", "2"}), std::to_string(int16_t(0xF800)));
        call("G", "FLUSH", {"0", "TRUE", "TRUE"});
    }
    const std::string before = call("A", "GETPIXEL", {"3", "1"});
    EXPECT_EQ(call("SELF", "CREATE", {"1", "0", "0", "0", "5", "3"}), "0");
    call("SELF", "DRAW", {"0", "TRUE"});
    EXPECT_EQ(call("A", "GETPIXEL", {"3", "1"}), before);
    call("SELF", "UNDO", {"0", "TRUE"});
    step();
}

} // namespace
