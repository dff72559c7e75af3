// The STATICFILTER object and its controllers, on IMAGE and ANIMO objects
// of a scene with a window, with plain (kind 0) and packed (kind 4)
// pictures.
#include "ScriptImageSupport.h"
#include "objects/ScriptStaticFilter.h"
#include "script/Scene.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace animotest;
using namespace imagetest;

namespace {

// What a drawable shows: its size, place, words and alpha bytes, read
// through a plain copy (a packed picture through its packed form).
struct Look {
    int w = 0, h = 0, x = 0, y = 0;
    std::vector<uint16_t> words;
    std::vector<uint8_t> alpha;
    bool operator==(const Look& o) const
    {
        return w == o.w && h == o.h && x == o.x && y == o.y && words == o.words && alpha == o.alpha;
    }
};

Look look(CGraphicsObject* g)
{
    Look l;
    CGraphicsObject copy(g->GetWindow());
    copy.Copy(g);
    l.w = copy.Width();
    l.h = copy.Height();
    l.x = g->GetPosition().x;
    l.y = g->GetPosition().y;
    const size_t n = size_t(l.w) * size_t(l.h);
    if (copy.GetDataPtr()) {
        l.words.resize(n);
        std::memcpy(l.words.data(), copy.GetDataPtr(), n * 2);
    }
    if (copy.GetChannelAlpha())
        l.alpha.assign(copy.GetChannelAlpha(), copy.GetChannelAlpha() + n);
    return l;
}

// One filter with the parameters that make it change a picture.
struct Case {
    const char* action;
    std::vector<std::pair<const char*, const char*>> properties;
};
const std::vector<Case> cases = {
    {"COLORCHANNEL", {{"\"CHANNELS\"", "\"G\""}}},
    {"GRAYSCALE", {}},
    {"ROTATE", {{"\"ANGLE\"", "\"30\""}}},
    {"BLUR", {}},
    {"SCALE", {{"\"FACTORX\"", "\"2\""}, {"\"FACTORY\"", "\"0.5\""}, {"\"BYCENTER\"", "\"TRUE\""}}},
    {"NEGATIVE", {}},
    {"RANDOMJITTER", {{"\"MAXJITTER\"", "\"5\""}}},
    {"WAVES", {{"\"AMPLITUDE\"", "\"2\""}, {"\"OFFSET\"", "\"1\""}}},
};

uint16_t texture(int x, int y) { return uint16_t(0x0843 * ((x * 7 + y * 3) % 13) + 0x21 * y); }

class CMC_StaticFilterTest : public ImageTest {
protected:
    // "p0.img" plain and "p4.img" packed, 12 x 9 at (20, 30), with alpha.
    CMC_StaticFilterTest()
    {
        auto alphaAt = [](int x, int) { return uint8_t(x < 10 ? 255 : 0); };
        EXPECT_TRUE(writeImage(tmp.file("p0.img"), 12, 9, texture, alphaAt, CXPoint(20, 30)));
        std::unique_ptr<CGraphicsObject> g = screentest::drawable(nullptr, 12, 9, texture, alphaAt);
        g->SetPosition(20, 30);
        EXPECT_EQ(g->Save(CXString(platform::toEnginePath(tmp.file("p4.img")).c_str()), COMPRESSION_RLE2), 0);
    }
    CStaticFilterEffect* controller(const char* name = "F")
    {
        return static_cast<CMC_StaticFilter*>(scene->getObject(name))->getController();
    }
    CGraphicsObject* drawable(const char* name) { return scene->getGraphicsObject(CXString(name)); }
};

} // namespace

