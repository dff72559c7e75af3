// A title with a DIALOG played by the host, from the definitions and from
// the scene's snapshot: its panel, a picture and a button on it are IMAGE
// and BUTTON objects, the mouse fed between frames drags it by its title
// strip, and the button answers where it went.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "objects/ImageFiles.h"
#include "platform/headless/Headless.h"

#include <string>

namespace {

using CMC_DialogTitle = testsupport::HostTitle;

const uint16_t EMPTY = 0x0020, PANEL = 0x8410, ICON = 0x07E0, OK = 0xF800;

// The panel 200 x 150 dragged from (100, 100) by (+15, -4), with the
// picture and the button on it.
uint32_t dragged(int x, int y)
{
    auto in = [x, y](int left, int top, int w, int h) { return x >= left && x < left + w && y >= top && y < top + h; };
    if (in(135, 146, 20, 20))
        return ICON;
    if (in(215, 196, 40, 20))
        return OK;
    if (in(115, 96, 200, 150))
        return PANEL;
    return EMPTY;
}

// Presses on the title strip, drags it in two steps and lets go, then
// clicks the button where it went, a point it did not cover before: each
// in a frame of its own. Then the frame after DONE is looked at.
struct DragAndClick {
    testsupport::FrameAfterDone shot{&dragged, "dialog_dragged"};
    static void feed(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
    {
        platform::Mouse& mouse = platform.input().mouse();
        switch (pass) {
        case 2: mouse.moveTo(150, 110); break;
        case 3: mouse.button(0, true); break;
        case 4: mouse.moveTo(160, 112); break;
        case 5: mouse.moveTo(165, 106); break;
        case 6: mouse.button(0, false); break;
        case 7: mouse.moveTo(250, 198); break;
        case 8: mouse.button(0, true); break;
        case 9: mouse.button(0, false); break;
        default: break;
        }
        testsupport::FrameAfterDone::feed(platform, pass, &static_cast<DragAndClick*>(data)->shot);
    }
};

TEST_F(CMC_DialogTitle, DraggedByItsTitleStripWithWhatIsOnItFromTheDefinitionsAndTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("DONE") + onInit("D^SETBACKGROUND(\"BG\");D^ADD(\"PIC\");D^ADD(\"OK\");") +
                "OBJECT=BG\nBG:TYPE=IMAGE\nBG:FILENAME=bg.img\nBG:TOCANVAS=TRUE\nBG:VISIBLE=TRUE\nBG:PRIORITY=3\n"
                "OBJECT=PIC\nPIC:TYPE=IMAGE\nPIC:FILENAME=pic.img\nPIC:TOCANVAS=TRUE\nPIC:VISIBLE=TRUE\n"
                "PIC:PRIORITY=4\n"
                "OBJECT=OKIMG\nOKIMG:TYPE=IMAGE\nOKIMG:FILENAME=ok.img\nOKIMG:TOCANVAS=TRUE\nOKIMG:VISIBLE=TRUE\n"
                "OKIMG:PRIORITY=2\n"
                "OBJECT=OK\nOK:TYPE=BUTTON\nOK:GFXSTANDARD=OKIMG\nOK:RECT=OKIMG\nOK:ENABLE=TRUE\n"
                "OK:ONCLICKED={DONE^SET(1);}\n"
                "OBJECT=D\nD:TYPE=DIALOG\n"
                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/bg.img"), 200, 150, imagetest::plain(PANEL), nullptr,
                                      CXPoint(100, 100)));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/pic.img"), 20, 20, imagetest::plain(ICON), nullptr,
                                      CXPoint(120, 150)));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/ok.img"), 40, 20, imagetest::plain(OK), nullptr,
                                      CXPoint(200, 200)));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        DragAndClick play;
        testsupport::FeedInUse feed(&DragAndClick::feed, &play);
        EXPECT_EQ(run("-nogfx -frames 300"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "DONE"), "1") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(play.shot.verdict, "shown") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
