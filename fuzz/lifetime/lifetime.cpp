// A title whose scripts delete objects while other things still hold them,
// played as the host plays it without a display: on the headless platform,
// in the full-screen display mode, so that what the scripts show is drawn
// each frame. The application is fixed: GAME with a value N and a group
// APPGROUP, one episode E of the scenes S and S2; S's folder holds the
// picture "P.IMG" (16 x 12) and the animation "A.ANN" (two frames of 8 x 8,
// the event "RUN"). The input gives, parted by NUL bytes, S's definitions,
// "F.CNV" and "G.CNV" (files in S's folder that CNVLOADER may load), the
// class file "BOOK.def" and S2's definitions; a missing part is an empty
// file. The frames go on long enough for a few timer ticks and a scene
// switch, then everything is deleted in the host's order. Behaviours run
// under a step budget. lifetime.dict holds the words that make and delete
// objects.
//
// Scripts also run while the drawables are drawn: a drawable of the
// target's own on the screen (priority 4, drawn every frame) raises the
// signal "DRAWN" on the current scene as it is drawn, and another on the
// canvas C of S, when S has one, raises "CDRAWN"; a behaviour named
// "__DRAWN__" or "__CDRAWN__" in the scene answers it, and may take out,
// add or move the drawables the screen or the canvas is drawing, the
// canvas C itself among them.
#include "fuzz/AnimationFile.h"
#include "fuzz/InputFile.h"
#include "base/CommandLine.h"
#include "base/Language.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "script/Behaviour.h"
#include "script/Object.h"
#include "script/ScriptApplication.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
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

// The bytes of a file the engine wrote at F:\<name>.
std::string written(const char* name, bool saved)
{
    std::ifstream in(platform::toHostPath((std::string("F:\\") + name).c_str()), std::ios::binary);
    return saved && in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "";
}

// The picture and the animation, written by the engine's own writers once.
const std::string& picture()
{
    static const std::string bytes = [] {
        CGraphicsObject g(nullptr, CXSize(16, 12), 16);
        const uint16_t word = 0xF81F;
        for (int i = 0; i < 16 * 12; ++i)
            std::memcpy(g.GetDataPtr() + 2 * i, &word, 2);
        return written("P.IMG", fuzzinput::write("P.IMG", nullptr, 0) &&
                                    g.Save(CXString("F:\\P.IMG"), COMPRESSION_NONE) == 0);
    }();
    return bytes;
}

const std::string& animation()
{
    static const std::string bytes =
        written("A.ANN", fuzzinput::writeAnimation("A.ANN", 2, 8, 0x07E0, {"RUN"}));
    return bytes;
}

bool writeBytes(const char* name, const std::string& bytes)
{
    return !bytes.empty() && fuzzinput::write(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The scene played now, or null.
CMC_Scene* currentScene(CApplication* application)
{
    CMC_Scene* app = application->getMCApplicationIfc();
    CMC_Scene* episode = app ? app->getCurrentScene() : nullptr;
    return episode ? episode->getCurrentScene() : nullptr;
}

// A drawable that raises a signal on the current scene each time it is
// drawn (not again while the signal's behaviour runs), and asks to be drawn
// again each frame.
class SignallingDrawable : public CGraphicsObject {
public:
    SignallingDrawable(CWindow* window, CApplication* application, const char* signal)
        : CGraphicsObject(window, CXSize(8, 8), 16), application(application), signal(signal)
    {
        const uint16_t word = 0x001F;
        for (int i = 0; i < 8 * 8; ++i)
            std::memcpy(GetDataPtr() + 2 * i, &word, 2);
        Show();
    }
    void Redraw() override
    {
        CGraphicsObject::Redraw();
        if (raising)
            return;
        CMC_Scene* scene = currentScene(application);
        if (!scene)
            return;
        raising = true;
        scene->onSignal(CXString(signal));
        raising = false;
    }

private:
    CApplication* application;
    const char* signal;
    bool raising = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& pictureBytes = picture();
    const std::string& animationBytes = animation();
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
    if (!writeText("Rara/application.def", application) || !writeText("Rara/GAME.cnv", applicationObjects) ||
        !writeBytes("Rara/S/P.IMG", pictureBytes) || !writeBytes("Rara/S/A.ANN", animationBytes))
        return 0;
    // Only the title's drive: nothing the input names reaches another.
    platform::unmapDrive('C');
    if (!platform::setCurrentDirectory("F:\\"))
        return 0;
    platform::ManualClock clock(1000);
    platform::ScopedClock scopedClock(&clock);
    std::unique_ptr<platform::Platform> backend = platform::createHeadlessPlatform(clock);
    platform::ScopedPlatform backendInUse(backend.get());
    CMC_Behaviour::setStepLimit(5000);
    CCommandLine6 commandLine("-nogfx");
    CLanguageOSVer language;
    {
        CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, CXString("F:\\"), true);
        window.OnActivateApp(true);
        // The display mode the host sets without a window.
        if (window.SetDisplayMode(commandLine.getResolution(), 16) != 0)
            window.SetDisplayMode(commandLine.getResolution(), 15);
        CApplication* application = new CApplication(&window, CXString("title.ini"), CXString("data.bf"), &commandLine);
        application->preinitializeApplication();
        // Gone before the application: the scripts of its end draw nothing.
        std::unique_ptr<SignallingDrawable> onScreen(new SignallingDrawable(&window, application, "DRAWN"));
        std::unique_ptr<SignallingDrawable> onCanvas(new SignallingDrawable(&window, application, "CDRAWN"));
        if (CRefreshScreen* screen = window.GetRefreshScreenInterface())
            screen->put(onScreen.get(), 4);
        CMC_Scene* scene = currentScene(application);
        CMC_Object* canvas = scene ? scene->getObject("C") : nullptr;
        if (canvas && canvas->getType() == MC_CANVAS)
            if (CGraphicsObject* drawn = scene->getGraphicsObject(CXString("C")))
                static_cast<CCanvas*>(drawn)->add(onCanvas.get(), 4);
        for (int frame = 0; frame < 12 && application->getMCApplicationIfc(); ++frame) {
            clock.advance(20);
            onScreen->Invalidate();
            onCanvas->Invalidate();
            if (window.domodal())
                break;
        }
        onScreen.reset();
        onCanvas.reset();
        delete application;
    }
    CMC_Behaviour::setStepLimit(0);
    return 0;
}
