// The methods of the script IMAGE on pictures read from files: every id
// without arguments, the arithmetic of centre, opacity and reset position,
// the pixels and points of the picture, LINK's shared buffers, SAVE, the
// merged alpha and the slide components.
#include "ScriptImageSupport.h"
#include "collections/Array.h"
#include "graphics/RefreshScreen.h"
#include "objects/ImageRunner.h"
#include "script/BehaviourBase.h"
#include "script/Values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using namespace imagetest;

struct MethodCase {
    const char* method;
    std::initializer_list<const char*> args;
    const char* result;
};

class CMC_Image_RunnerTest : public ImageTest {
protected:
    // P on "pic.img" at (100, 40), on the refresh, and the array ARR.
    void pic(std::initializer_list<const char*> more = {})
    {
        std::vector<const char*> lines = {"LOG:TYPE=STRING", "ARR:TYPE=ARRAY",   "P:TYPE=IMAGE", "P:FILENAME=pic.img",
                                          "P:TOCANVAS=TRUE", "P:VISIBLE=TRUE", "P:PRIORITY=2"};
        lines.insert(lines.end(), more.begin(), more.end());
        recordstest::defineObjectLines(scene, lines);
        call("P", "SETPOSITION", {"100", "40"});
    }
    void expect(std::initializer_list<MethodCase> cases)
    {
        for (const MethodCase& c : cases)
            EXPECT_EQ(call("P", c.method, c.args), c.result)
                << c.method << " " << (c.args.size() ? *c.args.begin() : "");
    }
    std::string array(const char* name) { return text(name); }
};

// Every id with no argument vector and with an empty one, on an object over
// a picture and on one that CREATE made without any.
TEST_F(CMC_Image_RunnerTest, EveryMethodRunsWithoutArguments)
{
    define({"MAKE:TYPE=BEHAVIOUR", "MAKE:CODE={@CREATE(IMAGE,EMPTY);}"});
    static_cast<CMC_BehaviourBase*>(scene->getObject("MAKE"))->run(nullptr, nullptr, false);
    ASSERT_NE(object("EMPTY"), nullptr);
    EXPECT_EQ(picture("EMPTY"), nullptr);
    CXVector none;
    for (int id = 0; id <= 110; ++id) {
        const std::string name = "I" + std::to_string(id);
        const std::string file = name + ":FILENAME=pic.img";
        const std::string type = name + ":TYPE=IMAGE";
        define({type.c_str(), file.c_str()});
        run(name.c_str(), id, nullptr);
        run(name.c_str(), id, &none);
        run("EMPTY", id, nullptr);
    }
    // The empty object answers the empty values.
    EXPECT_EQ(run("EMPTY", CMC_Image_Runner::GETWIDTH, nullptr), "0");
    EXPECT_EQ(run("EMPTY", CMC_Image_Runner::ISAT, nullptr), "FALSE");
    EXPECT_EQ(run("EMPTY", CMC_Image_Runner::GETNAME, nullptr), "EMPTY");
}

