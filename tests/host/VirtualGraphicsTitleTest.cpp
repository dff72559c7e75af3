// A title with a VIRTUALGRAPHICSOBJECT played by the host: the view shows
// an IMAGE's pixels through another IMAGE's alpha, checked pixel for pixel,
// and its scene's snapshot keeps every object after the view's record.
#include "FrameAfterDone.h"
#include "HostTitle.h"
#include "objects/ImageFiles.h"

#include <string>

namespace {

const uint16_t GREY = 0x0020;

// Every source pixel differs, so that a view reading the wrong place shows.
uint16_t sourceAt(int x, int y) { return uint16_t(0x0800 + x * 64 + y); }

// The frame shown two frames after the behaviour set DONE: the view at (100, 100), 20 x 10 as its mask, opaque in its left
// 12 columns, clipped to (2, 0, 20, 6): it shows the source from the
// mask's place (10, 5) onward in columns 2..11 of rows 0..5.
uint32_t expectedPixel(int x, int y)
{
    const int lx = x - 100, ly = y - 100;
    if (lx >= 2 && lx < 12 && ly >= 0 && ly < 6)
        return sourceAt(10 + lx, 5 + ly);
    return GREY;
}

class CMC_VirtualGraphicsTitle : public testsupport::HostTitle {
protected:
    std::string scene()
    {
        // V comes first, so that its snapshot record precedes all the others.
        return "OBJECT=V\nV:TYPE=VIRTUALGRAPHICSOBJECT\nV:TOCANVAS=TRUE\nV:VISIBLE=TRUE\nV:PRIORITY=5\n"
               "V:SOURCE=SRC\nV:MASK=M\n" +
               kept("DONE") + kept("W") + kept("H") + kept("SEEN") +
               onInit("V^SETSOURCE(\"SRC\");V^SETMASK(\"M\");V^SETPOSITION(100,100);"
                      "V^SETCLIPPING(2,0,20,6);W^SET(V^GETWIDTH());H^SET(V^GETHEIGHT());"
                      "SEEN^SET(V^ISVISIBLE());DONE^SET(1);") +
               "OBJECT=SRC\nSRC:TYPE=IMAGE\nSRC:FILENAME=src.img\n"
               "OBJECT=M\nM:TYPE=IMAGE\nM:FILENAME=m.img\n"
               "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\nQUIT:ONTICK={GAME^EXIT();}\n";
    }

    void writePictures()
    {
        ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/src.img"), 40, 30, &sourceAt));
        ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/m.img"), 20, 10, [](int, int) { return uint16_t(0xFFFF); },
                                          [](int x, int) { return uint8_t(x < 12 ? 255 : 0); }, CXPoint(10, 5)));
    }
};

TEST_F(CMC_VirtualGraphicsTitle, TheViewShowsTheSourceThroughTheMask)
{
    title({{"Rara/application.def", oneScene()}, {"Rara/S/S.cnv", scene()}});
    writePictures();
    testsupport::FrameAfterDone shot(&expectedPixel, "virtual_graphics");
    testsupport::FeedInUse feed(&testsupport::FrameAfterDone::feed, &shot);
    tmp.write("Quarnel.ini", "");
    EXPECT_EQ(run("-nogfx -frames 300"), 0);
    EXPECT_EQ(shot.verdict, "shown");
}

// A restored view is an empty one off the screen; the objects recorded
// after it are all there: the behaviour still runs and the title ends.
TEST_F(CMC_VirtualGraphicsTitle, TheSnapshotKeepsTheObjectsAfterTheView)
{
    title({{"Rara/application.def", oneScene()}, {"Rara/S/S.cnv", scene()}});
    writePictures();
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        EXPECT_EQ(run("-nogfx -frames 300"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "DONE"), "1") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "W"), "20") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "H"), "10") << "from the snapshot " << fromSnapshot;
        EXPECT_EQ(setting("S", "SEEN"), fromSnapshot ? "0" : "1") << "from the snapshot " << fromSnapshot;
    });
}

} // namespace
