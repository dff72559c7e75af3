// A title whose scripts delete objects while other things still hold them,
// played as the host plays it. The application is fixed: GAME with a value
// N and a group APPGROUP, one episode E of the scenes S and S2. The input
// gives, parted by NUL bytes, S's definitions, "F.CNV" and "G.CNV" (files
// in S's folder that CNVLOADER may load), the class file "BOOK.def" and
// S2's definitions; a missing part is an empty file. The frames go on long
// enough for a few timer ticks and a scene switch, then everything is
// deleted in the host's order. Behaviours run under a step budget.
#include "fuzz/InputFile.h"
#include "base/CommandLine.h"
#include "base/Language.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "script/Behaviour.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

const char application[] = "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\n"
                           "E:SCENES=S,S2\nOBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nOBJECT=S2\nS2:TYPE=SCENE\n"
                           "S2:PATH=\\S2\n";
const char applicationObjects[] = "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\nOBJECT=APPGROUP\nAPPGROUP:TYPE=GROUP\n";

bool writeText(const char* name, const char* text)
{
    return fuzzinput::write(name, reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* parts[] = {"Rara/S/S.cnv", "Rara/S/F.CNV", "Rara/S/G.CNV", "COMMON/CLASSES/BOOK.def",
                           "Rara/S2/S2.cnv"};
    size_t at = 0;
    for (const char* name : parts) {
        size_t end = at;
        while (end < size && data[end])
            ++end;
        if (!fuzzinput::write(name, data + at, end - at))
            return 0;
        at = end < size ? end + 1 : end;
    }
    if (!writeText("Rara/application.def", application) || !writeText("Rara/GAME.cnv", applicationObjects))
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
        for (int frame = 0; frame < 12 && application->getMCApplicationIfc(); ++frame) {
            clock.advance(20);
            if (window.domodal())
                break;
        }
        delete application;
    }
    CMC_Behaviour::setStepLimit(0);
    return 0;
}