// Centre, opacity kept to its low 8 bits, positions with ignored arguments,
// the reset position, the clipping rectangle, the ids without a handler,
// and GETCOLORAT's four zeros.
TEST_F(CMC_Image_RunnerTest, ArithmeticPositionsAndArrays)
{
    pic();
    expect({{"GETCENTERX", {}, "125"},
            {"GETCENTERY", {}, "55"},
            {"GETPOSITIONX", {"7"}, "100"},
            {"GETPOSITIONY", {"7"}, "40"},
            {"GETWIDTH", {}, "50"},
            {"GETHEIGHT", {}, "30"},
            {"SETSCALEFACTOR", {"2", "3"}, "-"},
            {"GETCOLORRAT", {"100", "40"}, "0"},
            {"GETCOLORBAT", {"100", "40"}, "0"}});
    for (auto [value, opacity] : {std::pair{"300", "44"}, {"256", "0"}, {"-1", "255"}, {"255", "255"}}) {
        call("P", "SETOPACITY", {value});
        EXPECT_EQ(call("P", "GETOPACITY"), opacity) << value;
    }
    EXPECT_EQ(call("P", "GETWIDTH"), "50");

    // Made from its definition at (0, 0): RESETPOSITION goes back there;
    // SETRESETPOSITION alone does not move the picture.
    call("P", "RESETPOSITION");
    EXPECT_EQ(call("P", "GETPOSITIONX") + "," + call("P", "GETPOSITIONY"), "0,0");
    call("P", "SETRESETPOSITION", {"30", "20"});
    EXPECT_EQ(call("P", "GETPOSITIONX"), "0");
    call("P", "MOVE", {"5", "6"});
    call("P", "RESETPOSITION");
    EXPECT_EQ(call("P", "GETPOSITIONX") + "," + call("P", "GETPOSITIONY"), "30,20");

    call("P", "SETCLIPPING", {"1", "2", "3", "4"});
    EXPECT_EQ(picture("P")->GetClippingRect(), CXRect(1, 2, 3, 4));
    call("P", "SETCLIPPING", {"\"NOSUCH\""});
    EXPECT_EQ(picture("P")->GetClippingRect(), CXRect(0, 0, 0, 0));

    call("P", "GETCOLORAT", {"3", "4", "\"ARR\""});
    call("P", "GETCOLORAT", {"3", "4", "\"NOSUCH\""});
    call("P", "GETCOLORAT", {"3", "4", "\"LOG\""});
    EXPECT_EQ(array("ARR"), "0,0,0,0");
    EXPECT_EQ(array("LOG"), "");
}

// The pixels and alpha bytes from index 0, 0 outside; the point tests with
// and without the alpha plane (transparent from column 40); colours
// replaced; MERGEALPHA2 merging a stamp's alpha where this one is not 0,
// first making it opaque when asked.
TEST_F(CMC_Image_RunnerTest, PixelsPointsAndMergedAlpha)
{
    ASSERT_TRUE(writeImage(tmp.file("stamp.img"), 4, 2, [](int, int) { return uint16_t(0); },
                           [](int x, int) { return uint8_t(x < 2 ? 7 : 0); }));
    pic({"STAMP:TYPE=IMAGE", "STAMP:FILENAME=stamp.img"});
    const std::string first = std::to_string(int16_t(picWord(0, 0)));
    const std::string second = std::to_string(int16_t(picWord(1, 0)));
    expect({{"GETPIXEL", {"100", "40"}, first.c_str()},
            {"GETPIXEL", {"101", "40"}, second.c_str()},
            {"GETPIXEL", {"99", "40"}, "0"},
            {"GETPIXEL", {"150", "40"}, "0"},
            {"GETALPHA", {"139", "40"}, "-1"},
            {"GETALPHA", {"140", "40"}, "0"},
            {"GETALPHA", {"100", "70"}, "0"},
            {"ISAT", {"145", "50", "FALSE"}, "TRUE"},
            {"ISAT", {"145", "50", "TRUE"}, "FALSE"},
            {"ISAT", {"139", "50", "TRUE"}, "TRUE"},
            {"ISAT", {"150", "50", "FALSE"}, "FALSE"},
            {"ISINSIDE", {"145", "50", "TRUE"}, "FALSE"},
            {"ISINSIDE", {"100", "69", "TRUE"}, "TRUE"}});

    call("P", "REPLACECOLOR", {"0", "0", "0", "8", "255", "255", "255"});
    EXPECT_EQ(call("P", "GETPIXEL", {"100", "40"}), "-1");

    // Merged at (38, 1) of P: columns 38 and 39 take 7, 40 and 41 stay 0.
    call("P", "MERGEALPHA2", {"38", "1", "\"STAMP\""});
    call("P", "MERGEALPHA2", {"0", "0", "\"NOSUCH\"", "TRUE"});
    EXPECT_EQ(call("P", "GETALPHA", {"138", "41"}) + call("P", "GETALPHA", {"140", "41"}) +
                  call("P", "GETALPHA", {"138", "40"}),
              "70-1");
    // With reset the whole plane is opaque first: columns 40 and 41 take
    // the stamp's 0 too.
    call("P", "MERGEALPHA2", {"38", "1", "\"STAMP\"", "TRUE"});
    EXPECT_EQ(call("P", "GETALPHA", {"140", "40"}) + call("P", "GETALPHA", {"140", "41"}) +
                  call("P", "GETALPHA", {"138", "41"}),
              "-107");
}