// Every filter changes a linked picture; with CANUNDO the UNLINK gives it
// back as it was, pixel for pixel with its size and place, plain or
// packed; without, the picture stays filtered.
TEST_F(CMC_StaticFilterTest, UnlinkRestoresEveryFilterWithUndoOnly)
{
    for (const Case& c : cases)
        for (const char* file : {"p0.img", "p4.img"})
            for (bool undo : {true, false}) {
                SCOPED_TRACE(std::string(c.action) + " " + file + (undo ? " undo" : ""));
                define({"P:TYPE=IMAGE", (std::string("P:FILENAME=") + file).c_str(), "F:TYPE=STATICFILTER",
                        (std::string("F:ACTION=") + c.action).c_str()});
                ASSERT_NE(controller(), nullptr);
                CGraphicsObject* p = drawable("P");
                const Look before = look(p);
                ASSERT_EQ(before.w, 12);
                for (const auto& kv : c.properties)
                    call("F", "SETPROPERTY", {kv.first, kv.second});
                call("F", "SETPROPERTY", {"\"CANUNDO\"", undo ? "\"TRUE\"" : "\"FALSE\""});
                call("F", "LINK", {"\"P\""});
                const Look filtered = look(p);
                EXPECT_FALSE(filtered == before);
                call("F", "UNLINK", {"\"P\""});
                EXPECT_EQ(controller()->getLinkCount(), 0);
                if (undo)
                    EXPECT_TRUE(look(p) == before);
                else
                    EXPECT_TRUE(look(p) == filtered);
                unloadObject("F");
                unloadObject("P");
            }
}

TEST_F(CMC_StaticFilterTest, LinksOnceOrOneAtATimeAndParametersApplyAtTheNextLink)
{
    define({"A:TYPE=IMAGE", "A:FILENAME=p0.img", "B:TYPE=IMAGE", "B:FILENAME=p4.img", "F:TYPE=STATICFILTER",
            "F:ACTION=NEGATIVE", "N:TYPE=STATICFILTER", "N:ACTION=negative"});
    const Look plain = look(drawable("A"));
    call("F", "LINK", {"\"A\""});
    const Look once = look(drawable("A"));
    call("F", "LINK", {"\"A\""});
    call("F", "LINK", {"\"NOSUCH\""});
    EXPECT_TRUE(look(drawable("A")) == once);
    EXPECT_FALSE(once == plain);
    EXPECT_EQ(controller()->getLinkCount(), 1);
    call("F", "SETPROPERTY", {"\"ONEATTIME\"", "\"TRUE\""});
    call("F", "SETPROPERTY", {"\"CANUNDO\"", "\"TRUE\""});
    call("F", "LINK", {"\"B\""});
    ASSERT_EQ(controller()->getLinkCount(), 1);
    EXPECT_EQ(controller()->getLink(0)->getGraphic(), drawable("B"));
    // A was linked without undo: it stays negative.
    EXPECT_TRUE(look(drawable("A")) == once);
    call("F", "UNLINK", {"\"B\""});
    call("F", "UNLINK", {"\"B\""});
    EXPECT_TRUE(look(drawable("B")) == plain);

    // BLUR SIZE: set before a LINK it blurs with it; set after, the linked
    // picture stays as it was filtered.
    for (const char* file : {"c.img", "d.img"})
        ASSERT_TRUE(writeImage(tmp.file(file), 12, 9, texture));
    define({"BL:TYPE=STATICFILTER", "BL:ACTION=BLUR", "C:TYPE=IMAGE", "C:FILENAME=c.img", "D:TYPE=IMAGE",
            "D:FILENAME=d.img"});
    call("BL", "SETPROPERTY", {"\"SIZE\"", "\"5\""});
    call("BL", "LINK", {"\"C\""});
    const Look blurred5 = look(drawable("C"));
    call("BL", "SETPROPERTY", {"\"SIZE\"", "\"3\""});
    EXPECT_TRUE(look(drawable("C")) == blurred5);
    call("BL", "LINK", {"\"D\""});
    EXPECT_FALSE(look(drawable("D")) == blurred5);
    EXPECT_EQ(controller("BL")->staticParams()->values.size, 3);

    // Names are exact; unknown names and ids, the common ones included,
    // change nothing and answer nothing.
    call("BL", "SETPROPERTY", {"\"size\"", "\"9\""});
    call("BL", "SETPROPERTY", {"\"ANGLE\"", "\"9\""});
    EXPECT_EQ(controller("BL")->staticParams()->values.size, 3);
    EXPECT_EQ(controller("BL")->staticParams()->values.angle, 0.0);
    EXPECT_EQ(call("BL", "GETNAME"), "-");
    EXPECT_EQ(run("BL", 42, nullptr), "-");
    // No filter for that ACTION: methods that do nothing.
    EXPECT_EQ(controller("N"), nullptr);
    for (const char* method : {"SETPROPERTY", "LINK", "UNLINK", "GETNAME"})
        EXPECT_EQ(call("N", method, {"\"A\"", "\"1\""}), "-") << method;
}

