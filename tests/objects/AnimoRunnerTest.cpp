// The methods of the script ANIMO on animations read from files: every id
// without arguments, the arithmetic of sound, opacity, anchor, centre and
// nearness, addressing events and frames by index and by name, playing,
// and the pixels and points of the frame shown.
#include "ImageFiles.h"
#include "ScriptAnimoSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "media/Sound4.h"
#include "media/AnimationManager.h"
#include "objects/AnimoRunner.h"
#include "objects/Group.h"
#include "script/Behaviour.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

using namespace animotest;

// A call of A's method and what it answers.
struct MethodCase {
    const char* method;
    std::initializer_list<const char*> args;
    const char* result;
};

class CMC_Animo_RunnerTest : public AnimoTest {
protected:
    template <size_t N>
    void expect(const MethodCase (&cases)[N])
    {
        for (const MethodCase& c : cases)
            EXPECT_EQ(call("A", c.method, c.args), c.result)
                << c.method << " " << (c.args.size() ? *c.args.begin() : "");
    }
    // A on "hero.ann", shown at (100, 40), and LOG.
    void hero(std::initializer_list<const char*> more = {})
    {
        std::vector<const char*> lines = {"LOG:TYPE=STRING", "ARR:TYPE=ARRAY",  "A:TYPE=ANIMO", "A:FILENAME=hero.ann",
                                          "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE", "A:PRIORITY=2"};
        lines.insert(lines.end(), more.begin(), more.end());
        recordstest::defineObjectLines(scene, lines);
        call("A", "SETPOSITION", {"100", "40"});
    }
    // A method by id with the given argument vector (maybe null); the
    // result's text, "-" for none.
    std::string run(const char* object, int id, CXVector* args)
    {
        CMC_Object* o = scene->getObject(object);
        CMC_Variable* r = CMC_RunnerFactory::getRunner(o)->run(id, o, scene, args);
        std::string text = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        return text;
    }
};

// Every id with no argument vector and with an empty one, on an object over
// an animation and on one that CREATE made without any: each answers its
// kind of result or none, and reads nothing that is not there.
TEST_F(CMC_Animo_RunnerTest, EveryMethodRunsWithoutArguments)
{
    define({"LOG:TYPE=STRING", "MAKE:TYPE=BEHAVIOUR", "MAKE:CODE={@CREATE(ANIMO,EMPTY);}"});
    static_cast<CMC_BehaviourBase*>(scene->getObject("MAKE"))->run(nullptr, nullptr, false);
    ASSERT_NE(animo("EMPTY"), nullptr);
    EXPECT_EQ(animation("EMPTY"), nullptr);
    CXVector none;
    for (int id = 0; id <= 110; ++id) {
        // A fresh object for each id: LOAD, HIDE and the others change it.
        const std::string name = "A" + std::to_string(id);
        const std::string file = name + ":FILENAME=hero.ann";
        const std::string type = name + ":TYPE=ANIMO";
        define({type.c_str(), file.c_str(), "LOG:TYPE=STRING"});
        const std::string withNull = run(name.c_str(), id, nullptr);
        const std::string withEmpty = run(name.c_str(), id, &none);
        const std::string onEmpty = run("EMPTY", id, nullptr);
        if (id == CMC_Animo_Runner::GETNOFINEVENT) {
            EXPECT_EQ(withNull, "0");
        } else if (id == CMC_Animo_Runner::ISPLAYING) {
            EXPECT_EQ(onEmpty, "FALSE");
        } else if (id == CMC_Animo_Runner::GETEVENTNAME) {
            EXPECT_EQ(withNull, "STAND");
        } else if (id > CMC_Animo_Runner::REPLACECOLOR && id < CMC_Runner::SEND) {
            EXPECT_EQ(withNull + withEmpty + onEmpty, "---") << id;
        }
    }
    // LOAD gives the empty object its animation.
    call("EMPTY", "LOAD", {"\"hero.ann\""});
    EXPECT_EQ(call("EMPTY", "GETNOF"), "8");
}