// SAVE writes the picture as an image file that reads back to the same
// pixels and alpha plane.
TEST_F(CMC_Image_RunnerTest, SaveThenLoadGivesThePicture)
{
    pic({"Q:TYPE=IMAGE", "Q:FILENAME="});
    call("P", "FLIPV");
    call("P", "SAVE", {"\"saved.img\""});
    call("Q", "LOAD", {"\"saved.img\""});
    CImage* p = picture("P");
    CImage* q = picture("Q");
    ASSERT_EQ(q->Width(), 50);
    ASSERT_EQ(q->Height(), 30);
    int wrong = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            wrong += p->GetPixel(x, y).GetInBPP(16) != q->GetPixel(x, y).GetInBPP(16) ||
                     p->GetPixel(CHANNEL_ALPHA, CXPoint(x, y)) != q->GetPixel(CHANNEL_ALPHA, CXPoint(x, y));
    EXPECT_EQ(wrong, 0);
    // Flipped: the transparent columns come first.
    EXPECT_EQ(q->GetPixel(CHANNEL_ALPHA, CXPoint(0, 0)), 0);
}

// LINK: the linked picture takes the source's position and size and shows
// its buffers (a change to the source's pixels shows in both) and keeps its
// own opacity, priority and visibility. A link to nothing, to another type
// or back to itself changes nothing. When the source picture goes (its
// object loads another file, or is unloaded), the linked one keeps what it
// showed; the objects go in either order without a double free.
TEST_F(CMC_Image_RunnerTest, LinkSharesTheSourcesPixels)
{
    pic({"L:TYPE=IMAGE", "L:FILENAME=red.img", "L:TOCANVAS=TRUE", "L:PRIORITY=9", "L:VISIBLE=FALSE"});
    call("L", "SETOPACITY", {"100"});
    call("L", "LINK", {"\"NOSUCH\""});
    call("L", "LINK", {"\"LOG\""});
    call("L", "LINK", {"\"L\""});
    EXPECT_EQ(call("L", "GETWIDTH"), "20");

    call("L", "LINK", {"\"P\""});
    EXPECT_EQ(picture("L")->GetDataPtr(), picture("P")->GetDataPtr());
    EXPECT_EQ(call("L", "GETWIDTH") + "," + call("L", "GETHEIGHT"), "50,30");
    EXPECT_EQ(call("L", "GETPOSITIONX") + "," + call("L", "GETPOSITIONY"), "100,40");
    EXPECT_EQ(call("L", "GETOPACITY") + call("L", "ISVISIBLE"), "100FALSE");
    EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(picture("L")), 9);

    call("P", "REPLACECOLOR", {"0", "0", "0", "8", "255", "255", "255"});
    call("L", "MOVE", {"0", "100"});
    EXPECT_EQ(call("L", "GETPIXEL", {"100", "140"}), "-1");
    // A link back to the picture it shows changes nothing.
    call("P", "LINK", {"\"L\""});
    EXPECT_EQ(picture("P")->getLinkSource(), nullptr);

    // P's picture goes: L keeps a copy of what it showed.
    tmp.write("b.img", tmp.read("red.img"));
    call("P", "LOAD", {"\"b.img\""});
    EXPECT_EQ(picture("L")->getLinkSource(), nullptr);
    EXPECT_EQ(call("L", "GETPIXEL", {"100", "140"}), "-1");
    EXPECT_EQ(call("L", "GETALPHA", {"145", "140"}), "0");

    // Linked again, to P's new picture; the linked object goes first.
    call("L", "LINK", {"\"P\""});
    EXPECT_EQ(call("L", "GETWIDTH"), "20");
    unloadObject("L");
    EXPECT_EQ(call("P", "GETWIDTH"), "20");
}

