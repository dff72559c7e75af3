// A title with a STATICFILTER played by the host: a picture greyed by it
// reaches the screen grey, from the definitions and from the snapshot.
#include "HostTitle.h"
#include "objects/ImageFiles.h"
#include "platform/headless/Headless.h"

#include <memory>
#include <string>

namespace {

using CMC_StaticFilterTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, DARK = 0x0841;

// The words last shown at two pixels of the picture.
struct Shown {
    uint32_t left = 0, right = 0;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        Shown* s = static_cast<Shown*>(data);
        if (const platform::Surface* shown = platform.shownFrame(0)) {
            s->left = shown->pixelAt(2, 5);
            s->right = shown->pixelAt(30, 5);
        }
    }
};

// A 5-6-5 word whose three channels are one grey level.
bool grey(uint32_t w)
{
    const uint32_t r = (w >> 11) & 31, g = (w >> 5) & 63, b = w & 31;
    return r == b && (g >> 1) == r;
}

TEST_F(CMC_StaticFilterTitle, APictureGreyedFromTheDefinitionsAndFromTheSnapshot)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv", "OBJECT=G\nG:TYPE=STATICFILTER\nG:ACTION=GRAYSCALE\n"
                            "OBJECT=P\nP:TYPE=IMAGE\nP:FILENAME=p.img\nP:TOCANVAS=TRUE\nP:VISIBLE=TRUE\n"
                            "OBJECT=GO\nGO:TYPE=TIMER\nGO:ELAPSE=50\nGO:TICKS=1\n"
                            "GO:ONTICK={G^SETPROPERTY(\"CANUNDO\",\"TRUE\");G^LINK(\"P\");G^LINK(\"P\");}\n"
                            "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=300\nQUIT:ONTICK={GAME^EXIT();}\n"}});
    ASSERT_TRUE(imagetest::writeImage(tmp.file("Rara/S/p.img"), 40, 10,
                                      [](int x, int) { return x < 20 ? RED : DARK; }));
    std::unique_ptr<CGraphicsObject> expected =
        screentest::drawable(nullptr, 2, 1, [](int x, int) { return x == 0 ? RED : DARK; }, nullptr);
    expected->ToGrayScale();
    fromDefinitionsThenSnapshot("Rara/S/S.cnv", [this, &expected](bool fromSnapshot) {
        tmp.write("Quarnel.ini", "");
        Shown shown;
        testsupport::FeedInUse feed(&Shown::feed, &shown);
        EXPECT_EQ(run("-nogfx -frames 1000"), 0) << "from the snapshot " << fromSnapshot;
        EXPECT_TRUE(grey(shown.left) && shown.left != 0) << std::hex << shown.left << " " << fromSnapshot;
        EXPECT_TRUE(grey(shown.right) && shown.right != 0) << std::hex << shown.right << " " << fromSnapshot;
        // The engine's grey of each word, greyed once: linking again does
        // nothing.
        EXPECT_EQ(shown.left, reinterpret_cast<uint16_t*>(expected->GetDataPtr())[0]) << fromSnapshot;
        EXPECT_EQ(shown.right, reinterpret_cast<uint16_t*>(expected->GetDataPtr())[1]) << fromSnapshot;
    });
}

} // namespace
