// The secondary display: the second window shows copies of what the main
// window put on the screen, once their delay has passed, in the order they
// were taken.
#include "graphics/RefreshScreen.h"
#include "graphics/SecondaryDisplay.h"
#include "graphics/Surface.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using screentest::drawable;
using screentest::frameIs;

class CSecondaryDisplayTest : public screentest::HeadlessScreen {
protected:
    // A window with a second window and that delay, showing one picture
    // of the screen's size whose colour the frames change.
    std::unique_ptr<CWindow> delayed(int delay)
    {
        line.reset(new CCommandLine6(("-window -delay " + std::to_string(delay)).c_str()));
        std::unique_ptr<CWindow> w(new CWindow(nullptr, line.get(), &language, CXSize(800, 600), nullptr, "", true));
        int secondWindow = 1;
        EXPECT_EQ(w->CreateSurface(&secondWindow), 0);
        w->OnActivateApp(true);
        picture = drawable(w.get(), 800, 600, [](int, int) { return 0; });
        w->GetRefreshScreenInterface()->put(picture.get(), 0);
        return w;
    }
    // One frame at the clock's next step, with the picture in colour
    // (inside area only, when one is given).
    void frame(CWindow* w, uint32_t ms, uint16_t colour, const CXRect* area = nullptr)
    {
        clockNow.set(ms);
        CXRect whole(0, 0, 800, 600);
        const CXRect r = area ? *area : whole;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                reinterpret_cast<uint16_t*>(picture->GetDataPtr())[y * 800 + x] = colour;
        picture->Invalidate(const_cast<CXRect*>(&r));
        w->Tick();
    }
    // The colour the second window shows everywhere, or -1 when it shows
    // more than one, -2 before anything was shown there.
    int shown()
    {
        const platform::Surface* f = backend.shownFrame(1);
        if (!f)
            return -2;
        const uint32_t first = f->pixelAt(0, 0);
        for (int y = 0; y < f->height(); ++y)
            for (int x = 0; x < f->width(); ++x)
                if (f->pixelAt(x, y) != first)
                    return -1;
        return int(first);
    }

    std::unique_ptr<CCommandLine6> line;
    std::unique_ptr<CGraphicsObject> picture;
};

TEST_F(CSecondaryDisplayTest, ShowsTheCopiesOnceTheirDelayHasPassed)
{
    std::unique_ptr<CWindow> w = delayed(100);
    CSecondaryDisplay* mirror = static_cast<CSecondaryDisplay*>(w->getSecondaryDisplay());
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->getDelay(), 100);
    EXPECT_EQ(mirror->getSurface()->GetClientOrigin(), CXPoint(1024, 0));

    // The first copy is shown at once; then, with one or two copies
    // waiting, nothing is.
    frame(w.get(), 1000, 0x1111);
    EXPECT_EQ(shown(), 0x1111);
    const uint64_t first = backend.framesShown(1);
    frame(w.get(), 1010, 0x2222);
    frame(w.get(), 1020, 0x3333);
    EXPECT_EQ(backend.framesShown(1), first);
    EXPECT_EQ(mirror->getPendingCount(), 3);
    // Past the first copy's delay it is shown again (it stays first);
    // past the second's, the first goes and the second is shown.
    frame(w.get(), 1105, 0x4444);
    EXPECT_EQ(shown(), 0x1111);
    EXPECT_EQ(backend.framesShown(1), first + 1);
    frame(w.get(), 1115, 0x5555);
    EXPECT_EQ(shown(), 0x2222);
    EXPECT_EQ(mirror->getPendingCount(), 4);
    // Much later every copy but the last two has been shown, in order.
    frame(w.get(), 5000, 0x6666);
    EXPECT_EQ(shown(), 0x4444);
    EXPECT_EQ(mirror->getPendingCount(), 3);

    // A copy of part of the screen lands where it was taken.
    const CXRect part(100, 200, 300, 260);
    frame(w.get(), 5010, 0x7777, &part);
    frame(w.get(), 5020, 0x7777, &part);
    frame(w.get(), 6000, 0x7777, &part);
    EXPECT_TRUE(frameIs(
        backend.shownFrame(1), [&](int x, int y) { return part.IsInRect(x, y) ? 0x7777u : 0x6666u; },
        "secondary-part"));
}

TEST_F(CSecondaryDisplayTest, WithoutADelayACopyShowsOnceTwoNewerOnesExist)
{
    std::unique_ptr<CWindow> w = delayed(0);
    std::vector<int> seen;
    const uint16_t colours[] = {0x0101, 0x0202, 0x0303, 0x0404, 0x0505, 0x0606};
    for (int i = 0; i < 6; ++i) {
        frame(w.get(), uint32_t(2000 + i), colours[i]);
        seen.push_back(shown());
    }
    EXPECT_EQ(seen, (std::vector<int>{0x0101, 0x0101, 0x0101, 0x0202, 0x0303, 0x0404}));
}

TEST_F(CSecondaryDisplayTest, CopiesStillWaitingAreDroppedUnseen)
{
    std::unique_ptr<CWindow> w = delayed(1000);
    frame(w.get(), 1000, 0x1111);
    frame(w.get(), 1010, 0x2222);
    frame(w.get(), 1020, 0x3333);
    const uint64_t shownBefore = backend.framesShown(1);
    EXPECT_EQ(static_cast<CSecondaryDisplay*>(w->getSecondaryDisplay())->getPendingCount(), 3);
    clockNow.set(9000);
    w.reset();
    EXPECT_EQ(backend.framesShown(1), shownBefore);
    EXPECT_EQ(shown(), 0x1111);

    // Without its second window the display shows nothing and breaks
    // nothing.
    backend.setSecondWindow(false);
    std::unique_ptr<CWindow> alone = delayed(10);
    frame(alone.get(), 10000, 0x1234);
    frame(alone.get(), 10100, 0x1234);
    EXPECT_EQ(backend.framesShown(1), shownBefore);
}

} // namespace
