// The script VIRTUALGRAPHICSOBJECT in a scene: its definition keys, source
// and mask taken by name, clipping, calls with missing arguments, clones,
// objects that go while the view shows them, the run-time maker and the
// snapshot. What the view draws is in VirtualGraphicsObjectTest and in
// VirtualGraphicsTitleTest.
#include "ScriptImageSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/VirtualGraphicsObject.h"
#include "objects/ScriptVirtualGraphics.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class CMC_VirtualGraphicsTest : public imagetest::ImageTest {
protected:
    CMC_VirtualGraphicsObject* object(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_VIRTUAL_GRAPHICSOBJECT) << name;
        return o && o->getType() == MC_VIRTUAL_GRAPHICSOBJECT ? static_cast<CMC_VirtualGraphicsObject*>(o)
                                                              : nullptr;
    }
    CVirtualGraphicsObject* view(const char* name) { return object(name)->getVirtualGraphicsObject(); }
    CRefreshScreen* refresh() { return window->GetRefreshScreenInterface(); }
    // PIC (50 x 30), RED (20 x 10), the animation A, V on the screen at 7
    // and the hidden W off it.
    void defineViews()
    {
        define({"PIC:TYPE=IMAGE", "PIC:FILENAME=pic.img", "RED:TYPE=IMAGE", "RED:FILENAME=red.img",
                "A:TYPE=ANIMO", "A:FILENAME=hero.ann", "V:TYPE=VIRTUALGRAPHICSOBJECT", "V:TOCANVAS=TRUE",
                "V:VISIBLE=TRUE", "V:PRIORITY=7", "V:SOURCE=PIC", "V:MASK=RED", "V:ASBUTTON=TRUE",
                "W:TYPE=VIRTUALGRAPHICSOBJECT"});
    }
    CGraphicsObject* drawable(const char* name) { return scene->getGraphicsObject(CXString(name)); }
};

TEST_F(CMC_VirtualGraphicsTest, TheDefinitionKeys)
{
    defineViews();
    EXPECT_EQ(refresh()->GetPriority(view("V")), 7);
    EXPECT_EQ(refresh()->GetPriority(view("W")), -1);
    EXPECT_EQ(call("V", "ISVISIBLE"), "TRUE");
    EXPECT_EQ(call("W", "ISVISIBLE"), "FALSE");
    call("W", "SHOW");
    EXPECT_EQ(call("W", "ISVISIBLE"), "TRUE");
    call("V", "HIDE");
    EXPECT_EQ(call("V", "ISVISIBLE"), "FALSE");
    // The names are kept, not applied.
    EXPECT_EQ(object("V")->getSourceName(), "PIC");
    EXPECT_EQ(object("V")->getMaskName(), "RED");
    EXPECT_EQ(view("V")->getSource(), nullptr);
    EXPECT_TRUE(object("V")->isButton());
    EXPECT_FALSE(object("W")->isButton());
    call("W", "SETASBUTTON", {"FALSE", "FALSE"});
    EXPECT_TRUE(object("W")->isButton());
    EXPECT_FALSE(object("W")->getSecondFlag());
    call("W", "SETPRIORITY", {"3"});
    EXPECT_EQ(refresh()->GetPriority(view("W")), -1);
    call("V", "SETPRIORITY", {"3"});
    EXPECT_EQ(refresh()->GetPriority(view("V")), 3);
    // Other objects find a view by its object's name, and its name by it.
    EXPECT_EQ(scene->getGraphicsObject(CXString("V")), view("V"));
    EXPECT_EQ(scene->getGraphicsObjectName(view("W"), false), CXString("W"));
}

