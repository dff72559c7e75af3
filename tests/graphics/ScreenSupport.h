#pragma once
// A headless display for the screen tests: the platform on a manual clock,
// a window with a command line, drawables of patterned pixels, and a
// comparison of a shown frame with the pixels expected of it (saved as a
// PNG in $QUARNEL_FRAMES, when set, to be looked at).
#include "base/CommandLine.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "graphics/GraphicsObject.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Png.h"
#include "platform/headless/Headless.h"
#include "PictureSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

namespace screentest {

using Pattern = std::function<uint16_t(int, int)>;
using AlphaPattern = std::function<uint8_t(int, int)>;

// A drawable of the window whose words are pattern(x, y), with an alpha
// plane when alphaAt is given.
inline std::unique_ptr<CGraphicsObject> drawable(CWindow* window, int w, int h, Pattern pattern,
                                                 AlphaPattern alphaAt = nullptr)
{
    return picturetest::picture(w, h, pattern, alphaAt, 16, window);
}

// A 5-6-5 word as a pixel of a surface of that depth, as the engine draws
// it: kept at 16, narrowed at 15, widened without the low bits at 32.
inline uint32_t shownAs(uint16_t v, int depth)
{
    if (depth == 15)
        return uint32_t((v & 0x1F) | ((v & 0xFFC0) >> 1));
    if (depth == 32)
        return uint32_t(v & 0xF800) << 8 | uint32_t(v & 0x07E0) << 5 | uint32_t(v & 0x001F) << 3;
    return v;
}

// Whether every pixel of the frame is expected(x, y); the first difference
// and the number of them otherwise.
inline ::testing::AssertionResult frameIs(const platform::Surface* frame, const std::function<uint32_t(int, int)>& expected,
                                          const std::string& name)
{
    if (!frame)
        return ::testing::AssertionFailure() << name << ": no frame was shown";
    if (const char* dir = std::getenv("QUARNEL_FRAMES"))
        platform::savePng(*frame, std::string(dir) + "/" + name + ".png");
    long wrong = 0;
    std::string first;
    for (int y = 0; y < frame->height(); ++y)
        for (int x = 0; x < frame->width(); ++x)
            if (frame->pixelAt(x, y) != expected(x, y) && wrong++ == 0)
                first = "(" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                        std::to_string(frame->pixelAt(x, y)) + ", not " + std::to_string(expected(x, y));
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name << ": " << wrong << " pixels wrong, first " << first;
}

// The headless platform installed on a manual clock, the window's command
// line and language, and the window layers put back as they were.
class HeadlessScreen : public ::testing::Test {
protected:
    ~HeadlessScreen() override
    {
        CWindow::layers() = savedLayers;
        CWindowPaths::reset();
    }

    // A window without an input thread (so frames are repeatable).
    std::unique_ptr<CWindow> makeWindow(bool windowed = true)
    {
        std::unique_ptr<CWindow> w(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", true));
        if (windowed) {
            EXPECT_EQ(w->CreateSurface(nullptr), 0);
        }
        w->OnActivateApp(true);
        return w;
    }

    CWindowLayers savedLayers = CWindow::layers();
    platform::ManualClock clockNow{1000};
    platform::ScopedClock clock{&clockNow};
    platform::HeadlessPlatform backend{clockNow};
    platform::ScopedPlatform backendInUse{&backend};
    CCommandLine6 commandLine{"-window"};
    CLanguageOSVer language;
};

} // namespace screentest
