// A title with a GRBUFFER played by the host: its stamp reaches the screen
// from the definitions and from the scene's snapshot alike.
#include "HostTitle.h"
#include "objects/ImageFiles.h"
#include "platform/headless/Headless.h"

#include <string>

namespace {

using CMC_GrBufferTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, BLUE = 0x001F;

// The colours last shown inside the stamp and beside it.
struct Stamp {
    uint32_t inside = 0, beside = 0;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Stamp* s = static_cast<Stamp*>(data);
        if (const platform::Surface* shown = platform.shownFrame(0)) {
            s->inside = shown->pixelAt(12, 12);
            s->beside = shown->pixelAt(30, 30);
        }
    }
};

// The buffer's record comes before those of the pictures it names, and its
// names come back with it: the stamp of the red source lands on the blue
// destination shown on the screen, in the buffer's first slot.
TEST_F(CMC_GrBufferTitle, ItsStampFromTheDefinitionsAndFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=-5\nN:TOINI=TRUE\n"
                            "OBJECT=B\nB:TYPE=GRBUFFER\nB:SOURCE=P\nB:DESTINY=D\n"
                            "OBJECT=P\nP:TYPE=IMAGE\nP:FILENAME=p.img\n"
                            "OBJECT=D\nD:TYPE=IMAGE\nD:FILENAME=d.img\nD:TOCANVAS=TRUE\nD:VISIBLE=TRUE\n"
                            "OBJECT=STAMP\nSTAMP:TYPE=TIMER\nSTAMP:ELAPSE=50\nSTAMP:TICKS=1\n"
                            "STAMP:ONTICK={N^SET(B^CREATE(10,10));B^DRAW(N,TRUE);}\n"
                            "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=300\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/p.img"), 8, 8, [](int, int) { return RED; }));
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/d.img"), 40, 40, [](int, int) { return BLUE; }));
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        Stamp stamp;
        testsupport::FeedInUse feed(&Stamp::feed, &stamp);
        EXPECT_EQ(run("-nogfx -frames 1000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "N"), "0") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(stamp.inside, RED) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(stamp.beside, BLUE) << "from the snapshot " << fromSnapshot;
    });

    // Without the state trailer (a snapshot made on Windows has none) the
    // objects after the buffer still come back; the buffer names nothing,
    // so it stamps nothing.
    const std::string bytes = tmp.read("Rara/S/S.bin");
    const size_t trailer = bytes.rfind("QXS1");
    ASSERT_NE(trailer, std::string::npos);
    tmp.write("Rara/S/S.bin", bytes.substr(0, trailer));
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 1000"), 0);
    EXPECT_EQ(setting("S", "N"), "-1");
}

} // namespace
