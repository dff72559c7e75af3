#include "host/Host.h"

#include "base/CommandLine.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Language.h"
#include "base/Path.h"
#include "base/WindowPaths.h"
#include "graphics/Window.h"
#include "host/HostWindow.h"
#include "net/ScriptNetPeer.h"
#include "platform/Clock.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "platform/Profile.h"
#include "platform/RealTime.h"
#include "platform/Signals.h"
#include "platform/Socket.h"
#include "script/Application.h"
#include "script/ScriptApplication.h"
#include "script/StructureParser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
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

const char* hostHelp()
{
    return "Usage: Quarnel [switches]\n"
           "Plays the title in the current folder (its definitions are in its \"Rara\" folder), or in the\n"
           "folder that -path names. The host's settings are read from \"Quarnel.ini\" in the current folder\n"
           "(section MAIN: TITLE, the window's caption; INI, the title's settings file; SUBDIR, the title\n"
           "folder when -path is not given). The title's settings file (a relative INI) and its scenes'\n"
           "music (MUSIC) are those of the current folder too, whatever folder -path names.\n"
           "\n"
           "  -path <folder>   the title's folder\n"
           "  -window          play in an 800x600 window (without it: the full screen, the frame scaled to\n"
           "                   fit with its aspect kept)\n"
           "  -res <w> <h>     the size of the full screen's frame (800 600), at most the screen's size; not\n"
           "                   used with -window\n"
           "  -delay <n>       above 0: a second window at (1024, 0) shows the secondary display\n"
           "  -nogfx           no window: play headless (as without a display; the clock it follows is below)\n"
           "  -nosound         no sound effects\n"
           "  -nomusic         no music\n"
           "  -pf              page flipping in full screen\n"
           "  -2bin            write the snapshot \"application.bin\" of the definitions and end\n"
           "  -forceCNV        read the definitions although a snapshot is there\n"
           "  -code, -decode   also write the definition files coded (.coded) or decoded (.decoded)\n"
           "  -step <ms>       headless: milliseconds the virtual clock moves each frame, or between two\n"
           "                   frames on the real clock, 1 to 1000 (16)\n"
           "  -frames <n>      end the run after n frames when the title has not ended by then\n"
           "  -port <n>        the port of the title's network server and client (4661)\n"
           "  -bind <address>  the address the title's network server listens on (every address)\n"
           "  -h, --help       this text; nothing is started\n"
           "\n"
           "A headless run is on a virtual clock: it moves by -step each frame, and the frames run as fast as\n"
           "the machine allows, so that a run gives the same results every time. From the first frame after\n"
           "the title tries to start a network server (NETSERVER) or connect a client (NETCLIENT), whether\n"
           "or not it succeeds, or opens a telephone line (PHONEEXT; a scripted line, or none, keeps the\n"
           "virtual clock) to its end, it is on the real clock: a frame every -step ms, the clock moving by\n"
           "the real time passed, the program sleeping between them.\n"
           "\n"
           "The Menu key or Shift+F10 opens the program's menu (Redraw, Exit, and Cancel, which closes it\n"
           "with nothing chosen) with the list of the title's scenes; Escape closes it too. Closing the\n"
           "window ends the title, and so do SIGTERM, SIGINT (Ctrl+C) and SIGHUP, headless too. The same\n"
           "signal again within a second is the same request; another signal, or the same one later, ends\n"
           "the program at once. A title whose end has not come 5 s after the signal is given up. A switch\n"
           "that is not known is named and ignored.\n"
           "Exit codes: 0 the title ended, or its window was closed, or a signal ended it; 1 no title could\n"
           "be started, or a switch was wrong; 2 the frame bound (-frames) ended the run; 3 the title's end\n"
           "had not come 5 s after a signal asked for it.\n"
           "\n"
           "A file that the title names and that is missing or cannot be used (a picture, animation, sound,\n"
           "sequence or video, a scene's definition file) is named on standard error, once, with the path\n"
           "looked at. With the environment variable QUARNEL_DEBUG set (to anything), the engine's own\n"
           "diagnostics go to standard error as well: why each file was not loaded, snapshot records\n"
           "skipped, the time measurements of a title, the temporaries' pools growing, and the messages of\n"
           "FFmpeg and of the sound system, which are otherwise kept off the terminal.\n";
}

