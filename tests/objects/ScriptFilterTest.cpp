// The FILTER object and its timed effects, on IMAGE and ANIMO objects of a
// scene with a window.
#include "ScriptImageSupport.h"
#include "base/Archive.h"
#include "base/File.h"
#include "collections/Vector.h"
#include "media/Frame.h"
#include "objects/ScriptFilter.h"
#include "script/Disposal.h"
#include "script/Scene.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace animotest;
using namespace imagetest;

namespace {

// Counts the invalidations of a drawable.
struct InvalidateCounter : CInvalidateObserver {
    void onInvalidate(CGraphicsObject*, CXRect*) override { ++count; }
    void onDestroy(CGraphicsObject*) override {}
    int count = 0;
};

std::vector<uint16_t> words(CGraphicsObject* g)
{
    std::vector<uint16_t> v(size_t(g->Width()) * size_t(g->Height()));
    std::memcpy(v.data(), g->GetDataPtr(), v.size() * 2);
    return v;
}

class CMC_FilterTest : public ImageTest {
protected:
    // The IMAGE objects' pictures: "4.img" 4 x 4, "a.img" and "b.img" 2 x
    // 2, "path.img" 2 x 2 at (100, 50), "water.img" 8 x 6 opaque on its
    // left half, "wave.img" 7 x 5.
    CMC_FilterTest()
    {
        for (const char* name : {"a.img", "b.img", "path.img"})
            EXPECT_TRUE(writeImage(tmp.file(name), 2, 2, plain(0), nullptr,
                                   name[0] == 'p' ? CXPoint(100, 50) : CXPoint(0, 0)));
        EXPECT_TRUE(writeImage(tmp.file("4.img"), 4, 4, plain(0)));
        EXPECT_TRUE(writeImage(tmp.file("water.img"), 8, 6, plain(0), [](int x, int) { return x < 4 ? 255 : 0; }));
        EXPECT_TRUE(writeImage(tmp.file("wave.img"), 7, 5, plain(0)));
    }
    CMC_Filter* filter(const char* name = "F") { return static_cast<CMC_Filter*>(scene->getObject(name)); }
    CFilterEffectLink* link(const char* image, const char* f = "F")
    {
        return filter(f)->getEffect()->findLink(scene->getGraphicsObject(CXString(image)));
    }
    // n steps of the effect, as n timer fires.
    void tick(int n, const char* f = "F")
    {
        for (int i = 0; i < n; ++i)
            filter(f)->getEffect()->onTimer(0);
    }
};

} // namespace

TEST_F(CMC_FilterTest, FadeInReachesEndOnStep2551AndWritesWholeOpacities)
{
    define({"LOG:TYPE=STRING", "HERO:TYPE=IMAGE", "HERO:FILENAME=4.img", "F:TYPE=FILTER", "F:ACTION=FADEIN",
            "F:ONSTARTED={LOG^ADD(F^ISRUNNING(\"HERO\"));}", "F:ONFINISHED^HERO={LOG^ADD(\"fin-hero.\");}",
            "F:ONFINISHED={LOG^ADD(\"fin.\");}"});
    EXPECT_EQ(filter()->toString(), CXString("Filter"));
    CGraphicsObject* hero = image("HERO");
    call("F", "LINK", {"\"HERO\""});
    InvalidateCounter counter;
    hero->addInvalidateObserver(&counter);
    call("F", "START", {"\"HERO\""});
    call("F", "START", {"\"HERO\""});
    EXPECT_EQ(logged(), "FALSE");
    EXPECT_EQ(hero->GetOpacity(), 0);
    // The timer of the window steps it once a frame.
    frame();
    EXPECT_EQ(link("HERO")->getState()->getCount(), 1);
    tick(2549);
    EXPECT_EQ(call("F", "ISRUNNING", {"\"HERO\""}), "TRUE");
    EXPECT_EQ(hero->GetOpacity(), 254);
    tick(1);
    EXPECT_EQ(call("F", "ISRUNNING", {"\"HERO\""}), "FALSE");
    EXPECT_EQ(link("HERO")->getState()->getCount(), 2551);
    EXPECT_EQ(static_cast<CFadeEffectState*>(link("HERO")->getState())->level, 255.0);
    EXPECT_EQ(hero->GetOpacity(), 255);
    // One write for each whole level from 1 to 255.
    EXPECT_EQ(counter.count, 255);
    EXPECT_EQ(logged(), "fin-hero.");
    call("F", "STOP", {"\"HERO\""});
    EXPECT_EQ(logged(), "");
    hero->removeInvalidateObserver(&counter);
}