// The volume and panning of the frame sounds in the sound layer's units,
// and the opacity taken modulo 257 with the sign of the value.
TEST_F(CMC_Animo_RunnerTest, SoundAndOpacityArithmetic)
{
    hero();
    CSound4* sound = animation("A")->getSoundFX(0, 0);
    ASSERT_NE(sound, nullptr);
    const struct {
        int value, volume, pan;
    } sounds[] = {{800, 0, 800},       {400, -1600, 0},      {26, -3096, -748},      {25, -10000, -750},
                  {0, -10000, -800},   {900, 400, 1000},     {1949, 4596, 3098},     {1950, 4600, 10000},
                  {-1150, -10000, -10000}, {2000000000, 2147483647, 10000}, {-2147483647, -10000, -10000}};
    for (const auto& c : sounds) {
        call("A", "SETVOLUME", {std::to_string(c.value).c_str()});
        call("A", "SETPAN", {std::to_string(c.value).c_str()});
        EXPECT_EQ(sound->getVolume(), c.volume) << c.value;
        EXPECT_EQ(sound->getPanning(), c.pan) << c.value;
    }
    call("A", "SETFREQ", {"22050"});
    EXPECT_EQ(sound->getFrequency(), 22050);

    const struct {
        const char* value;
        const char* opacity;
    } opacities[] = {{"255", "255"}, {"256", "0"}, {"300", "43"}, {"-1", "255"}, {"514", "0"}, {"7", "7"}};
    for (const auto& c : opacities) {
        call("A", "SETOPACITY", {c.value});
        EXPECT_EQ(call("A", "GETOPACITY"), c.opacity) << c.value;
    }
}

// The anchor names on the current frame's box at (100, 40), 51 x 31, with
// halves rounded toward zero; GETANCHOR appends x and then y.
TEST_F(CMC_Animo_RunnerTest, AnchorAndCentre)
{
    hero();
    EXPECT_EQ(call("A", "GETCENTERX"), "125");
    EXPECT_EQ(call("A", "GETCENTERY"), "55");
    const struct {
        const char* name;
        int x, y;
    } anchors[] = {{"CENTER", 125, 55},     {"LEFTUPPER", 100, 40}, {"RIGHTUPPER", 151, 40},
                   {"LEFTLOWER", 100, 71},  {"RIGHTLOWER", 151, 71}, {"LEFT", 100, 55},
                   {"RIGHT", 151, 55},      {"TOP", 125, 40},       {"BOTTOM", 125, 71},
                   {"center", 0, 0},        {"", 0, 0}};
    for (const auto& a : anchors) {
        call("A", "SETANCHOR", {(std::string("\"") + a.name + "\"").c_str()});
        EXPECT_EQ(animation("A")->getAnchor(), CXPoint(a.x, a.y)) << a.name;
    }
    call("A", "SETANCHOR", {"7", "-9"});
    call("A", "GETANCHOR", {"\"ARR\""});
    call("A", "GETANCHOR", {"\"NOSUCH\""});
    EXPECT_EQ(call("ARR", "GETSIZE"), "2");
    EXPECT_EQ(call("ARR", "GET", {"0"}) + "," + call("ARR", "GET", {"1"}), "7,-9");
}