namespace {
// A whole number from low to high with an optional minus sign.
bool readSigned(const std::string& word, long long low, long long high, long long* value)
{
    if (!word.empty() && word[0] == '-') {
        if (!readNumber(word.substr(1), 0, -low, value))
            return false;
        *value = -*value;
        return *value >= low;
    }
    return readNumber(word, low < 0 ? 0 : low, high, value);
}

// The words of a command line text, cut at blanks (runs of blanks count
// as one).
std::vector<std::string> commandWords(const char* text)
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
    return words;
}
} // namespace

bool readHostSwitches(const char* text, HostSwitches* switches, CXString* message)
{
    return readHostSwitches(commandWords(text), switches, message);
}

bool readHostSwitches(const std::vector<std::string>& words, HostSwitches* switches, CXString* message)
{
    HostSwitches result;
    auto fail = [message](const std::string& why) {
        if (message)
            *message = why.c_str();
        return false;
    };
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "-h" || w == "--help" || w == "-help" || w == "/?") {
            result.help = true;
            continue;
        }
        if (w.size() < 2 || (w[0] != '-' && w[0] != '/'))
            continue;
        const std::string name = w.substr(1);
        const std::string next = i + 1 < words.size() ? words[i + 1] : std::string();
        long long value = 0, height = 0;
        if (CCommandLine6::isFlag(name.c_str()))
            continue;
        if (name == "step" || name == "frames") {
            const bool step = name == "step";
            if (!readNumber(next, 1, step ? 1000 : 1000000000000LL, &value))
                return fail(step ? "-step needs a number of milliseconds from 1 to 1000"
                                 : "-frames needs a number of frames from 1 to 1000000000000");
            if (step)
                result.stepMs = unsigned(value);
            else
                result.frameBound = value;
            ++i;
        } else if (name == "res") {
            const std::string second = i + 2 < words.size() ? words[i + 2] : std::string();
            if (!readNumber(next, 1, 65535, &value) || !readNumber(second, 1, 65535, &height))
                return fail("-res needs the full screen's width and height, whole numbers from 1 to 65535 "
                            "(-res 800 600)");
            result.resolutionGiven = true;
            i += 2;
        } else if (name == "delay") {
            if (!readSigned(next, -1000000000, 1000000000, &value))
                return fail("-delay needs a whole number (above 0: a second window shows the secondary display)");
            ++i;
        } else if (name == "path") {
            if (next.empty())
                return fail("-path needs the title's folder");
            if (result.path.empty())
                result.path = next;
            ++i;
        } else if (name == "port") {
            if (!readNumber(next, 0, 65535, &value))
                return fail("-port needs a port number from 0 to 65535");
            result.port = int(value);
            ++i;
        } else if (name == "bind") {
            uint32_t address = 0;
            if (!platform::parseIPv4(next.c_str(), &address))
                return fail("-bind needs a dotted address such as 127.0.0.1");
            result.bindAddress = next.c_str();
            ++i;
        } else if (w[0] == '-') {
            // A word beginning with "/" may be a folder; one with "-" is a
            // switch mistyped, or of another program.
            result.unknown.push_back(w);
        }
    }
    *switches = result;
    return true;
}