TEST_F(CMC_FilterTest, FadesRaiseTheirEventsAndBounce)
{
    define({"LOG:TYPE=STRING", "HERO:TYPE=IMAGE", "HERO:FILENAME=4.img", "IN:TYPE=FILTER", "IN:ACTION=FADEIN",
            "IN:ONTICK={LOG^ADD(\"t.\");}", "IN:ONFINISHED={LOG^ADD(IN^ISRUNNING(\"HERO\"));}", "OUT:TYPE=FILTER",
            "OUT:ACTION=FADEOUT", "IO:TYPE=FILTER", "IO:ACTION=FADEINOUT"});
    CGraphicsObject* hero = image("HERO");
    call("IN", "SETPROPERTY", {"\"SPEED\"", "\"100\""});
    call("IN", "LINK", {"\"HERO\""});
    call("IN", "START", {"\"HERO\""});
    tick(3, "IN");
    EXPECT_EQ(logged(), "t.t.FALSE");
    EXPECT_EQ(hero->GetOpacity(), 255);
    // A START at or past END finishes on the first step at END.
    call("IN", "SETPROPERTY", {"\"START\"", "\"300\""});
    call("IN", "START", {"\"HERO\""});
    tick(1, "IN");
    EXPECT_EQ(logged(), "FALSE");
    EXPECT_EQ(static_cast<CFadeEffectState*>(link("HERO", "IN")->getState())->level, 255.0);

    call("OUT", "SETPROPERTY", {"\"SPEED\"", "\"100\""});
    call("OUT", "SETPROPERTY", {"\"END\"", "\"30\""});
    call("OUT", "LINK", {"\"HERO\""});
    call("OUT", "START", {"\"HERO\""});
    std::string levels;
    for (int i = 0; i < 3; ++i) {
        tick(1, "OUT");
        levels += std::to_string(hero->GetOpacity()) + (call("OUT", "ISRUNNING", {"\"HERO\""}) == "TRUE" ? "+ " : " ");
    }
    EXPECT_EQ(levels, "155+ 55+ 30 ");

    call("IO", "SETPROPERTY", {"\"SPEED\"", "\"100\""});
    call("IO", "LINK", {"\"HERO\""});
    call("IO", "START", {"\"HERO\""});
    levels.clear();
    for (int i = 0; i < 8; ++i) {
        tick(1, "IO");
        levels += std::to_string(hero->GetOpacity()) + " ";
    }
    EXPECT_EQ(levels, "100 200 255 155 55 0 100 200 ");
    EXPECT_EQ(call("IO", "ISRUNNING", {"\"HERO\""}), "TRUE");
}

