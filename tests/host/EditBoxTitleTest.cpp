// A title with an EDITBOX played by the host, with a click and keys fed
// between frames through the headless platform: the field takes the focus,
// the typing and Enter and Escape, and the behaviours bound in the scene's
// definition hear them, from the definition and from the scene's snapshot
// alike. Its font is a FONT of a font file the engine compiled.
#include "HostTitle.h"
#include "objects/AnimoFiles.h"
#include "platform/headless/Headless.h"
#include "ui/FontSupport.h"

#include <cstdio>
#include <string>

namespace {

using CMC_EditBoxTitle = testsupport::HostTitle;

void tap(platform::Keyboard& keys, uint32_t code)
{
    keys.key(code, true);
    keys.key(code, false);
}

// A click on the field, then, a pass apart each: "A" (with shift), "l",
// Enter and Escape.
void clickAndType(platform::HeadlessPlatform& platform, uint64_t pass, void*)
{
    platform::Keyboard& keys = platform.input().keyboard();
    platform::Mouse& mouse = platform.input().mouse();
    switch (pass) {
    case 2:
        mouse.moveTo(50, 30);
        mouse.button(0, true);
        break;
    case 3: mouse.button(0, false); break;
    case 5:
        keys.key(0x2A, true);
        tap(keys, 0x1E);
        break;
    case 7: keys.key(0x2A, false); break;
    case 9: tap(keys, 0x26); break;
    case 11: tap(keys, 0x1C); break;
    case 13: tap(keys, 0x01); break;
    default: break;
    }
}

TEST_F(CMC_EditBoxTitle, TheFieldsEventsReachTheBehavioursOfTheDefinitionAndOfTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") +
                                "OBJECT=T\nT:TYPE=STRING\nT:TOINI=TRUE\n"
                                "OBJECT=F\nF:TYPE=FONT\nF:DEF_Arial_Standard_12=glyphs.fnt\n"
                                "OBJECT=E\nE:TYPE=EDITBOX\nE:RECT=10,10,200,50\nE:FONT=F\nE:TEXT=l\n"
                                "E:ONFOCUSON={N^ADD(1);}\nE:ONCHANGED={N^ADD(10);}\n"
                                "E:ONENTER={T^SET(E^GETTEXT());N^ADD(100);}\n"
                                "E:ONESC={N^ADD(1000);GAME^EXIT();}\n"}});
    CSimpleFont6 font(nullptr);
    ASSERT_EQ(fonttest::compile(font, platform::toEnginePath(tmp.file("Rara/S/glyphs.fnt"))), 0);
    for (bool fromSnapshot : {false, true}) {
        if (fromSnapshot) {
            EXPECT_EQ(run("-nogfx -2bin"), 0);
            ASSERT_EQ(std::remove(tmp.file("Rara/S/S.cnv").c_str()), 0);
            tmp.write("Quarnel.ini", "");
        }
        testsupport::FeedInUse feed(&clickAndType, nullptr);
        EXPECT_EQ(run("-nogfx -frames 50"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "N"), "1121") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "T"), "lAl|") << "from the snapshot " << fromSnapshot;
    }
}

// What the screen shows of the field: its text inked, and the cursor image
// (green, hidden until the field, given the focus by a click, blinks it).
struct Shown {
    bool inked = false, cursor = false;
    static void feed(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
    {
        Shown* s = static_cast<Shown*>(data);
        const platform::Surface* shown = platform.shownFrame(0);
        if (pass == 2) {
            platform.input().mouse().moveTo(50, 30);
            platform.input().mouse().button(0, true);
        }
        if (pass == 3)
            platform.input().mouse().button(0, false);
        if (!shown)
            return;
        for (int y = 10; y < 50; ++y)
            for (int x = 10; x < 200; ++x) {
                const uint32_t pixel = shown->pixelAt(x, y);
                s->cursor = s->cursor || pixel == 0x07E0;
                s->inked = s->inked || (pixel != 0x07E0 && pixel != shown->pixelAt(5, 5));
            }
    }
};

// The FONT and the cursor image a field names are objects of the scene:
// from the snapshot as from the definitions, the field draws its text with
// the font and blinks the image once it has the focus.
TEST_F(CMC_EditBoxTitle, ItsFontAndCursorAreTheScenesObjectsFromTheDefinitionAndFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=E\nE:TYPE=EDITBOX\nE:RECT=10,10,200,50\nE:FONT=F\nE:TEXT=AAAA\nE:CURSOR=C\n"
                            "OBJECT=F\nF:TYPE=FONT\nF:DEF_Arial_Standard_12=glyphs.fnt\n"
                            "OBJECT=C\nC:TYPE=ANIMO\nC:FILENAME=cursor.ann\nC:TOCANVAS=TRUE\n"
                            "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=2000\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    CSimpleFont6 font(nullptr);
    ASSERT_EQ(fonttest::compile(font, platform::toEnginePath(tmp.file("Rara/S/glyphs.fnt"))), 0);
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/cursor.ann"), {{2, 4, 0, 0, 0x07E0}},
                                          {{"BLINK", {0}}}));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        Shown shown;
        testsupport::FeedInUse feed(&Shown::feed, &shown);
        EXPECT_EQ(run("-nogfx -frames 5000"), 0);
        EXPECT_TRUE(shown.inked) << "from the snapshot " << fromSnapshot;
        EXPECT_TRUE(shown.cursor) << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