// An IMAGE is its own mask, an ANIMO gives its current frame; the size
// answered is the mask's even where the source is smaller.
TEST_F(CMC_VirtualGraphicsTest, SourceAndMaskAreTakenByName)
{
    defineViews();
    call("V", "SETSOURCE", {"\"RED\""});
    call("V", "SETMASK", {"\"PIC\""});
    EXPECT_EQ(view("V")->getSource(), drawable("RED"));
    EXPECT_EQ(view("V")->getMaskImage(), drawable("PIC"));
    EXPECT_EQ(call("V", "GETWIDTH"), "50");
    EXPECT_EQ(call("V", "GETHEIGHT"), "30");
    EXPECT_EQ(view("V")->GetBoundingBox().Width(), 20);
    call("V", "SETMASK", {"\"A\""});
    CAnimo6* a = animation("A");
    EXPECT_EQ(view("V")->getMaskOwner(), static_cast<CGraphicsObject*>(a));
    EXPECT_EQ(view("V")->getMaskImage(), a->GetFrame(a->Current()));
    EXPECT_EQ(call("V", "GETWIDTH"), "51");
    // Names of nothing leave the view as it is.
    call("V", "SETSOURCE", {"\"NOSUCH\""});
    call("V", "SETMASK", {"\"NOSUCH\""});
    EXPECT_EQ(view("V")->getSource(), drawable("RED"));
    EXPECT_EQ(view("V")->getMaskOwner(), static_cast<CGraphicsObject*>(a));
}

TEST_F(CMC_VirtualGraphicsTest, ClippingByRectangleOrByName)
{
    defineViews();
    call("PIC", "SETPOSITION", {"5", "6"});
    const struct {
        const char* method;
        std::initializer_list<const char*> args;
        CXRect clip;
    } cases[] = {{"SETCLIPPING", {"10", "10", "20", "20"}, CXRect(10, 10, 20, 20)},
                 {"SETCLIPPING", {"\"PIC\""}, CXRect(5, 6, 55, 36)},
                 {"CLEARCLIPPING", {}, CXRect(0, 0, 0, 0)},
                 {"SETCLIPPING", {"1", "2", "3", "4"}, CXRect(1, 2, 3, 4)},
                 {"SETCLIPPING", {"\"NOSUCH\""}, CXRect(0, 0, 0, 0)}};
    for (const auto& c : cases) {
        call("V", c.method, c.args);
        const CXRect got = view("V")->GetClippingRect();
        EXPECT_TRUE(got == c.clip) << c.method << " " << got.left << "," << got.top << "," << got.right << ","
                                   << got.bottom;
    }
}

// Every method whose arguments are missing leaves the view as it was.
TEST_F(CMC_VirtualGraphicsTest, CallsWithMissingArgumentsChangeNothing)
{
    defineViews();
    call("V", "SETPOSITION", {"30", "40"});
    call("V", "SETSOURCE", {"\"PIC\""});
    call("V", "SETCLIPPING", {"1", "2", "3", "4"});
    for (const char* method : {"SETPOSITION", "MOVE", "SETSOURCE", "SETMASK", "SETCLIPPING", "SETPRIORITY",
                               "MONITORCOLLISION", "SETASBUTTON"})
        call("V", method);
    call("V", "SETPOSITION", {"1"});
    call("V", "MOVE", {"1"});
    call("V", "SETCLIPPING", {"5", "6", "7"});
    EXPECT_EQ(call("V", "GETPOSITIONX"), "30");
    EXPECT_EQ(call("V", "GETPOSITIONY"), "40");
    EXPECT_EQ(view("V")->getSource(), drawable("PIC"));
    EXPECT_TRUE(view("V")->GetClippingRect() == CXRect(1, 2, 3, 4));
    EXPECT_EQ(refresh()->GetPriority(view("V")), 7);
    EXPECT_FALSE(view("V")->getMonitorCollisionsFlag());
    EXPECT_EQ(call("V", "ISNEAR"), "FALSE");
    EXPECT_EQ(call("V", "ISNEAR", {"0", "0", "500", "500"}), "FALSE");
    EXPECT_EQ(call("V", "ISINSIDE", {"30", "40"}), "FALSE");
    call("V", "MOVE", {"2", "3"});
    EXPECT_EQ(call("V", "GETPOSITIONX"), "32");
    EXPECT_EQ(call("V", "GETPOSITIONY"), "43");
}

