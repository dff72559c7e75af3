// The display surfaces over the headless platform: depths and the 32-bit
// table, full-screen fallbacks, copies, fills, lost surfaces and the
// secondary display's share of what reaches the screen.
#include "graphics/BppConversionTable.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using screentest::drawable;

class CSurfaceTest : public screentest::HeadlessScreen {};

// A surface of the window filled with pattern(x, y).
std::unique_ptr<CDirectDrawSurface> patterned(CWindow* w, int width, int height, uint16_t (*pattern)(int, int))
{
    std::unique_ptr<CDirectDrawSurface> s(new CDirectDrawSurface(w, CXSize(width, height), 16, false));
    uint16_t* p = reinterpret_cast<uint16_t*>(s->GetDataPtr());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p[y * s->GetPitch() + x] = pattern(x, y);
    return s;
}

uint16_t cell(int x, int y) { return uint16_t(1 + x + y * 100); }

uint16_t wordAt(CDirectDrawSurface* s, int x, int y)
{
    return reinterpret_cast<uint16_t*>(s->GetDataPtr())[y * s->GetPitch() + x];
}

TEST_F(CSurfaceTest, TakesTheDesktopsDepthAndMakesThe32BitTableOnce)
{
    releaseBppConversionTable();
    backend.setDesktopDepth(32);
    CSurface first(0, CXSize(800, 600));
    EXPECT_EQ(first.LastError(), 0);
    EXPECT_EQ(first.GetBPP(), 32);
    const uint32_t* table = getBppConversionTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0xFFFF], 0xF8FCF8u);
    CSurface second(0, CXSize(800, 600));
    EXPECT_EQ(getBppConversionTable(), table);

    backend.setDesktopDepth(16);
    CSurface plain(0, CXSize(800, 600));
    EXPECT_EQ(plain.GetBPP(), 16);
    EXPECT_FALSE(plain.IsFlippingEnabled());
    EXPECT_EQ(plain.Lock(), 0);
    EXPECT_NE(plain.GetScreenPtr(), nullptr);
    EXPECT_EQ(plain.UnLock(), 0);
}

TEST_F(CSurfaceTest, FullScreenFallsBackWhereTheDisplayRefuses)
{
    std::unique_ptr<CWindow> w = makeWindow(false);
    backend.refuseFullscreenDepth(16, true);
    EXPECT_EQ(w->SetDisplayMode(0, 0, 16), platform::DISPLAY_UNSUPPORTED_MODE);
    EXPECT_EQ(w->GetSurface(), nullptr);
    EXPECT_EQ(w->GetRefreshScreenInterface(), nullptr);
    EXPECT_EQ(w->Tick(), 0); // nothing to draw on
    EXPECT_EQ(w->SetDisplayMode(CXSize(0, 0), 15), 0);
    EXPECT_EQ(w->GetBpp(), 15);
    EXPECT_EQ(w->GetScreenSize().cx, 800);
    EXPECT_EQ(w->GetScreenSize().cy, 600);
    EXPECT_EQ(w->GetBackBuffer()->GetBpp(), 15);
    EXPECT_NE(w->GetRefreshScreenInterface(), nullptr);

    // A flipping chain that cannot be made leaves a plain primary.
    CXSize size(640, 480);
    int depth = 16;
    backend.refuseFullscreenDepth(16, false);
    backend.failFlipChain(true);
    CSurface noChain(size, depth, true);
    EXPECT_EQ(noChain.LastError(), 0);
    EXPECT_FALSE(noChain.IsFlippingEnabled());
    backend.failFlipChain(false);
    CSurface chain(size, depth, true);
    EXPECT_TRUE(chain.IsFlippingEnabled());
}

TEST_F(CSurfaceTest, CopiesAtAPointOrCentredInALargerRectangle)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto source = patterned(w.get(), 4, 2, cell);
    auto target = patterned(w.get(), 10, 10, [](int, int) { return uint16_t(0); });
    EXPECT_EQ(target->GetPitch(), 10);

    CXRect part(1, 0, 3, 2);
    EXPECT_EQ(target->Blt(source.get(), 5, 6, &part), 0);
    EXPECT_EQ(wordAt(target.get(), 5, 6), cell(1, 0));
    EXPECT_EQ(wordAt(target.get(), 6, 7), cell(2, 1));
    EXPECT_EQ(wordAt(target.get(), 7, 6), 0);

    // Wider than the source: the whole source centred in the rectangle,
    // whatever the point.
    CXRect wide(0, 0, 8, 2);
    EXPECT_EQ(target->Blt(source.get(), 9, 9, &wide), 0);
    EXPECT_EQ(wordAt(target.get(), 2, 0), cell(0, 0));
    EXPECT_EQ(wordAt(target.get(), 5, 1), cell(3, 1));
    EXPECT_EQ(wordAt(target.get(), 1, 0), 0);

    // Stretched onto a rectangle twice the size.
    CXRect big(0, 4, 8, 8);
    EXPECT_EQ(target->Blt(source.get(), &big, nullptr), 0);
    EXPECT_EQ(wordAt(target.get(), 7, 7), cell(3, 1));
    EXPECT_EQ(wordAt(target.get(), 0, 4), cell(0, 0));

    // A rectangle outside the source copies nothing and says so.
    CXRect outside(3, 0, 6, 1);
    EXPECT_EQ(target->Blt(source.get(), 0, 0, &outside), platform::DISPLAY_INVALID_RECT);
}