// With CURRENTFRAME and CANUNDO exactly the frame shown carries the
// filter while the animation plays; UNLINK leaves every frame as it was.
// Every mix of CANUNDO and CURRENTFRAME links, plays and unlinks cleanly.
TEST_F(CMC_StaticFilterTest, AnimationsAreFilteredFrameByFrame)
{
    define({"A:TYPE=ANIMO", "A:FILENAME=hero.ann", "A:TOCANVAS=TRUE", "A:VISIBLE=TRUE", "F:TYPE=STATICFILTER",
            "F:ACTION=NEGATIVE"});
    CAnimo6* a = animation("A");
    ASSERT_NE(a, nullptr);
    std::vector<Look> original;
    for (int i = 0; i < a->GetNOF(); ++i)
        original.push_back(look(a->GetFrame(i)));
    auto filteredFrames = [&]() {
        std::string s;
        for (int i = 0; i < a->GetNOF(); ++i)
            s += look(a->GetFrame(i)) == original[size_t(i)] ? '.' : 'x';
        return s;
    };
    call("F", "SETPROPERTY", {"\"CANUNDO\"", "\"TRUE\""});
    call("A", "PLAY", {"\"WALK\""});
    steps(1);
    const int first = a->Current();
    call("F", "LINK", {"\"A\""});
    EXPECT_EQ(filteredFrames()[size_t(first)], 'x');
    EXPECT_EQ(a->GetDataPtr(), a->GetFrame(first)->GetDataPtr());
    for (int i = 0; i < 6; ++i) {
        steps(1);
        const std::string f = filteredFrames();
        EXPECT_EQ(std::count(f.begin(), f.end(), 'x'), 1) << f;
        EXPECT_EQ(f[size_t(a->Current())], 'x') << f;
    }
    call("F", "UNLINK", {"\"A\""});
    EXPECT_EQ(filteredFrames(), "........");
    steps(3);

    // The other mixes: without undo the frame shown at LINK stays
    // filtered; without CURRENTFRAME every frame is filtered at once. The
    // scene's animations of one file share their frames.
    const struct {
        bool undo, current;
        const char* linked;
        const char* after;
    } mixes[] = {{true, false, "xxxxxxxx", "........"},
                 {false, true, ".x......", ".x......"},
                 {false, false, "xxxxxxxx", "xxxxxxxx"}};
    for (const auto& m : mixes) {
        SCOPED_TRACE(std::string(m.undo ? "undo " : "") + (m.current ? "current" : "all"));
        define({"B:TYPE=ANIMO", "B:FILENAME=hero.ann", "B:TOCANVAS=TRUE", "B:VISIBLE=TRUE", "G:TYPE=STATICFILTER",
                "G:ACTION=ROTATE"});
        a = animation("B");
        call("G", "SETPROPERTY", {"\"ANGLE\"", "\"45\""});
        call("G", "SETPROPERTY", {"\"CANUNDO\"", m.undo ? "\"TRUE\"" : "\"FALSE\""});
        call("G", "SETPROPERTY", {"\"CURRENTFRAME\"", m.current ? "\"TRUE\"" : "\"FALSE\""});
        call("B", "SETFRAME", {"\"WALK\"", "0"});
        call("G", "LINK", {"\"B\""});
        EXPECT_EQ(filteredFrames(), m.linked);
        call("B", "PLAY", {"\"JUMP\""});
        steps(3);
        call("G", "UNLINK", {"\"B\""});
        EXPECT_EQ(filteredFrames(), m.after);
        steps(2);
        unloadObject("G");
        unloadObject("B");
    }
}