TEST_F(CMC_FilterTest, LinksAreKeptOncePerDrawableAndOneAtATime)
{
    define({"A:TYPE=IMAGE", "A:FILENAME=a.img", "B:TYPE=IMAGE", "B:FILENAME=b.img", "F:TYPE=FILTER", "F:ACTION=FADEIN",
            "N:TYPE=FILTER", "N:ACTION=fadein"});
    auto links = [this]() {
        std::string s;
        for (int i = 0; i < filter()->getEffect()->getLinkCount(); ++i)
            s += filter()->getEffect()->getLink(i)->getObjectName().c_str();
        return s;
    };
    call("F", "LINK", {"\"A\""});
    call("F", "LINK", {"\"A\""});
    call("F", "LINK", {"\"B\""});
    call("F", "LINK", {"\"NOSUCH\""});
    EXPECT_EQ(links(), "AB");
    call("F", "UNLINK", {"\"A\""});
    EXPECT_EQ(links(), "B");
    call("F", "SETPROPERTY", {"\"ONEATTIME\"", "\"TRUE\""});
    call("F", "LINK", {"\"A\""});
    EXPECT_EQ(links(), "A");
    // Linking the linked one again with ONEATTIME leaves none.
    call("F", "LINK", {"\"A\""});
    EXPECT_EQ(links(), "");

    // An ACTION that names no effect: an object whose methods do nothing.
    EXPECT_EQ(filter("N")->getEffect(), nullptr);
    for (const char* method : {"SETPROPERTY", "LINK", "START", "STOP", "UNLINK"})
        EXPECT_EQ(call("N", method, {"\"A\"", "\"1\""}), "-") << method;
    EXPECT_EQ(call("N", "ISRUNNING", {"\"A\""}), "FALSE");
    EXPECT_EQ(call("F", "ISRUNNING", {"\"NOSUCH\""}), "FALSE");
}

TEST_F(CMC_FilterTest, PathWalksItsNodesAtItsSpeed)
{
    define({"LOG:TYPE=STRING", "HERO:TYPE=IMAGE", "HERO:FILENAME=path.img", "RIGHT:TYPE=VECTOR",
            "RIGHT:SIZE=2", "RIGHT:VALUE=10,0", "DOWN:TYPE=VECTOR", "DOWN:SIZE=2", "DOWN:VALUE=0,-5", "ZERO:TYPE=VECTOR",
            "ZERO:SIZE=2", "ZERO:VALUE=0,0", "P:TYPE=PATH", "P:NODES=RIGHT,DOWN", "FLAT:TYPE=PATH", "FLAT:NODES=RIGHT",
            "DOT:TYPE=PATH", "DOT:NODES=ZERO", "ODD:TYPE=PATH", "ODD:NODES=LOG,NOSUCH", "F:TYPE=FILTER",
            "F:ACTION=PATH", "F:ONFINISHED={LOG^ADD(\"fin.\");}"});
    call("FLAT", "SETPROPERTY", {"\"DENSITY\"", "0"});
    CGraphicsObject* hero = image("HERO");
    auto at = [hero]() { return std::to_string(hero->getPosition().x) + "," + std::to_string(hero->getPosition().y); };
    call("F", "SETPROPERTY", {"\"PATHDEF\"", "\"P\""});
    call("F", "SETPROPERTY", {"\"SPEED\"", "\"3\""});
    call("F", "LINK", {"\"HERO\""});
    call("F", "START", {"\"HERO\""});
    tick(2);
    EXPECT_EQ(at(), "100,50");
    tick(1);
    EXPECT_EQ(at(), "101,50");
    tick(27);
    EXPECT_EQ(at(), "110,50");
    tick(15);
    EXPECT_EQ(at(), "110,45");
    EXPECT_EQ(logged(), "fin.");
    EXPECT_EQ(call("F", "ISRUNNING", {"\"HERO\""}), "FALSE");

    // Looped, it starts again at the first node from where it stands.
    call("F", "SETPROPERTY", {"\"LOOPED\"", "\"TRUE\""});
    call("F", "SETPROPERTY", {"\"SPEED\"", "\"1\""});
    call("F", "UNLINK", {"\"HERO\""});
    call("F", "LINK", {"\"HERO\""});
    call("F", "START", {"\"HERO\""});
    tick(15 + 4);
    EXPECT_EQ(at(), "124,40");
    EXPECT_EQ(logged(), "");

    // Steps that give no movement move nothing and never finish (nodes that
    // are no VECTOR objects give none); a node of length 0 is walked at once.
    struct {
        const char* path;
        const char* speed;
    } still[] = {{"P", "0"}, {"P", "-2"}, {"FLAT", "1"}, {"NOSUCH", "1"}, {"LOG", "1"}, {"ODD", "1"}};
    for (const auto& c : still) {
        call("F", "STOP", {"\"HERO\""});
        call("F", "UNLINK", {"\"HERO\""});
        call("F", "SETPROPERTY", {"\"PATHDEF\"", (std::string("\"") + c.path + "\"").c_str()});
        call("F", "SETPROPERTY", {"\"SPEED\"", c.speed});
        call("F", "LINK", {"\"HERO\""});
        call("F", "START", {"\"HERO\""});
        tick(20);
        EXPECT_EQ(at(), "124,40") << c.path << " " << c.speed;
    }
    call("F", "STOP", {"\"HERO\""});
    logged();
    call("F", "SETPROPERTY", {"\"PATHDEF\"", "\"DOT\""});
    call("F", "SETPROPERTY", {"\"LOOPED\"", "\"FALSE\""});
    call("F", "START", {"\"HERO\""});
    tick(1);
    EXPECT_EQ(logged(), "fin.");
}

