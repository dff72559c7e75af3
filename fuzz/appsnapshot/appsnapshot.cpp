// The application snapshot "application.bin" of arbitrary bytes, started as
// the host starts a title: the application record, the tree of episodes and
// scenes, then the start scene entered and a few frames played, and all of
// it deleted in the host's order. The scenes' own snapshot files are
// missing, so they come up empty.
#include "fuzz/InputFile.h"
#include "base/CommandLine.h"
#include "base/Language.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "script/Behaviour.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("Rara/application.bin", data, size))
        return 0;
    // Only the title's drive: nothing the input names reaches another.
    platform::unmapDrive('C');
    if (!platform::setCurrentDirectory("F:\\"))
        return 0;
    platform::ManualClock clock(1000);
    platform::ScopedClock scopedClock(&clock);
    CMC_Behaviour::setStepLimit(5000);
    CCommandLine6 commandLine("-nogfx");
    CLanguageOSVer language;
    {
        CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, CXString("F:\\"), false);
        window.OnActivateApp(true);
        CApplication* application = new CApplication(&window, CXString("title.ini"), CXString("data.bf"), &commandLine);
        application->preinitializeApplication();
        for (int frame = 0; frame < 4 && application->getMCApplicationIfc(); ++frame) {
            clock.advance(50);
            if (window.domodal())
                break;
        }
        delete application;
    }
    CMC_Behaviour::setStepLimit(0);
    return 0;
}