TEST_F(CSurfaceTest, DrawsItselfIntoItsDestinyFromWhereItIsVisible)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto source = patterned(w.get(), 30, 5, cell);
    auto target = patterned(w.get(), 20, 10, [](int, int) { return uint16_t(0); });
    source->SetDestiny(target.get());
    source->SetPosition(-10, 2);
    source->Redraw();
    EXPECT_EQ(wordAt(target.get(), 0, 2), cell(10, 0));
    EXPECT_EQ(wordAt(target.get(), 19, 6), cell(29, 4));
    EXPECT_EQ(wordAt(target.get(), 0, 1), 0);

    // Past the destiny's far edges.
    source->SetPosition(15, 8);
    source->Redraw();
    EXPECT_EQ(wordAt(target.get(), 15, 8), cell(0, 0));
    EXPECT_EQ(wordAt(target.get(), 19, 9), cell(4, 1));
    source->SetPosition(20, 0);
    source->Redraw(); // wholly outside: nothing, no error
    EXPECT_EQ(target->LastError(), 0);

    // Into a plain drawable of the same depth, through the drawable's copy.
    auto plain = drawable(w.get(), 5, 5, [](int, int) { return 0; });
    source->SetPosition(-1, -1);
    source->SetDestiny(plain.get());
    source->Redraw();
    EXPECT_EQ(reinterpret_cast<uint16_t*>(plain->GetDataPtr())[0], cell(1, 1));
}

TEST_F(CSurfaceTest, FillsInItsOwnDepth)
{
    std::unique_ptr<CWindow> w = makeWindow();
    CDirectDrawSurface s16(w.get(), CXSize(4, 4), 16, false);
    CDirectDrawSurface s32(w.get(), CXSize(4, 4), 32, false);
    CColor red(255, 0, 0);
    CColor word(short(0x07E0), COLORMODEL_16);
    s16.Fill(&red);
    s32.Fill(&red);
    s16.Fill(CXRect(1, 1, 3, 3), &word);
    s32.Fill(CXRect(1, 1, 3, 3), &word);
    platform::Surface* p16 = s16.GetDirectDrawSurfaceInterface();
    platform::Surface* p32 = s32.GetDirectDrawSurfaceInterface();
    EXPECT_EQ(p16->pixelAt(0, 0), 0xF800u);
    EXPECT_EQ(p16->pixelAt(2, 2), 0x07E0u);
    EXPECT_EQ(p32->pixelAt(3, 3), 0xFF0000u);
    EXPECT_EQ(p32->pixelAt(1, 1), 0x00FF00u);
    EXPECT_EQ(s32.GetPitch(), 4);
}

TEST_F(CSurfaceTest, LostSurfacesAreRestoredAndRedrawnBeforeTheCopy)
{
    std::unique_ptr<CWindow> w = makeWindow();
    auto source = patterned(w.get(), 4, 4, cell);
    auto target = patterned(w.get(), 8, 8, [](int, int) { return uint16_t(0); });
    auto picture = drawable(w.get(), 8, 8, [](int, int) { return 0x1111; });
    target->applyToRestore(picture.get());
    backend.loseSurfaces();
    EXPECT_EQ(target->Blt(source.get(), 4, 4, nullptr), 0);
    EXPECT_EQ(picture->GetDestiny(), target.get());
    EXPECT_EQ(wordAt(target.get(), 0, 0), 0x1111);
    EXPECT_EQ(wordAt(target.get(), 5, 5), 0); // the source lost its pixels
    EXPECT_FALSE(target->GetDirectDrawSurfaceInterface()->isLost());

    // The screen comes back too, whole, though only a corner changed.
    auto scenery = drawable(w.get(), 800, 600, [](int x, int y) { return uint16_t(x + y); });
    auto sprite = drawable(w.get(), 8, 8, [](int, int) { return 0x2222; });
    w->GetRefreshScreenInterface()->put(scenery.get(), 0);
    w->Tick();
    w->GetRefreshScreenInterface()->put(sprite.get(), 1);
    backend.loseSurfaces();
    w->Tick();
    EXPECT_TRUE(screentest::frameIs(
        backend.shownFrame(0), [](int x, int y) { return x < 8 && y < 8 ? 0x2222u : uint32_t(uint16_t(x + y)); },
        "restored"));
}

// A secondary display that logs what reaches it.
struct Mirror : CSecondaryDisplayIfc {
    static std::vector<std::string>* log;
    void update(CDirectDrawSurface*, CXRect* r) override
    {
        log->push_back("update " + std::to_string(r->left) + "," + std::to_string(r->top) + "," +
                       std::to_string(r->right) + "," + std::to_string(r->bottom));
    }
    void redraw() override { log->push_back("redraw"); }
};
std::vector<std::string>* Mirror::log = nullptr;

TEST_F(CSurfaceTest, TheSecondaryDisplayGetsEveryCopyToTheScreen)
{
    std::vector<std::string> log;
    Mirror::log = &log;
    CWindow::layers().makeSecondaryDisplay = [](CWindowHandle, CWindow*, int delay) -> CSecondaryDisplayIfc* {
        Mirror::log->push_back("made " + std::to_string(delay));
        return new Mirror;
    };
    CCommandLine6 delayed("-window -delay 250");
    std::unique_ptr<CWindow> w(new CWindow(nullptr, &delayed, &language, CXSize(800, 600), nullptr, "", true));
    int secondWindow = 1;
    ASSERT_EQ(w->CreateSurface(&secondWindow), 0);
    ASSERT_NE(w->getSecondaryDisplay(), nullptr);
    w->OnActivateApp(true);
    w->Tick();
    CXRect r(10, 20, 30, 40);
    w->Invalidate(&r);
    w->Tick();
    EXPECT_EQ(log, (std::vector<std::string>{"made 250", "update 0,0,800,600", "redraw", "update 10,20,30,40",
                                             "redraw"}));
}

} // namespace
