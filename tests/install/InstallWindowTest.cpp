// The uninstaller's dialog window: its face drawn into memory, and the
// program in a window under an X server of the test's own, answered with
// the mouse as a person answers it.
#ifdef QUARNEL_INSTALL_WINDOW
#include "install/UninstallDialog.h"
#include "InstalledTitle.h"
#include "platform/dialog/SdlDialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using installtest::InstalledTitle;

const int brown[3] = {160, 90, 40}, blue[3] = {32, 128, 240}, face[3] = {212, 208, 200}, white[3] = {255, 255, 255},
          black[3] = {0, 0, 0}, shadow[3] = {128, 128, 128};

bool is(uint32_t pixel, const int rgb[3])
{
    return int(pixel >> 16 & 0xFF) == rgb[0] && int(pixel >> 8 & 0xFF) == rgb[1] && int(pixel & 0xFF) == rgb[2];
}

uint32_t surfacePixel(SDL_Surface* s, int x, int y) { return static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x]; }

// The pixels darker than the face's shadow inside a rectangle: the text.
int darkPixels(SDL_Surface* s, int x, int y, int w, int h)
{
    int dark = 0;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            dark += (surfacePixel(s, i, j) >> 8 & 0xFF) < 100;
    return dark;
}

// The picture stretched to the client area, the default Uninstall button
// with its black outline, the exit button raised or, pressed, sunk, and the
// texts (Polish letters included) in the system's font.
TEST(InstallDialogTest, TheFaceShowsThePictureAndTwoButtonsWithTheirTexts)
{
    InstalledTitle title;
    ASSERT_EQ(TTF_Init(), 0);
    TTF_Font* font = platform::openDialogFont();
    ASSERT_NE(font, nullptr) << "no sans-serif font (scripts/deps.sh installs one)";
    install::UninstallDialog dialog;
    dialog.uninstallText = "Odinstaluj";
    dialog.exitText = "Wyj\x9C" "cie";
    const platform::DialogTemplate t = dialog.dialogTemplate();
    ASSERT_EQ(t.width, 350);
    ASSERT_EQ(t.height, 250);
    SDL_Surface* picture = platform::loadDialogPicture(title.program + "/uninst.bmp", t.width, t.height);
    ASSERT_NE(picture, nullptr);
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 350, 250, 32, SDL_PIXELFORMAT_ARGB8888);

    platform::drawDialog(target, picture, font, t, 0);
    EXPECT_TRUE(is(surfacePixel(target, 0, 0), brown));
    EXPECT_TRUE(is(surfacePixel(target, 170, 200), brown));
    EXPECT_TRUE(is(surfacePixel(target, 178, 200), blue));
    EXPECT_TRUE(is(surfacePixel(target, 349, 249), blue));
    const platform::DialogButton &u = t.buttons[0], &e = t.buttons[1];
    EXPECT_TRUE(is(surfacePixel(target, u.x, u.y), black));
    EXPECT_TRUE(is(surfacePixel(target, u.x + u.w - 1, u.y + u.h - 1), black));
    EXPECT_TRUE(is(surfacePixel(target, u.x + 1, u.y + 1), white));
    EXPECT_TRUE(is(surfacePixel(target, u.x + 3, u.y + 3), face));
    EXPECT_TRUE(is(surfacePixel(target, e.x, e.y), white));
    EXPECT_TRUE(is(surfacePixel(target, e.x + e.w - 1, e.y + e.h - 1), black));
    EXPECT_TRUE(is(surfacePixel(target, e.x + e.w - 2, e.y + e.h - 2), shadow));
    EXPECT_GT(darkPixels(target, u.x + 3, u.y + 3, u.w - 6, u.h - 6), 40);
    EXPECT_GT(darkPixels(target, e.x + 3, e.y + 3, e.w - 6, e.h - 6), 40);
    EXPECT_EQ(darkPixels(target, e.x + 3, e.y + 3, 10, e.h - 6), 0);

    platform::drawDialog(target, nullptr, font, t, install::UninstallDialog::exitId);
    EXPECT_TRUE(is(surfacePixel(target, 0, 0), face));
    EXPECT_TRUE(is(surfacePixel(target, e.x, e.y), shadow));
    EXPECT_TRUE(is(surfacePixel(target, e.x + e.w - 1, e.y + e.h - 1), shadow));
    EXPECT_TRUE(is(surfacePixel(target, u.x, u.y), black));

    SDL_FreeSurface(target);
    SDL_FreeSurface(picture);
    TTF_CloseFont(font);
    TTF_Quit();
}

} // namespace