// ISNEAR: the share of the object's own box inside a rectangle or another
// drawable's box, at least the percentage; an object without a box is near
// nothing.
TEST_F(CMC_Animo_RunnerTest, Nearness)
{
    hero();
    tmp.write("o.ann", tmp.read("hero.ann"));
    define({"O:TYPE=ANIMO", "O:FILENAME=o.ann"});
    call("O", "SETPOSITION", {"105", "30"});
    // Frame 1: 10 x 10 at (100, 40); O's frame 0 covers its right half.
    call("A", "SETFRAME", {"1"});
    const struct {
        std::initializer_list<const char*> args;
        const char* near;
    } cases[] = {
        {{"105", "30", "200", "100", "50"}, "TRUE"}, {{"105", "30", "200", "100", "51"}, "FALSE"},
        {{"500", "500", "600", "600", "0"}, "TRUE"}, {{"110", "40", "200", "100", "1"}, "FALSE"},
        {{"\"O\"", "50"}, "TRUE"},                   {{"\"O\"", "51"}, "FALSE"},
        {{"\"NOSUCH\"", "0"}, "FALSE"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(call("A", "ISNEAR", c.args), c.near) << *c.args.begin() << " " << c.args.size();
    call("A", "LOAD", {"\"\""});
    EXPECT_EQ(call("A", "ISNEAR", {"0", "0", "800", "600", "0"}), "FALSE");
}

// Events and frames by index and by name: event names in any case, frame
// names exactly (SETFRAME in any case), the position codes of GETFRAMENO,
// and what indexes beyond the animation answer.
TEST_F(CMC_Animo_RunnerTest, EventsAndFramesByIndexAndName)
{
    hero();
    const MethodCase cases[] = {
        {"GETNOE", {}, "7"},
        {"GETEVENTNAME", {"2"}, "JUMP"},
        {"GETEVENTNAME", {"7"}, ""},
        {"GETEVENTNAME", {"-5"}, ""},
        {"GETEVENTNUMBER", {"\"jUmP\""}, "2"},
        {"GETEVENTNUMBER", {"\"NOSUCH\""}, "-1"},
        {"GETEVENTNUMBER", {}, "0"},
        {"GETNOFINEVENT", {}, "0"},
        {"GETNOFINEVENT", {"\"walk\""}, "3"},
        {"GETNOFINEVENT", {"1"}, "3"},
        {"GETNOFINEVENT", {"-1"}, "1"},
        {"GETNOFINEVENT", {"\"NOSUCH\""}, "0"},
        {"GETNOFINEVENT", {"99"}, "0"},
        {"GETFRAMENO", {"\"WALK\"", "-3"}, "2"},
        {"GETFRAMENO", {"-1", "-2"}, "0"},
        {"GETFRAMENO", {"\"WALK\"", "7"}, "7"},
        {"GETFRAMENO", {"\"WALK\"", "\"Right\""}, "2"},
        {"GETFRAMENO", {"\"WALK\"", "\"right\""}, "-1"},
        {"GETFRAMENO", {"\"NOSUCH\"", "-3"}, "0"},
        {"GETFRAMENAME", {"\"walk\"", "0"}, "left"},
        {"GETFRAMENAME", {"1", "1"}, ""},
        {"GETFRAMENAME", {"1", "2"}, "Right"},
        {"GETFRAMENAME", {"1", "9"}, ""},
        {"GETFRAMENAME", {"99", "0"}, ""},
        {"GETFRAMENAME", {}, ""},
    };
    expect(cases);

    call("A", "SETFRAMENAME", {"\"WALK\"", "1", "\"mid\""});
    call("A", "SETFRAMENAME", {"\"WALK\"", "9", "\"beyond\""});
    call("A", "SETFRAMENAME", {"99", "0", "\"beyond\""});
    EXPECT_EQ(call("A", "GETFRAMENO", {"\"WALK\"", "\"mid\""}), "1");

    // SETFRAME: a frame number, or an event and a position or frame name.
    const struct {
        std::initializer_list<const char*> args;
        const char* frame;
        const char* position;
    } shown[] = {
        {{"\"walk\"", "\"RIGHT\""}, "3", "2"}, {{"1", "5"}, "3", "2"},        {{"12"}, "3", "2"},
        {{"\"NOSUCH\"", "0"}, "0", "0"},       {{"\"JUMP\"", "-1"}, "4", "0"}, {{"6"}, "6", "0"},
        {{}, "0", "0"},                        {{"1", "\"Frame 1\""}, "0", "0"},
    };
    for (const auto& s : shown) {
        call("A", "SETFRAME", s.args);
        EXPECT_EQ(call("A", "GETFRAME") + "/" + call("A", "GETCFRAMEINEVENT"),
                  std::string(s.frame) + "/" + s.position);
    }
    // The current frame's place: frame 2 stands at (3, 4) of the animation.
    call("A", "SETFRAME", {"\"WALK\"", "1"});
    EXPECT_EQ(call("A", "GETPOSITIONX") + "," + call("A", "GETPOSITIONY"), "103,44");
    EXPECT_EQ(call("A", "GETPOSITIONX", {"0"}) + "," + call("A", "GETPOSITIONY", {"0"}), "100,40");
    EXPECT_EQ(call("A", "GETCURRFRAMEPOSX") + "," + call("A", "GETCURRFRAMEPOSY"), "3,4");
    EXPECT_EQ(call("A", "GETMAXWIDTH") + "x" + call("A", "GETMAXHEIGHT"), "51x31");
    // "NAME!FRAME" names a frame of the animation.
    EXPECT_EQ(scene->getGraphicsObject(CXString("A")), animation("A"));
    EXPECT_EQ(scene->getGraphicsObject(CXString("A!RIGHT")), animation("A")->GetFrame(3));
    EXPECT_EQ(scene->getGraphicsObject(CXString("A!nosuch")), nullptr);
}

// Playing by name and by index, reversed, stopping with and without the
// finished report, and what ISPLAYING says meanwhile.
TEST_F(CMC_Animo_RunnerTest, PlayingEvents)
{
    hero({"A:ONFINISHED={LOG^ADD(\"F.\");}", "A:ONSTARTED={LOG^ADD(\"S.\");}"});
    call("A", "PLAY", {"\"walk\""});
    const struct {
        std::initializer_list<const char*> args;
        const char* playing;
    } playing[] = {{{}, "TRUE"},           {{"\"WALK\""}, "TRUE"}, {{"1"}, "TRUE"},
                   {{"2"}, "FALSE"},       {{"\"NOSUCH\""}, "FALSE"}};
    for (const auto& p : playing)
        EXPECT_EQ(call("A", "ISPLAYING", p.args), p.playing);
    call("A", "STOP", {"FALSE"});
    EXPECT_EQ(call("A", "ISPLAYING"), "FALSE");
    EXPECT_EQ(logged(), "S.");
    call("A", "PLAY");
    call("A", "STOP");
    EXPECT_EQ(logged(), "S.F.");

    // NPLAY: an index, -1 the current event; nothing beyond the events or
    // from a position beyond the event.
    call("A", "NPLAY", {"2"});
    EXPECT_EQ(call("A", "GETEVENTNAME"), "JUMP");
    call("A", "STOP", {"FALSE"});
    call("A", "NPLAY", {"99"});
    call("A", "NPLAY", {"1", "3"});
    EXPECT_EQ(call("A", "ISPLAYING"), "FALSE");
    call("A", "NPLAY", {"1", "2"});
    EXPECT_EQ(call("A", "GETFRAME"), "3");
    // The scene's queries and the animation manager find the object's
    // animation: a group resumes its members' animations only.
    tmp.write("o.ann", tmp.read("hero.ann"));
    define({"O:TYPE=ANIMO", "O:FILENAME=o.ann"});
    call("O", "PLAY", {"\"JUMP\""});
    CMC_Groupped group(CXString("P"), scene);
    scene->getPlayingAnimo(&group);
    EXPECT_EQ(group.toString(), "A,O");
    call("A", "PAUSE");
    call("O", "PAUSE");
    EXPECT_EQ(run("A", CMC_Animo_Runner::ISPAUSED, nullptr), "TRUE");
    group.removeAll();
    group.add(animo("A"));
    application->getAnimoManagerIfc()->resume(&group);
    EXPECT_EQ(run("A", CMC_Animo_Runner::ISPAUSED, nullptr) + run("O", CMC_Animo_Runner::ISPAUSED, nullptr),
              "FALSETRUE");
    call("O", "RESUME");
    EXPECT_EQ(call("O", "ISPLAYING"), "TRUE");

    // The reversed twin is made once and played.
    call("A", "PLAYREVERSE", {"\"WALK\""});
    call("A", "PLAYREVERSE", {"1"});
    call("A", "PLAYREVERSE", {"TRUE"});
    EXPECT_EQ(call("A", "GETNOE"), "8");
    EXPECT_EQ(call("A", "GETEVENTNAME"), "WALK_reverse");
    EXPECT_EQ(call("A", "GETFRAME"), "3");
    EXPECT_EQ(call("A", "GETFRAMENAME"), "Right");
    logged();
    steps(3);
    EXPECT_EQ(logged(), "F.");

    call("A", "SETFPS", {"0"});
    EXPECT_EQ(call("A", "GETFPS"), "1");
    call("A", "SETFPS", {"-4"});
    EXPECT_EQ(call("A", "GETFPS"), "1");
}

// The frame shown at (100, 40): its pixels and alpha bytes as signed
// numbers from index 0, 0 outside it; the point tests with and without the
// alpha plane (its byte at index 255 is 0); colours replaced in every frame.
TEST_F(CMC_Animo_RunnerTest, PixelsAndPointsOfTheFrameShown)
{
    hero();
    const MethodCase cases[] = {
        {"GETPIXEL", {"100", "40"}, "-1"},  {"GETPIXEL", {"101", "40"}, "0"},   {"GETPIXEL", {"102", "40"}, "1"},
        {"GETPIXEL", {"99", "40"}, "0"},    {"GETPIXEL", {"100", "39"}, "0"},   {"GETPIXEL", {"151", "40"}, "0"},
        {"GETALPHA", {"100", "40"}, "-1"},  {"GETALPHA", {"101", "40"}, "-2"},  {"GETALPHA", {"100", "41"}, "-52"},
        {"GETALPHA", {"100", "45"}, "0"},   {"GETALPHA", {"100", "71"}, "0"},   {"GETALPHA", {"99", "41"}, "0"},
        {"ISINSIDE", {"100", "45", "FALSE"}, "TRUE"}, {"ISINSIDE", {"100", "45", "TRUE"}, "FALSE"},
        {"ISINSIDE", {"150", "70", "TRUE"}, "TRUE"},  {"ISINSIDE", {"151", "70", "FALSE"}, "FALSE"},
        {"ISAT", {"100", "45", "FALSE"}, "TRUE"},     {"ISAT", {"100", "45", "TRUE"}, "FALSE"},
        {"ISAT", {"101", "45", "TRUE"}, "TRUE"},      {"ISAT", {"100", "71", "FALSE"}, "FALSE"},
    };
    expect(cases);

    // A stamp's alpha plane (opaque on its left half) over the frame's at
    // (0, 1) of the frame; a name that finds nothing merges nothing.
    ASSERT_TRUE(imagetest::writeImage(tmp.file("stamp.img"), 4, 2, [](int, int) { return uint16_t(0); },
                                      [](int x, int) { return uint8_t(x < 2 ? 255 : 0); }));
    define({"STAMP:TYPE=IMAGE", "STAMP:FILENAME=stamp.img"});
    call("A", "MERGEALPHA", {"0", "1", "\"STAMP\""});
    call("A", "MERGEALPHA", {"0", "0", "\"NOSUCH\""});
    EXPECT_EQ(call("A", "GETALPHA", {"100", "40"}) + "," + call("A", "GETALPHA", {"100", "41"}) + "," +
                  call("A", "GETALPHA", {"102", "41"}),
              "-1,-1,0");

    // White on a 16-bit screen is 0xFFFF; frames 1 to 7 have none.
    call("A", "REPLACECOLOR", {"0", "255", "255", "255", "0", "0", "248"});
    EXPECT_EQ(call("A", "GETPIXEL", {"100", "40"}), "31");
    EXPECT_EQ(call("A", "GETPIXEL", {"102", "40"}), "1");

    // FLIPH turns the rows over: row 30 comes first.
    call("A", "FLIPH");
    EXPECT_EQ(call("A", "GETALPHA", {"100", "40"}), std::to_string(int8_t(255 - 30 * 51)));
    call("A", "RESETFLIPS");
    EXPECT_EQ(call("A", "GETALPHA", {"100", "40"}), "-1");

    // Without a frame shown every point is outside.
    call("A", "LOAD", {"\"\""});
    EXPECT_EQ(call("A", "GETPIXEL", {"0", "0"}) + call("A", "GETALPHA", {"0", "0"}) +
                  call("A", "ISAT", {"0", "0", "FALSE"}) + call("A", "ISINSIDE", {"0", "0", "FALSE"}),
              "00FALSEFALSE");
}

// Clipping by rectangle or by another drawable's box, the drawing priority,
// drawing onto another drawable, and the button flags the methods set.
TEST_F(CMC_Animo_RunnerTest, ClippingPriorityAndFlags)
{
    hero();
    tmp.write("o.ann", tmp.read("hero.ann"));
    define({"O:TYPE=ANIMO", "O:FILENAME=o.ann", "O:TOCANVAS=TRUE"});
    call("O", "SETPOSITION", {"7", "8"});
    CAnimo6* a = animation("A");
    call("A", "SETCLIPPING", {"\"O\""});
    EXPECT_EQ(a->GetClippingRect(), CXRect(7, 8, 58, 39));
    call("A", "SETCLIPPING", {"1", "2", "3", "4"});
    EXPECT_EQ(a->GetClippingRect(), CXRect(1, 2, 3, 4));
    call("A", "SETCLIPPING", {"\"NOSUCH\""});
    EXPECT_EQ(a->GetClippingRect(), CXRect(0, 0, 0, 0));
    call("A", "SETCLIPPING", {"1", "2", "3", "4"});
    call("A", "CLEARCLIPPING");
    EXPECT_EQ(a->GetClippingRect(), CXRect(0, 0, 0, 0));

    call("A", "SETPRIORITY", {"9"});
    EXPECT_EQ(call("A", "GETPRIORITY"), "9");
    call("A", "DRAWONTO", {"\"O\"", "3"});
    call("A", "DRAWONTO", {"\"NOSUCH\""});
    EXPECT_EQ(animation("O")->getChildren()->getSize(), 1);

    call("A", "SETASBUTTON", {"TRUE", "FALSE"});
    call("A", "SETONFF");
    EXPECT_TRUE(animo("A")->isButton());
    EXPECT_FALSE(animo("A")->changesCursor());
    EXPECT_TRUE(animo("A")->getOnFirstFrame());
    // Without an "ONNOEVENT" event the animation is left as it was.
    EXPECT_EQ(call("A", "GETEVENTNAME"), "STAND");
    call("A", "SETONFF", {"FALSE"});
    EXPECT_FALSE(animo("A")->getOnFirstFrame());

    call("A", "HIDE");
    EXPECT_EQ(call("A", "ISVISIBLE"), "FALSE");
    call("A", "SHOW");
    EXPECT_EQ(call("A", "ISVISIBLE"), "TRUE");
    call("A", "MOVE", {"5", "-5"});
    EXPECT_EQ(call("A", "GETPOSITIONX", {"1"}) + "," + call("A", "GETPOSITIONY", {"1"}), "105,35");
}

} // namespace
