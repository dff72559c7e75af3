// Titles with a BUTTON over IMAGE and SOUND objects played by the host,
// from the definitions and from the scene's snapshot, with mouse input fed
// between frames: its faces on the screen, against the expected frames,
// and the sounds it plays, heard by their objects' behaviours.
#include "HostTitle.h"
#include "graphics/ScreenSupport.h"
#include "media/MediaSupport.h"
#include "objects/ImageFiles.h"
#include "platform/headless/Headless.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using CMC_ButtonTitle = testsupport::HostTitle;

const uint16_t EMPTY = 0x0020, BLUE = 0x001F, GREEN = 0x07E0, RED = 0xF800;

// The faces, each smaller than the one below it: STD 40 x 20 at (100, 100),
// OVER 30 x 14 at (105, 103), DOWN 20 x 8 at (110, 106).
struct Face {
    const char* name;
    int x, y, w, h;
    uint16_t colour;
};
const Face STD{"STD", 100, 100, 40, 20, BLUE}, OVER{"OVER", 105, 103, 30, 14, GREEN},
    DOWN{"DOWN", 110, 106, 20, 8, RED};

// The frame showing that face alone.
std::function<uint32_t(int, int)> alone(const Face& f)
{
    return [f](int x, int y) { return x >= f.x && x < f.x + f.w && y >= f.y && y < f.y + f.h ? f.colour : EMPTY; };
}

// Every third frame looks at the frame shown, then the mouse comes over the
// button, presses, releases and leaves. A release ends the button's focus:
// as a hand would, the mouse moves over the button once more before it
// leaves. What each look found ("shown" or what differs), in order.
struct FacesFeed {
    std::vector<std::string> verdicts;
    static void feed(platform::HeadlessPlatform& platform, uint64_t pass, void* data)
    {
        static const struct {
            uint64_t pass;
            const Face* shows;
            const char* name;
            void (*then)(platform::Mouse&);
        } steps[] = {
            {3, &STD, "button_standard", [](platform::Mouse& m) { m.moveTo(120, 110); }},
            {6, &OVER, "button_over", [](platform::Mouse& m) { m.button(0, true); }},
            {9, &DOWN, "button_pressed", [](platform::Mouse& m) { m.button(0, false); }},
            {12, &OVER, "button_released", [](platform::Mouse& m) { m.moveTo(121, 111); }},
            {13, nullptr, nullptr, [](platform::Mouse& m) { m.moveTo(400, 400); }},
            {16, &STD, "button_left", [](platform::Mouse&) {}},
        };
        FacesFeed* f = static_cast<FacesFeed*>(data);
        for (const auto& step : steps) {
            if (step.pass != pass)
                continue;
            if (step.shows) {
                ::testing::AssertionResult r =
                    screentest::frameIs(platform.shownFrame(0), alone(*step.shows), step.name);
                f->verdicts.push_back(r ? "shown" : r.message());
            }
            step.then(platform.input().mouse());
        }
    }
};

// The standard face shows until the mouse comes over the button; the
// on-move face then takes its place, the on-click face that one's while
// the button is pressed, and the standard face is back once the mouse
// leaves.
TEST_F(CMC_ButtonTitle, ItsImageFacesFollowTheMouseFromTheDefinitionsAndTheSnapshot)
{
    std::string images;
    int priority = 0;
    for (const Face* f : {&STD, &OVER, &DOWN}) {
        const std::string n = f->name;
        images += "OBJECT=" + n + "\n" + n + ":TYPE=IMAGE\n" + n + ":FILENAME=" + n + ".img\n" + n +
                  ":TOCANVAS=TRUE\n" + n + ":VISIBLE=TRUE\n" + n + ":PRIORITY=" + std::to_string(++priority) + "\n";
    }
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", kept("N") + images +
                                "OBJECT=B\nB:TYPE=BUTTON\nB:RECT=STD\nB:ENABLE=TRUE\nB:GFXSTANDARD=STD\n"
                                "B:GFXONMOVE=OVER\nB:GFXONCLICK=DOWN\nB:ONCLICKED={N^ADD(1);}\n"
                                "B:ONRELEASED={N^ADD(10);}\n"
                                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    for (const Face* f : {&STD, &OVER, &DOWN})
        ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/" + std::string(f->name) + ".img"), f->w, f->h,
                                          imagetest::plain(f->colour), nullptr, CXPoint(f->x, f->y)));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        FacesFeed faces;
        testsupport::FeedInUse feed(&FacesFeed::feed, &faces);
        EXPECT_EQ(run("-nogfx -frames 300"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(faces.verdicts, std::vector<std::string>(5, "shown")) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "N"), "11") << "from the snapshot " << fromSnapshot;
    });
}

// Over the button in the second frame, a press in the third and its
// release in the fourth.
void clickTheButton(platform::HeadlessPlatform& platform, uint64_t pass, void*)
{
    platform::Mouse& mouse = platform.input().mouse();
    if (pass == 2)
        mouse.moveTo(50, 30);
    else if (pass == 3)
        mouse.button(0, true);
    else if (pass == 4)
        mouse.button(0, false);
}

// The SOUND objects named by the button play its sounds, and their
// behaviours hear each start: the move's once, the click's for the click
// and again for the pressed face.
TEST_F(CMC_ButtonTitle, ItPlaysTheSoundsOfSoundObjectsFromTheDefinitionsAndTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=LOG\nLOG:TYPE=STRING\nLOG:VALUE=.\nLOG:TOINI=TRUE\n"
                            "OBJECT=OVERSOUND\nOVERSOUND:TYPE=SOUND\nOVERSOUND:FILENAME=over.wav\n"
                            "OVERSOUND:ONSTARTED={LOG^ADD(\"over.\");}\n"
                            "OBJECT=CLICK\nCLICK:TYPE=SOUND\nCLICK:FILENAME=click.wav\n"
                            "CLICK:ONSTARTED={LOG^ADD(\"click.\");}\n"
                            "OBJECT=B\nB:TYPE=BUTTON\nB:RECT=10,10,100,50\nB:ENABLE=TRUE\nB:SNDONMOVE=OVERSOUND\n"
                            "B:SNDONCLICK=CLICK\nB:ONRELEASED={LOG^ADD(\"|\");GAME^EXIT();}\n"}});
    tmp.write("Wavs/over.wav", mediatest::pcmWav(mediatest::ramp(2205)));
    tmp.write("Wavs/click.wav", mediatest::pcmWav(mediatest::ramp(2205, 2)));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        testsupport::FeedInUse feed(&clickTheButton, nullptr);
        EXPECT_EQ(run("-nogfx -frames 50"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "LOG"), ".over.click.click.|") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