// A restored scene has every filter with its controller at the first
// values and no links; unloading a scene restores linked drawables before
// they go.
TEST_F(CMC_StaticFilterTest, SnapshotRestoresControllersAndUnloadRestoresLinks)
{
    define({"P:TYPE=IMAGE", "P:FILENAME=p4.img", "NONE:TYPE=STATICFILTER", "NONE:ACTION=SPIN",
            "COLORCHANNEL:TYPE=STATICFILTER", "COLORCHANNEL:ACTION=COLORCHANNEL", "GRAYSCALE:TYPE=STATICFILTER",
            "GRAYSCALE:ACTION=GRAYSCALE", "ROTATE:TYPE=STATICFILTER", "ROTATE:ACTION=ROTATE",
            "BLUR:TYPE=STATICFILTER", "BLUR:ACTION=BLUR", "SCALE:TYPE=STATICFILTER", "SCALE:ACTION=SCALE",
            "NEGATIVE:TYPE=STATICFILTER", "NEGATIVE:ACTION=NEGATIVE", "RANDOMJITTER:TYPE=STATICFILTER",
            "RANDOMJITTER:ACTION=RANDOMJITTER", "WAVES:TYPE=STATICFILTER", "WAVES:ACTION=WAVES"});
    call("BLUR", "SETPROPERTY", {"\"SIZE\"", "\"7\""});
    call("BLUR", "SETPROPERTY", {"\"CANUNDO\"", "\"TRUE\""});
    call("BLUR", "LINK", {"\"P\""});
    const std::string bytes = writeSnapshot();
    reread(bytes);
    const int kinds[] = {100, 101, 102, 103, 104, 105, 200, 201};
    for (size_t i = 0; i < cases.size(); ++i) {
        CMC_Object* o = scene->getObject(cases[i].action);
        ASSERT_TRUE(o && o->getType() == MC_STATICFILTER) << cases[i].action;
        CStaticFilterEffect* e = controller(cases[i].action);
        ASSERT_NE(e, nullptr) << cases[i].action;
        EXPECT_EQ(e->getParams()->kind, kinds[i]);
        EXPECT_EQ(e->getLinkCount(), 0);
        EXPECT_FALSE(e->staticParams()->undo);
        EXPECT_TRUE(e->staticParams()->currentFrame);
        EXPECT_FALSE(e->getParams()->oneAtATime);
    }
    EXPECT_EQ(controller("BLUR")->staticParams()->values.size, 3);
    EXPECT_EQ(controller("NONE"), nullptr);

    // Unloading: the filter goes first and gives the picture back.
    const Look before = look(drawable("P"));
    call("GRAYSCALE", "SETPROPERTY", {"\"CANUNDO\"", "\"TRUE\""});
    call("GRAYSCALE", "LINK", {"\"P\""});
    EXPECT_FALSE(look(drawable("P")) == before);
    scene->getObject("GRAYSCALE")->done(false);
    EXPECT_EQ(controller("GRAYSCALE")->getLinkCount(), 0);
    EXPECT_TRUE(look(drawable("P")) == before);
    // Still linked when the scene goes: the filters are done first.
    call("ROTATE", "SETPROPERTY", {"\"CANUNDO\"", "\"TRUE\""});
    call("ROTATE", "SETPROPERTY", {"\"ANGLE\"", "\"90\""});
    call("ROTATE", "LINK", {"\"P\""});
    EXPECT_EQ(look(drawable("P")).w, 9);
}