TEST_F(CMC_FilterTest, WaterRipplesOpaquePixelsFromTheLinkedPicture)
{
    define({"HERO:TYPE=IMAGE", "HERO:FILENAME=water.img", "F:TYPE=FILTER", "F:ACTION=WATER"});
    CGraphicsObject* hero = image("HERO");
    uint16_t* p = reinterpret_cast<uint16_t*>(hero->GetDataPtr());
    for (int i = 0; i < 48; ++i)
        p[i] = uint16_t(i + 1);
    const std::vector<uint16_t> source = words(hero);
    call("F", "SETPROPERTY", {"\"FACTOR\"", "\"3.5\""});
    call("F", "LINK", {"\"HERO\""});
    call("F", "START", {"\"HERO\""});
    for (int step = 1; step <= 3; ++step) {
        tick(1);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const int dy = 3 - y, dx = 4 - x;
                const double d = std::sqrt(double(dx * dx + dy * dy));
                const float wave = float(std::sin(double(step))) * float(std::cos(d)) +
                                   float(std::cos(double(step))) * float(std::sin(d));
                const int off = int(std::trunc(wave * 3.5));
                const int sx = std::min(7, std::max(0, x + off)), sy = std::min(5, std::max(0, y + off));
                // The right half is transparent: untouched.
                const uint16_t expected = x < 4 ? source[size_t(sy * 8 + sx)] : source[size_t(y * 8 + x)];
                ASSERT_EQ(p[y * 8 + x], expected) << "step " << step << " at " << x << "," << y;
            }
    }
    EXPECT_EQ(call("F", "ISRUNNING", {"\"HERO\""}), "TRUE");
}

TEST_F(CMC_FilterTest, WavingRedrawsFromTheFirstPixelsEveryTenthStep)
{
    define({"HERO:TYPE=IMAGE", "HERO:FILENAME=wave.img", "F:TYPE=FILTER", "F:ACTION=WAVING"});
    CGraphicsObject* hero = image("HERO");
    uint16_t* p = reinterpret_cast<uint16_t*>(hero->GetDataPtr());
    for (int i = 0; i < 35; ++i)
        p[i] = uint16_t(i + 1);
    const std::vector<uint16_t> source = words(hero);
    call("F", "SETPROPERTY", {"\"AMPLITUDE\"", "\"2\""});
    call("F", "LINK", {"\"HERO\""});
    call("F", "START", {"\"HERO\""});
    auto expected = [&](int phase) {
        std::vector<uint16_t> out(35);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const int shift = int(std::trunc(std::sin(x * 1.0 + phase / 10) * 2));
                const int s = (y + shift) * 7 + x;
                out[size_t(y * 7 + x)] = source[size_t(s >= 0 && s < 35 ? s : y * 7 + x)];
            }
        return out;
    };
    // A redraw invalidates the picture (its new buffers may take the
    // place of the freed ones).
    std::vector<int> redrawn;
    InvalidateCounter counter;
    hero->addInvalidateObserver(&counter);
    for (int step = 1; step <= 113; ++step) {
        tick(1);
        if (counter.count > 0)
            redrawn.push_back(step);
        counter.count = 0;
        if (step == 1 || step == 11) {
            EXPECT_EQ(words(hero), expected(step - 1)) << step;
        }
    }
    EXPECT_EQ(redrawn, (std::vector<int>{1, 11, 21, 31, 41, 51, 61, 71, 81, 91, 101, 102, 112}));
    // Unlinked, the picture keeps its last wave; the first pixels go with
    // the link.
    hero->removeInvalidateObserver(&counter);
    const std::vector<uint16_t> last = words(hero);
    call("F", "UNLINK", {"\"HERO\""});
    EXPECT_EQ(words(hero), last);
}