namespace {

bool hasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

// The scene the title runs now, below its episode when it has one.
CMC_Scene* enteredScene(CMC_Application* application)
{
    CMC_Scene* s = application;
    for (int depth = 0; s && s->getType() != MC_SCENE && depth < 4; ++depth)
        s = s->getCurrentScene();
    return s && s->getType() == MC_SCENE ? s : nullptr;
}

// The scenes the title names but never defines, as one list (the engine
// has written each to the debugger output).
CXString missingScenes(CApplication* application)
{
    CXString list;
    CMC_StructureParser* parser = application->getParser();
    for (size_t i = 0; parser && i < parser->getMissingNames().size(); ++i)
        list = list.IsString() ? list + ", " + parser->getMissingNames()[i] : parser->getMissingNames()[i];
    return list;
}

} // namespace

bool findTitleFolder(const HostSettings& settings, CCommandLine6* commandLine, CXString* message)
{
    if (settings.subFolder.IsString() && !commandLine->getPath().IsString())
        commandLine->setPath(settings.subFolder);
    const CXString titleFolder = commandLine->getPath();
    if (!titleFolder.IsString())
        return true;
    std::error_code failed;
    const std::filesystem::file_status found = std::filesystem::status(hostPath(titleFolder).c_str(), failed);
    if (std::filesystem::is_directory(found))
        return true;
    if (message) {
        const std::string named = "the title folder \"" + platform::cp1250ToUtf8(titleFolder.c_str()) + "\" ";
        if (std::filesystem::exists(found))
            *message = (named + "is a file, not a folder").c_str();
        else if (found.type() == std::filesystem::file_type::not_found || !failed)
            *message = (named + "does not exist").c_str();
        else
            *message = (named + "cannot be looked at: " + failed.message()).c_str();
    }
    return false;
}

namespace {
// The title's end did not come in time after a signal (a script that never
// gives its frame back): said in one line, and the program ends at once.
// Files are replaced whole (ReplacingFile), so what was written stays so;
// the settings changes that wait are written first, as the title's end
// would have. Only calls that cannot wait on a lock the stuck thread may
// hold, but for the settings', which is waited for half a second at most.
void endOverdue(int signal)
{
    platform::writeWaitingProfiles(std::chrono::milliseconds(500));
    const char* name = ::sigabbrev_np(signal);
    char line[128];
    const int n = std::snprintf(line, sizeof line,
                                "Quarnel: the title had not ended %d s after SIG%s; the program ends without it\n",
                                int(platform::EndSignals::GRACE_MS / 1000), name ? name : "?");
    if (n > 0 && ::write(2, line, std::min(size_t(n), sizeof line - 1)) < 0) {
        // Nowhere to say it.
    }
    ::_exit(EXIT_END_OVERDUE);
}
} // namespace

int runHost(const char* text, CXString* message) { return runHost(commandWords(text), message); }

