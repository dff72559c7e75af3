// A title with a CANVAS and a canvas observer played by the host: the
// canvas composes an animation and a stamp of another, and the observer's
// SAVE writes the screen into an image file, which holds the frame that
// was shown.
#include "HostTitle.h"
#include "graphics/ImageFile.h"
#include "graphics/ScreenSupport.h"
#include "objects/AnimoFiles.h"
#include "script/Scene.h"
#include "ui/Unit6.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using CMC_CanvasTitle = testsupport::HostTitle;

const uint16_t RED = 0xF800, BLUE = 0x001F, GREY = 0x0020;

// The last frame shown once the scene's behaviours set READY.
struct LastFrame {
    std::vector<uint32_t> pixels;
    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        LastFrame* f = static_cast<LastFrame*>(data);
        CUnit6* unit = CUnit6::getDefUnit();
        CMC_Scene* scene = unit ? unit->getScene() : nullptr;
        CMC_Object* ready = scene ? scene->getObject("READY") : nullptr;
        const platform::Surface* shown = platform.shownFrame(0);
        if (!ready || ready->toString() != "1" || !shown)
            return;
        f->pixels.assign(size_t(shown->width()) * shown->height(), 0);
        for (int y = 0; y < shown->height(); ++y)
            for (int x = 0; x < shown->width(); ++x)
                f->pixels[size_t(y) * shown->width() + x] = shown->pixelAt(x, y);
    }
};

// The canvas at (100, 80) shows A's red frame at its top-left and B's blue
// frame stamped at (20, 10) on black; the rest of the screen is the grey
// of the unit's background. A timer saves the screen whole and cut to the
// canvas, and ends the title.
TEST_F(CMC_CanvasTitle, TheScreenSavedHoldsTheFrameShown)
{
    title({{"Rara/application.def", oneScene()},
           {"Rara/S/S.cnv",
            kept("READY") + kept("SAVED") +
                onInit("C^ADD(\"A\");C^DRAW(\"B\",20,10);C^SETPOSITION(100,80);O^ENABLENOTIFY(TRUE);") +
                "OBJECT=O\nO:TYPE=CANVAS_OBSERVER\nO:ONUPDATED={READY^SET(1);}\n"
                "OBJECT=C\nC:TYPE=CANVAS\nC:WIDTH=60\nC:HEIGHT=40\nC:BACKGROUND=TRUE\nC:PRIORITY=2\n"
                "OBJECT=A\nA:TYPE=ANIMO\nA:FILENAME=a.ann\nA:VISIBLE=TRUE\n"
                "OBJECT=B\nB:TYPE=ANIMO\nB:FILENAME=b.ann\n"
                "OBJECT=QUIT\nQUIT:TYPE=TIMER\nQUIT:ELAPSE=600\n"
                "QUIT:ONTICK={O^SAVE(\"shot.img\");O^SAVE(\"canvas.img\",1.0,1.0,100,80,160,120);SAVED^SET(1);GAME^EXIT();}\n"}});
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/a.ann"), {{10, 10, 0, 0, RED}}, {{"IDLE", {0}}}));
    ASSERT_TRUE(animotest::writeAnimation(nullptr, tmp.file("Rara/S/b.ann"), {{8, 6, 0, 0, BLUE}}, {{"IDLE", {0}}}));
    LastFrame last;
    {
        testsupport::FeedInUse feed(&LastFrame::feed, &last);
        EXPECT_EQ(run("-nogfx -frames 300"), 0);
    }
    EXPECT_EQ(setting("S", "SAVED"), "1");
    ASSERT_EQ(last.pixels.size(), size_t(800 * 600));
    auto expected = [](int x, int y) -> uint32_t {
        if (x < 100 || x >= 160 || y < 80 || y >= 120)
            return GREY;
        if (x < 110 && y < 90)
            return RED;
        return x >= 120 && x < 128 && y >= 90 && y < 96 ? BLUE : 0;
    };
    struct {
        const char* file;
        int left, top, w, h;
    } cases[] = {{"shot.img", 0, 0, 800, 600}, {"canvas.img", 100, 80, 60, 40}};
    for (const auto& k : cases) {
        // Written to the scene's folder, where its files are found.
        CImageFile file(nullptr);
        file.Load(CXString(platform::toEnginePath(tmp.file(std::string("Rara/S/") + k.file)).c_str()));
        std::unique_ptr<CGraphicsObject> shot(file.getObject());
        ASSERT_NE(shot, nullptr) << k.file;
        ASSERT_EQ(shot->Width(), k.w) << k.file;
        ASSERT_EQ(shot->Height(), k.h) << k.file;
        const uint16_t* words = reinterpret_cast<const uint16_t*>(shot->GetDataPtr());
        ASSERT_NE(words, nullptr) << k.file;
        for (int y = 0; y < k.h; ++y)
            for (int x = 0; x < k.w; ++x) {
                const int sx = k.left + x, sy = k.top + y;
                ASSERT_EQ(words[y * k.w + x], last.pixels[size_t(sy) * 800 + sx]) << k.file << " " << sx << "," << sy;
                ASSERT_EQ(words[y * k.w + x], expected(sx, sy)) << k.file << " " << sx << "," << sy;
            }
    }
}

} // namespace
