#pragma once
// The engine's 800 x 600 window on the headless platform with a manual
// clock, for benchmarks that draw as a frame does.
#include "base/CommandLine.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <memory>

namespace benchsupport {

struct HeadlessWindow {
    platform::ManualClock clock{1000};
    platform::ScopedClock clockInUse{&clock};
    std::unique_ptr<platform::Platform> backend = platform::createHeadlessPlatform(clock);
    platform::ScopedPlatform backendInUse{backend.get()};
    CCommandLine6 commandLine{"-window"};
    CLanguageOSVer language;
    std::unique_ptr<CWindow> window;

    HeadlessWindow()
    {
        window.reset(new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", true));
        window->CreateSurface(nullptr);
        window->OnActivateApp(true);
    }
    ~HeadlessWindow()
    {
        window.reset();
        CWindowPaths::reset();
    }
};

} // namespace benchsupport