int runHost(const std::vector<std::string>& arguments, CXString* message)
{
    HostSwitches switches;
    if (!readHostSwitches(arguments, &switches, message))
        return EXIT_FAILED;
    if (switches.help) {
        std::fputs(hostHelp(), stdout);
        return EXIT_ENDED;
    }
    for (const std::string& word : switches.unknown)
        std::fprintf(stderr, "Quarnel: unknown switch %s, ignored (Quarnel --help lists the switches)\n",
                     word.c_str());
    // SIGTERM, SIGINT and SIGHUP end the title as closing its window does,
    // headless or not; a frame pacer asleep is woken for it.
    platform::EndSignals endSignals([] { platform::wakeFrame(); }, endOverdue);

    // The engine names files in code page 1250: a folder whose name has
    // letters outside it could not be named to the engine at all.
    if (platform::cp1250ToUtf8(platform::utf8ToCp1250(switches.path)) != switches.path) {
        if (message)
            *message = ("the title folder \"" + switches.path +
                        "\" has letters that the engine's file names cannot hold (code page 1250)")
                           .c_str();
        return EXIT_FAILED;
    }
    std::vector<CXString> words;
    for (const std::string& argument : arguments)
        words.emplace_back(platform::utf8ToCp1250(argument).c_str());
    CCommandLine6* commandLine = new CCommandLine6(words);
    CLanguageOSVer language;
    HostSettings settings = readHostSettings();
    if (!findTitleFolder(settings, commandLine, message)) {
        delete commandLine;
        return EXIT_FAILED;
    }

    // A window where there is a display, on the system clock; else the
    // headless platform on the virtual clock. Both outlive the engine
    // window and the application.
    platform::VirtualClock clock(switches.stepMs);
    std::unique_ptr<platform::Platform> backend;
    if (commandLine->isGFXEnabled() && hasDisplay()) {
        std::string why;
        backend = platform::createSdlPlatform(&why);
        if (!backend)
            std::fprintf(stderr, "Quarnel: no window (%s); the title plays without a display\n", why.c_str());
    }
    const bool headless = !backend;
    std::unique_ptr<platform::ScopedClock> clockInUse;
    if (headless) {
        backend = platform::createHeadlessPlatform(clock);
        clockInUse.reset(new platform::ScopedClock(&clock));
    }
    platform::ScopedPlatform backendInUse(backend.get());
    CMainWindowProc procedure(*backend);

    int exitCode = EXIT_ENDED;
    void* mainWindow = nullptr;
    void* secondWindow = nullptr;
    if (!headless) {
        // The second window, of the secondary display, first; then the main one.
        if (commandLine->getDelay() > 0)
            secondWindow = CreateMainWindow(*backend, 1, settings.title, true, platform::Point{1024, 0});
        mainWindow = CreateMainWindow(*backend, 0, settings.title, commandLine->isWindowMode(), platform::Point{0, 0});
        if (!mainWindow) {
            exitCode = EXIT_FAILED;
            if (message)
                *message = "the window could not be made";
        }
    }

    // Plug-ins are looked for beside the program, whatever folder the title
    // is started in. A headless run's input comes between frames (fed at
    // pumpEvents): the frame tick polls the devices, with no input thread,
    // so that the same input gives the same run.
    CWindow* window = nullptr;
    CApplication* application = nullptr;
    if (exitCode == EXIT_ENDED) {
        window = new CWindow(mainWindow, commandLine, &language, CXSize(800, 600), nullptr,
                             CXString(platform::executableFolder().c_str()), headless);
        procedure.setEngineWindow(window);
        set(window, nullptr); // the window the menu's Redraw redraws
        window->OnActivateApp(true);
        // The display: the window's client area (and the secondary display
        // in the second window) in window mode, else the full screen at the
        // command line's resolution in 16 bits, or 15.
        const CXSize res = commandLine->getResolution();
        const platform::Size screen = backend->display().screenSize();
        const bool tooLarge = !commandLine->isWindowMode() && switches.resolutionGiven && screen.width > 0 &&
                              (res.cx > screen.width || res.cy > screen.height);
        if (window->LastError() == 0) {
            if (commandLine->isWindowMode())
                window->CreateSurface(secondWindow);
            else if (tooLarge)
                exitCode = EXIT_FAILED;
            else if (window->SetDisplayMode(res, 16) != 0)
                window->SetDisplayMode(res, 15);
        }
        if (window->LastError() != 0)
            exitCode = EXIT_FAILED;
        if (exitCode != EXIT_ENDED && message) {
            if (commandLine->isWindowMode())
                message->Format("the engine window or its display could not be made (error %d)", window->LastError());
            else if (tooLarge)
                *message = ("the screen (" + std::to_string(screen.width) + "x" + std::to_string(screen.height) +
                            ") cannot show the full screen at " + std::to_string(res.cx) + "x" +
                            std::to_string(res.cy) + " (-res)")
                               .c_str();
            else
                *message = ("no full screen of " + std::to_string(res.cx) + "x" + std::to_string(res.cy) +
                            " can be made (-res; error " + std::to_string(window->LastError()) + ")")
                               .c_str();
        }
    }
    // Holds taken before the run (by another run in this process) do not count.
    const uint64_t holdsBefore = platform::RealTimeHold::taken();
    if (exitCode == EXIT_ENDED) {
        CMC_NetPeer::setPort(switches.port);
        CMC_NetPeer::setBindAddress(switches.bindAddress);
        application = new CApplication(window, settings.ini, CXString("data.bf"), commandLine);
        application->preinitializeApplication();
        CMC_Application* game = application->getMCApplicationIfc();
        CXString missing = missingScenes(application);
        if (!game) {
            exitCode = EXIT_FAILED;
            const CXString root = CWindowPaths::getCDPath();
            const CXString snapshot = CFolder::dataPath(root, CXString(), "application.bin");
            // The snapshot is read whenever it is there: one that cannot be
            // read is named, whatever the definitions beside it hold.
            if (message && !commandLine->isForceCNV() && CFile::fileExists(snapshot))
                *message = CXString("the snapshot \"") + hostPath(snapshot) + "\" is damaged or cannot be read" +
                           (CFile::fileExists(CFolder::dataPath(root, CXString(), "application.def"))
                                ? "; -forceCNV plays the title from its definitions (\"application.def\") instead"
                                : ", and there are no definitions (\"application.def\") beside it to play instead");
            else if (message)
                *message = CXString("no title to start in \"") + hostPath(CFolder::dataPath(root, CXString())) +
                           "\": \"application.def\" (or \"application.bin\") is missing or holds no APPLICATION";
        } else if (commandLine->is2Bin() && game->getStoreFailure().IsString()) {
            exitCode = EXIT_FAILED;
            if (message)
                *message = CXString("\"application.bin\" was not written: ") + game->getStoreFailure();
        } else if (!commandLine->is2Bin() && !window->isQuitting() && !enteredScene(game)) {
            // Nothing would ever run: a title without a scene to enter.
            exitCode = EXIT_FAILED;
            if (message)
                *message = missing.IsString() ? CXString("the title entered no scene: no definition of the scene ") +
                                                    missing
                                              : CXString("the title entered no scene: it names none to start with");
        } else {
            // The title plays on without them.
            if (missing.IsString())
                std::fprintf(stderr, "Quarnel: no definition of the scene %s\n", missing.c_str());
            procedure.setMenu(BuildSceneMenu(game));
        }
    }

    if (exitCode == EXIT_ENDED && !commandLine->is2Bin()) {
        bool ended = window->domodal();
        long long framesRun = 1;
        // A headless run follows the real clock from the first frame after
        // the title began talking to peers (a hold was taken), to its end.
        std::unique_ptr<platform::FramePacer> pacer;
        bool closed = false;
        while (!ended) {
            // A window system that fails ends the loop as a quit would.
            if (!backend->pumpEvents(&procedure))
                break;
            if (headless && !pacer && platform::RealTimeHold::taken() != holdsBefore)
                pacer.reset(new platform::FramePacer(switches.stepMs));
            if (pacer)
                clock.nextFrame(pacer->wait());
            else if (headless)
                clock.nextFrame();
            // A signal asking the program to end closes the window: the
            // frame it gives is the last, and the title's end runs.
            if (!closed && endSignals.requested()) {
                closed = true;
                platform::WindowMessage close;
                close.kind = platform::WindowMessage::CLOSE;
                procedure.windowMessage(close);
            }
            ended = window->domodal();
            if (!ended && switches.frameBound > 0 && ++framesRun >= switches.frameBound) {
                exitCode = EXIT_FRAME_BOUND;
                if (message)
                    *message = ("the title had not ended after " + std::to_string(switches.frameBound) +
                                " frames (-frames)")
                                   .c_str();
                break;
            }
        }
    }

    // The title's end (its scene's end, the settings written, its players
    // told) runs as the application goes; a baresip it ran is given its
    // own time to end meanwhile, not counted against the signal's bound.
    delete application;
    procedure.setEngineWindow(nullptr);
    set(nullptr, nullptr);
    delete window;
    // What is left (a print's closing grace as the backend goes) has a
    // bound of its own.
    endSignals.ended();
    delete commandLine;
    return exitCode;
}

} // namespace quarnel