#ifdef QUARNEL_TEST_X11
// After GoogleTest and SDL, whose names Xlib's macros would change.
#include "support/Xvfb.h"

namespace {

using testsupport::PATIENCE_SECONDS;
using testsupport::Xvfb;

class InstallWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testsupport::haveXvfb() || !testsupport::haveXdotool())
            GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/deps.sh installs them)";
        ASSERT_NE(x.display, nullptr) << "Xvfb did not start: " << x.failure;
    }

    // Starts the uninstaller on the test's display and waits for its window
    // to show the picture.
    Window open()
    {
        // Under the sanitizers: the window system's libraries keep memory to
        // the end; the uninstaller's own code is checked in the other runs.
        const char* asan = std::getenv("ASAN_OPTIONS");
        title.start({}, {"DISPLAY=" + x.name, "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":detect_leaks=0"});
        Window w = x.findWindow("Zamek - odinstalowanie");
        if (!w)
            return 0;
        for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(PATIENCE_SECONDS);
             std::chrono::steady_clock::now() < until;) {
            XImage* shot = XGetImage(x.display, w, 0, 0, 350, 250, AllPlanes, ZPixmap);
            bool shown = shot && is(uint32_t(XGetPixel(shot, 10, 10)), brown) &&
                         is(uint32_t(XGetPixel(shot, exitButton.x + 3, exitButton.y + 3)), face);
            if (shot)
                XDestroyImage(shot);
            if (shown)
                return w;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 0;
    }

    void click(Window w, const platform::DialogButton& b)
    {
        std::string command = "DISPLAY=" + x.name + " xdotool mousemove --window " + std::to_string(w) + " " +
                              std::to_string(b.x + b.w / 2) + " " + std::to_string(b.y + b.h / 2) + " click 1";
        ASSERT_EQ(testsupport::shell(command), 0);
    }

    Xvfb x;
    InstalledTitle title;
    const platform::DialogTemplate layout = install::UninstallDialog().dialogTemplate();
    const platform::DialogButton& uninstallButton = layout.buttons[0];
    const platform::DialogButton& exitButton = layout.buttons[1];
};

// The dialog opens centred as the original places it (with 330 for its
// height) and its exit button, or the window's close button, removes
// nothing.
TEST_F(InstallWindowTest, TheDialogOpensAndItsExitButtonRemovesNothing)
{
    auto before = title.snapshot();
    Window w = open();
    ASSERT_NE(w, 0u) << title.errors();
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(x.display, w, &a));
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(x.display, w, DefaultRootWindow(x.display), 0, 0, &left, &top, &child);
    EXPECT_EQ(left, (1280 - 355) / 2);
    EXPECT_EQ(top, (1024 - 330) / 2);
    EXPECT_EQ(a.width, 350);
    EXPECT_EQ(a.height, 250);

    click(w, exitButton);
    EXPECT_EQ(title.wait(PATIENCE_SECONDS), 0) << title.errors();
    EXPECT_EQ(title.changesSince(before), "");

    w = open();
    ASSERT_NE(w, 0u) << title.errors();
    x.clickClose(w);
    EXPECT_EQ(title.wait(PATIENCE_SECONDS), 0) << title.errors();
    EXPECT_EQ(title.changesSince(before), "");
}

TEST_F(InstallWindowTest, ItsUninstallButtonRemovesTheTitleAndHandsOver)
{
    auto before = title.snapshot();
    Window w = open();
    ASSERT_NE(w, 0u) << title.errors();
    click(w, uninstallButton);
    EXPECT_EQ(title.wait(PATIENCE_SECONDS), 0) << title.errors();
    installtest::expectUninstalled(title, before);
}

} // namespace
#endif
#endif