// Without alpha the box decides; with it the mask's alpha (PIC is opaque
// in its 40 left columns).
TEST_F(CMC_VirtualGraphicsTest, IsInsideAndIsNear)
{
    defineViews();
    call("V", "SETSOURCE", {"\"RED\""});
    call("V", "SETMASK", {"\"PIC\""});
    call("V", "SETPOSITION", {"100", "100"});
    EXPECT_EQ(call("V", "ISINSIDE", {"105", "105", "TRUE"}), "TRUE");
    EXPECT_EQ(call("V", "ISINSIDE", {"119", "109", "FALSE"}), "TRUE");
    EXPECT_EQ(call("V", "ISINSIDE", {"120", "105", "FALSE"}), "FALSE");
    call("V", "SETSOURCE", {"\"PIC\""});
    EXPECT_EQ(call("V", "ISINSIDE", {"145", "105", "FALSE"}), "TRUE");
    EXPECT_EQ(call("V", "ISINSIDE", {"145", "105", "TRUE"}), "FALSE");
    EXPECT_EQ(call("V", "ISNEAR", {"100", "100", "150", "130", "100"}), "TRUE");
    EXPECT_EQ(call("V", "ISNEAR", {"\"RED\"", "10"}), "FALSE");
    EXPECT_EQ(call("V", "ISNEAR", {"\"NOSUCH\"", "10"}), "FALSE");
}

// A clone is a view of the same state on the screen at the same priority,
// without source and mask, and works as one.
TEST_F(CMC_VirtualGraphicsTest, ACloneIsAWorkingView)
{
    defineViews();
    call("V", "SETSOURCE", {"\"PIC\""});
    call("V", "SETPOSITION", {"9", "8"});
    call("V", "CLONE", {"1"});
    CMC_VirtualGraphicsObject* copy = object("V_1");
    ASSERT_NE(copy, nullptr);
    CVirtualGraphicsObject* v = copy->getVirtualGraphicsObject();
    EXPECT_NE(v, view("V"));
    EXPECT_EQ(refresh()->GetPriority(v), 7);
    EXPECT_EQ(v->getSource(), nullptr);
    EXPECT_EQ(call("V_1", "GETPOSITIONX"), "9");
    call("V_1", "SETMASK", {"\"RED\""});
    EXPECT_EQ(call("V_1", "GETWIDTH"), "20");
    call("W", "CLONE", {"1"});
    EXPECT_EQ(refresh()->GetPriority(view("W_1")), -1);
}

// Under ASan a view that reached its source or mask after they went fails
// here.
TEST_F(CMC_VirtualGraphicsTest, ObjectsThatGoAreForgotten)
{
    defineViews();
    call("V", "SETSOURCE", {"\"PIC\""});
    call("V", "SETMASK", {"\"A\""});
    unloadObject("A");
    EXPECT_EQ(view("V")->getMaskOwner(), nullptr);
    EXPECT_EQ(call("V", "GETWIDTH"), "50");
    unloadObject("PIC");
    EXPECT_EQ(view("V")->getSource(), nullptr);
    EXPECT_EQ(call("V", "GETWIDTH"), "0");
    steps(2);
}

TEST_F(CMC_VirtualGraphicsTest, TheRunTimeMakerAndTheSnapshot)
{
    defineViews();
    define({"AFTER:TYPE=INTEGER", "AFTER:VALUE=5"});
    scene->createObject(CXString("VGO"), CXString("MADE"));
    ASSERT_NE(object("MADE"), nullptr);
    call("MADE", "SETSOURCE", {"\"RED\""});
    EXPECT_EQ(call("MADE", "GETWIDTH"), "20");
    // A record written for a view is read back; the records after it too.
    reread(writeSnapshot());
    ASSERT_NE(object("V"), nullptr);
    EXPECT_EQ(call("V", "ISVISIBLE"), "FALSE");
    EXPECT_EQ(view("V")->getSource(), nullptr);
    EXPECT_NE(object("MADE"), nullptr);
    EXPECT_EQ(text("AFTER"), "5");
}

} // namespace
