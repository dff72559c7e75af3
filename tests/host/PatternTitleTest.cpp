// A title with a PATTERN played by the host, from its definitions and from
// its snapshot: two IMAGE objects put into cells are shown where their
// cells are, and a left click on the pattern runs its "^LEFT" behaviour.
#include "HostTitle.h"
#include "objects/ImageFiles.h"
#include "script/Scene.h"
#include "ui/Unit6.h"

#include <string>
#include <vector>

namespace {

using CMC_PatternTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, BLUE = 0x001F, GREY = 0x0020;

// The frame shown once the scene's "ONINIT" set READY, then a left click
// at (125, 105), press and release a frame apart.
struct FrameThenClick {
    std::vector<uint32_t> pixels;
    int step = 0;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        FrameThenClick* f = static_cast<FrameThenClick*>(data);
        CUnit6* unit = CUnit6::getDefUnit();
        CMC_Scene* scene = unit ? unit->getScene() : nullptr;
        CMC_Object* ready = scene ? scene->getObject("READY") : nullptr;
        const platform::Surface* shown = platform.shownFrame(0);
        if (!ready || ready->toString() != "1" || !shown)
            return;
        platform::Mouse& mouse = platform.input().mouse();
        if (f->step == 1) {
            f->pixels.assign(size_t(shown->width()) * shown->height(), 0);
            for (int y = 0; y < shown->height(); ++y)
                for (int x = 0; x < shown->width(); ++x)
                    f->pixels[size_t(y) * shown->width() + x] = shown->pixelAt(x, y);
            mouse.moveTo(125, 105);
            mouse.button(0, true);
        } else if (f->step == 2) {
            mouse.button(0, false);
        }
        ++f->step;
    }
};

// The pattern at (100, 80) has cells of 20 x 20: R's red picture goes to
// cell (0, 0), B's blue one to (2, 1) of layer 1; neither picture is on the
// screen by itself. The rest of the screen is the unit's grey.
TEST_F(CMC_PatternTitle, CellsAreShownAndALeftClickIsAnswered)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("READY") + kept("CLICKED") + kept("COLUMN") +
                onInit("P^ADD(\"r\",0,0,\"R\",0);P^ADD(\"b\",2,1,\"B\",0,1);P^SETPOSITION(100,80);READY^SET(1);") +
                "OBJECT=CELL\nCELL:TYPE=ARRAY\n"
                "OBJECT=P\nP:TYPE=PATTERN\nP:TOCANVAS=TRUE\nP:VISIBLE=TRUE\nP:PRIORITY=2\nP:WIDTH=60\n"
                "P:HEIGHT=40\nP:GRIDX=20\nP:GRIDY=20\nP:LAYERS=2\n"
                "P:ONCLICK^LEFT={CLICKED^ADD(1);P^GETCELLCORD(MOUSE^GETPOSX(),125,\"CELL\");}\n"
                "P:ONCLICK={CLICKED^ADD(100);}\nP:ONRELEASE={COLUMN^SET(CELL^GET(0));GAME^EXIT();}\n"
                "OBJECT=MOUSE\nMOUSE:TYPE=MOUSE\n"
                "OBJECT=R\nR:TYPE=IMAGE\nR:FILENAME=r.img\nR:VISIBLE=TRUE\n"
                "OBJECT=B\nB:TYPE=IMAGE\nB:FILENAME=b.img\nB:VISIBLE=TRUE\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/r.img"), 20, 20, [](int, int) { return RED; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/b.img"), 20, 20, [](int, int) { return BLUE; }));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        FrameThenClick f;
        {
            testsupport::FeedInUse feed(&FrameThenClick::feed, &f);
            EXPECT_EQ(run("-nogfx -frames 300"), 0) << "from the snapshot " << fromSnapshot;
        }
        EXPECT_EQ(setting("S", "CLICKED"), "1") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "COLUMN"), "1") << "from the snapshot " << fromSnapshot;
        ASSERT_EQ(f.pixels.size(), size_t(800 * 600)) << "from the snapshot " << fromSnapshot;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                uint32_t expected = GREY;
                if (x >= 100 && x < 120 && y >= 80 && y < 100)
                    expected = RED;
                else if (x >= 140 && x < 160 && y >= 100 && y < 120)
                    expected = BLUE;
                ASSERT_EQ(f.pixels[size_t(y) * 800 + x], expected) << x << "," << y << " from the snapshot "
                                                                    << fromSnapshot;
            }
    });
}

// A pattern of two billion layers is left out with a line on standard
// error that names the file and the pattern, and the title plays on: a
// pattern beside it works. Its snapshot, written without it, holds none.
TEST_F(CMC_PatternTitle, APatternTooLargeIsRefusedAndTheTitlePlaysOn)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            onInit("P^ADD(\"r\",0,0,\"R\",0);Q^ADD(\"q\",1,0,\"R\",0);"
                   "INP^SET(P^GETALIASATCELL(0,0));INQ^SET(Q^GETALIASATCELL(1,0));GAME^EXIT();") +
                "OBJECT=INP\nINP:TYPE=STRING\nINP:TOINI=TRUE\nOBJECT=INQ\nINQ:TYPE=STRING\nINQ:TOINI=TRUE\n"
                "OBJECT=P\nP:TYPE=PATTERN\nP:TOCANVAS=TRUE\nP:VISIBLE=TRUE\nP:LAYERS=2000000000\n"
                "OBJECT=Q\nQ:TYPE=PATTERN\nQ:TOCANVAS=TRUE\nQ:VISIBLE=TRUE\nQ:WIDTH=40\nQ:HEIGHT=20\n"
                "Q:GRIDX=20\nQ:GRIDY=20\nQ:LAYERS=3\n"
                "OBJECT=R\nR:TYPE=IMAGE\nR:FILENAME=r.img\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/r.img"), 20, 20, [](int, int) { return RED; }));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        testing::internal::CaptureStderr();
        const int code = run("-nogfx -frames 300");
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, 0) << "from the snapshot " << fromSnapshot;
        const std::string line = "object \"P\" of the definition file left out: it asks for 48000000000 bytes, "
                                 "over the limit of 33554432 bytes (32 MiB) for one object: ";
        EXPECT_EQ(said.find(line) != std::string::npos, !fromSnapshot) << said;
        EXPECT_EQ(said.find("\"Q\""), std::string::npos) << said;
        EXPECT_EQ(setting("S", "INP"), "") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "INQ"), "q") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
