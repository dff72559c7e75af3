// The script DIALOG over its panel: a background, a picture and a button
// put on it by the script, dragged by the title strip with mouse records
// fed through the platform, shown and hidden.
#include "UiSupport.h"
#include "graphics/RefreshScreen.h"
#include "ui/Dialog6.h"
#include "ui/Unit6.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

const uint16_t PANEL = 0x8410, ICON = 0x07E0, OK = 0xF800;

class CDialog6Test : public UiTest {
protected:
    CDialog6Test() : UiTest(false)
    {
        CUnit6::getDefUnit()->initialize(scene, CUnit6::getDefUnit());
        // A panel 200 x 150 at (100, 100), a picture and an OK button below
        // its title strip.
        picture("BG", CXPoint(100, 100), CXSize(200, 150), PANEL, 3);
        picture("PIC", CXPoint(120, 150), CXSize(20, 20), ICON, 4);
        picture("OKIMG", CXPoint(200, 200), CXSize(40, 20), OK, 2);
        define({"LOG:TYPE=STRING", "D:TYPE=DIALOG", "OK:TYPE=BUTTON", "OK:GFXSTANDARD=OKIMG", "OK:RECT=OKIMG",
                "OK:ENABLE=TRUE", "OK:ONCLICKED={LOG^ADD(\"OK.\");}"});
        call("D", "SETBACKGROUND", {"\"BG\""});
        call("D", "ADD", {"\"PIC\""});
        call("D", "ADD", {"\"OK\""});
        call("D", "ADD", {"\"PIC\""});
        frame();
    }
    CRefreshScreen* screen() { return window->GetRefreshScreenInterface(); }
    CDialog6* dialog() { return static_cast<CDialog6*>(static_cast<CMC_Dialog*>(scene->getObject("D"))->getDialog()); }
    void press(bool down)
    {
        mouse().button(0, down);
        frame();
    }
    // The pixel the next frame shows.
    uint32_t next(int x, int y)
    {
        frame();
        return shownAt(x, y);
    }
};

TEST_F(CDialog6Test, DraggedByItsTitleStripTheDialogMovesWithEverythingOnIt)
{
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(screen()->GetPriority(image("BG")), 100000);
    EXPECT_EQ(screen()->GetPriority(image("PIC")), 4 + 100001);
    EXPECT_EQ(screen()->GetPriority(image("OKIMG")), 2 + 100001);
    EXPECT_EQ(dialog()->getTitleButton()->GetActiveRect(), CXRect(100, 100, 300, 130));
    EXPECT_EQ(next(105, 105), PANEL);
    EXPECT_EQ(next(125, 155), ICON);

    // A press below the strip drags nothing.
    moveTo(150, 140);
    press(true);
    EXPECT_FALSE(CUnit6::getDefUnit()->isDragging());
    press(false);

    // By (+15, -4), in two steps.
    moveTo(150, 110);
    press(true);
    EXPECT_TRUE(CUnit6::getDefUnit()->isDragging());
    moveTo(160, 112);
    moveTo(165, 106);
    press(false);
    EXPECT_EQ(image("BG")->GetPosition(), CXPoint(115, 96));
    EXPECT_EQ(image("PIC")->GetPosition(), CXPoint(135, 146));
    EXPECT_EQ(image("OKIMG")->GetPosition(), CXPoint(215, 196));
    EXPECT_EQ(dialog()->getTitleButton()->GetActiveRect(), CXRect(115, 96, 315, 126));
    EXPECT_EQ(screen()->GetPriority(image("BG")), 100000);
    EXPECT_EQ(next(110, 100), 0x0020u); // the empty background where the panel was
    EXPECT_EQ(next(116, 97), PANEL);
    EXPECT_EQ(next(135, 146), ICON);
    EXPECT_EQ(next(254, 215), OK);

    // The button answers where it went.
    moveTo(220, 200);
    click();
    EXPECT_EQ(text("LOG"), "OK.");
    // The strip went with the panel: (305, 128) lay on the old strip only.
    moveTo(305, 128);
    press(true);
    EXPECT_FALSE(CUnit6::getDefUnit()->isDragging());
    press(false);
}

TEST_F(CDialog6Test, HiddenAndShownTogether)
{
    call("D", "HIDE");
    EXPECT_FALSE(image("BG")->IsVisible());
    EXPECT_FALSE(image("PIC")->IsVisible());
    EXPECT_FALSE(image("OKIMG")->IsVisible());
    EXPECT_EQ(next(125, 155), 0x0020u);
    moveTo(220, 210);
    click();
    EXPECT_EQ(text("LOG"), "");
    call("D", "SHOW");
    EXPECT_TRUE(image("BG")->IsVisible());
    EXPECT_TRUE(image("PIC")->IsVisible());
    EXPECT_EQ(next(125, 155), ICON);
    click();
    EXPECT_EQ(text("LOG"), "OK.");

    // A dialog without a background shows and hides what it has.
    CDialog6 bare(scene);
    bare.add(image("PIC"));
    bare.hide();
    bare.show();
    EXPECT_TRUE(image("PIC")->IsVisible());
}

} // namespace