// A picture linked to one that is itself linked shows the first source's
// buffers; an image linked to the one it lends its pixels to changes
// nothing; the source unloaded first leaves each linked one a copy.
TEST_F(CMC_Image_RunnerTest, LinksOfLinksAndTheSourceUnloadedFirst)
{
    for (const char* name : {"a.img", "b.img", "c.img"})
        tmp.write(name, tmp.read("red.img"));
    pic({"A:TYPE=IMAGE", "A:FILENAME=a.img", "B:TYPE=IMAGE", "B:FILENAME=b.img", "C:TYPE=IMAGE",
         "C:FILENAME=c.img"});
    call("B", "LINK", {"\"A\""});
    call("A", "LINK", {"\"P\""});
    call("C", "LINK", {"\"B\""});
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_EQ(picture(name)->getLinkSource(), picture("P")) << name;
        EXPECT_EQ(picture(name)->GetDataPtr(), picture("P")->GetDataPtr()) << name;
    }
    call("P", "LINK", {"\"C\""});
    EXPECT_EQ(picture("P")->getLinkSource(), nullptr);

    // HIDE keeps the pixels; a picture made to drop them gives them up
    // for the linked ones too, which take up the new ones when it reads
    // its file again.
    picture("P")->flush();
    EXPECT_EQ(call("A", "GETPIXEL", {"100", "40"}), "0");
    call("P", "SHOW");
    EXPECT_EQ(call("A", "GETPIXEL", {"100", "40"}), std::to_string(int16_t(picWord(0, 0))));

    unloadObject("P");
    for (const char* name : {"A", "B", "C"}) {
        EXPECT_EQ(picture(name)->getLinkSource(), nullptr) << name;
        EXPECT_EQ(call(name, "GETWIDTH"), "50") << name;
    }
    EXPECT_NE(picture("A")->GetDataPtr(), picture("B")->GetDataPtr());
    // C took B's place, (0, 0).
    EXPECT_EQ(call("C", "GETPIXEL", {"1", "0"}), std::to_string(int16_t(picWord(1, 0))));
}

// GETSLIDECOMPS turns the motion one way and the other, shorter each turn,
// until it ends on a point off the opaque part; the components go to the
// array as doubles. Expected values follow the same turns.
TEST_F(CMC_Image_RunnerTest, SlideComponents)
{
    pic();
    const double k = 57.29577951307855, c = std::cos(k), s = std::sin(k);
    auto turnA = [&](double& x, double& y) {
        const double nx = (c * x + s * y) * 5.0 / 6.0, ny = (c * y - s * x) * 5.0 / 6.0;
        x = nx;
        y = ny;
    };
    auto components = [&](const char* vx, const char* vy, const char* px, const char* py) {
        call("ARR", "REMOVEALL");
        call("P", "GETSLIDECOMPS", {vx, vy, px, py, "\"ARR\""});
        return array("ARR");
    };
    auto text = [](double x, double y) {
        CMC_Double* a = CMC_Double::temporary(x);
        CMC_Double* b = CMC_Double::temporary(y);
        std::string t = std::string(a->toString().c_str()) + "," + b->toString().c_str();
        CMC_Object::flush(a);
        CMC_Object::flush(b);
        return t;
    };

    // From a point far from the picture the first turn is off it.
    double ax = 10, ay = 0;
    turnA(ax, ay);
    EXPECT_EQ(components("10.0", "0.0", "0", "0"), text(ax, ay));

    // In the middle of the opaque part every short vector stays on it: A
    // after 90 turns.
    ax = 3;
    ay = 2;
    for (int i = 0; i < 90; ++i)
        turnA(ax, ay);
    EXPECT_EQ(components("3.0", "2.0", "120", "55"), text(ax, ay));

    // Nothing for a name that is no array; huge motions are off the picture.
    call("ARR", "REMOVEALL");
    call("P", "GETSLIDECOMPS", {"1.0", "1.0", "120", "55", "\"LOG\""});
    EXPECT_EQ(array("LOG"), "");
    EXPECT_NE(components("1e300", "-1e300", "120", "55"), "");
}

} // namespace
