#include "host/Host.h"

#include "base/CommandLine.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Language.h"
#include "base/Path.h"
#include "base/WindowPaths.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "script/Application.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace quarnel {

HostSettings readHostSettings()
{
    CPath here(nullptr);
    CConfig config(here.GetFullPath(CXString(), CXString("Quarnel.ini")));
    HostSettings s;
    s.title = config.GetString("MAIN", "TITLE");
    s.icon = config.GetString("MAIN", "ICON");
    s.ini = config.GetString("MAIN", "INI");
    s.subFolder = config.GetString("MAIN", "SUBDIR");
    if (!s.ini.IsString())
        s.ini = "Quarnel.ini";
    if (!s.title.IsString())
        s.title = "DovirAvura";
    return s;
}

namespace {
CXString hostPath(const CXString& enginePath) { return CXString(platform::toHostPath(enginePath.c_str()).c_str()); }

// A whole decimal number from low to high, nothing else in the word.
bool readNumber(const std::string& word, long long low, long long high, long long* value)
{
    if (word.empty() || word.size() > 18 || word.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long long v = std::strtoll(word.c_str(), nullptr, 10);
    if (v < low || v > high)
        return false;
    *value = v;
    return true;
}
} // namespace

bool readHostSwitches(const char* text, HostSwitches* switches, CXString* message)
{
    std::vector<std::string> words;
    for (const char* p = text ? text : ""; *p;) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p && *p != ' ')
            ++p;
        if (p > start)
            words.emplace_back(start, size_t(p - start));
    }
    HostSwitches result;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w.size() < 2 || (w[0] != '-' && w[0] != '/'))
            continue;
        std::string name = w.substr(1);
        if (name != "step" && name != "frames")
            continue;
        long long value = 0;
        std::string next = i + 1 < words.size() ? words[i + 1] : std::string();
        bool step = name == "step";
        if (!readNumber(next, 1, step ? 1000 : 1000000000000LL, &value)) {
            if (message)
                *message = step ? "-step needs a number of milliseconds from 1 to 1000"
                                : "-frames needs a number of frames from 1 to 1000000000000";
            return false;
        }
        if (step)
            result.stepMs = unsigned(value);
        else
            result.frameBound = value;
        ++i;
    }
    *switches = result;
    return true;
}

int runHost(const char* text, CXString* message)
{
    HostSwitches switches;
    if (!readHostSwitches(text, &switches, message))
        return EXIT_FAILED;
    // Without a display the title runs on the headless platform and the
    // virtual clock; both outlive the window and the application.
    platform::VirtualClock clock(switches.stepMs);
    platform::ScopedClock clockInUse(&clock);
    std::unique_ptr<platform::Platform> backend = platform::createHeadlessPlatform(clock);
    platform::ScopedPlatform backendInUse(backend.get());

    CCommandLine6* commandLine = new CCommandLine6(text ? text : "");
    CLanguageOSVer language;
    HostSettings settings = readHostSettings();
    if (settings.subFolder.IsString() && !commandLine->getPath().IsString())
        commandLine->setPath(settings.subFolder);

    // Plug-ins are looked for beside the program, whatever folder the title
    // is started in. The headless platform's input comes between frames
    // (pumpEvents): the frame tick polls the devices, with no input thread,
    // so that the same input gives the same run.
    CWindow* window = new CWindow(nullptr, commandLine, &language, CXSize(800, 600), nullptr,
                                  CXString(platform::executableFolder().c_str()), true);
    window->OnActivateApp(true);
    // The display: the window's client area in window mode, else the full
    // screen at the command line's resolution in 16 bits, or 15.
    if (window->LastError() == 0) {
        if (commandLine->isWindowMode()) {
            window->CreateSurface(nullptr);
        } else if (window->SetDisplayMode(commandLine->getResolution(), 16) != 0) {
            window->SetDisplayMode(commandLine->getResolution(), 15);
        }
    }

    CApplication* application = nullptr;
    int exitCode = EXIT_ENDED;
    if (window->LastError() != 0) {
        exitCode = EXIT_FAILED;
        if (message)
            message->Format("the engine window could not be made (error %d)", window->LastError());
    } else {
        application = new CApplication(window, settings.ini, CXString("data.bf"), commandLine);
        application->preinitializeApplication();
        if (!application->getMCApplicationIfc()) {
            exitCode = EXIT_FAILED;
            if (message)
                *message = CXString("no title to start in \"") +
                           hostPath(CWindowPaths::getCDPath() + CFolder::DATA_FOLDER) +
                           "\": \"application.def\" (or \"application.bin\") is missing or holds no APPLICATION";
        }
    }

    if (exitCode == 0 && !commandLine->is2Bin()) {
        for (;;) {
            if (!backend->pumpEvents())
                window->OnDestroy();
            clock.nextFrame();
            if (window->domodal())
                break;
            if (switches.frameBound > 0 && clock.frames() >= uint64_t(switches.frameBound)) {
                exitCode = EXIT_FRAME_BOUND;
                if (message)
                    *message = ("the title had not ended after " + std::to_string(switches.frameBound) +
                                " frames (-frames)")
                                   .c_str();
                break;
            }
        }
    }

    delete application;
    delete window;
    delete commandLine;
    return exitCode;
}

} // namespace quarnel