// An animation shows its frame's pixels: the wave is drawn into the frame
// shown, which the animation packs again when it shows another one. The
// animation may play, change frames and go while linked.
TEST_F(CMC_FilterTest, WavingLinkedToAnAnimationFollowsItsFrames)
{
    define({"A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE", "A:PRIORITY=2",
            "F:TYPE=FILTER", "F:ACTION=WAVING"});
    CAnimo6* animation = this->animation("A");
    ASSERT_NE(animation, nullptr);
    CGraphicsObject* frame0 = animation->getDrawn();
    ASSERT_NE(frame0, nullptr);
    steps(1);
    const std::vector<uint16_t> before = words(frame0);
    call("F", "SETPROPERTY", {"\"AMPLITUDE\"", "\"3\""});
    call("F", "LINK", {"\"A\""});
    call("F", "START", {"\"A\""});
    tick(1);
    ASSERT_EQ(animation->getDrawn(), frame0);
    const std::vector<uint16_t> waved = words(frame0);
    const int w = frame0->Width();
    for (int x = 0; x < w; ++x) {
        const int shift = int(std::trunc(std::sin(double(x)) * 3));
        const int s = (10 + shift) * w + x;
        ASSERT_EQ(waved[size_t(10 * w + x)], before[size_t(s)]) << x;
    }
    EXPECT_EQ(animation->GetDataPtr(), frame0->GetDataPtr());
    // Frames change under the wave.
    call("A", "PLAY", {"\"WALK\""});
    for (int i = 0; i < 40; ++i) {
        steps(1);
        tick(3);
    }
    call("A", "PLAY", {"\"STAND\""});
    steps(2);
    tick(25);
    // The animation goes while linked: so does the link.
    unloadObject("A");
    CMC_Disposal::freeWaiting();
    EXPECT_EQ(filter()->getEffect()->getLinkCount(), 0);
    tick(12);
}

TEST_F(CMC_FilterTest, TheSnapshotKeepsTheActionAndStartsAfresh)
{
    define({"A:TYPE=ANIMO", "A:FILENAME=hero.ann", "F:TYPE=FILTER", "F:ACTION=WATER", "N:TYPE=FILTER",
            "N:ACTION=SPIN"});
    call("F", "SETPROPERTY", {"\"FACTOR\"", "\"9\""});
    call("F", "LINK", {"\"A\""});
    {
        CFile file(nullptr, CXString("S.bin"), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
        CXArchive archive(&file, true);
        scene->writeSnapshot(&archive);
    }
    std::unique_ptr<CMC_Scene> back(new CMC_Scene(window.get(), MC_SCENE));
    CFile file(nullptr, CXString("S.bin"), CFile::MODE_READ | CFile::MODE_BINARY);
    CXArchive archive(&file, false);
    ASSERT_TRUE(back->readSnapshot(&archive));
    CMC_Filter* f = static_cast<CMC_Filter*>(back->getObject("F"));
    ASSERT_TRUE(f && f->getType() == MC_FILTER);
    EXPECT_EQ(f->getAction(), CXString("WATER"));
    ASSERT_NE(f->getEffect(), nullptr);
    EXPECT_EQ(f->getEffect()->getLinkCount(), 0);
    EXPECT_EQ(static_cast<CWaterEffectParams*>(f->getEffect()->getParams())->factor, 1.1);
    CMC_Filter* n = static_cast<CMC_Filter*>(back->getObject("N"));
    ASSERT_TRUE(n && n->getType() == MC_FILTER);
    EXPECT_EQ(n->getEffect(), nullptr);
    back->unload();
}
