#include "host/Host.h"

#include "base/CommandLine.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/Folder.h"
#include "base/Language.h"
#include "base/Path.h"
#include "base/WindowPaths.h"
#include "graphics/Window.h"
#include "platform/Drives.h"
#include "script/Application.h"

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
} // namespace

int runHost(const char* text, CXString* message)
{
    CCommandLine6* commandLine = new CCommandLine6(text ? text : "");
    CLanguageOSVer language;
    HostSettings settings = readHostSettings();
    if (settings.subFolder.IsString() && !commandLine->getPath().IsString())
        commandLine->setPath(settings.subFolder);

    // Plug-ins are looked for beside the program, whatever folder the title
    // is started in.
    CWindow* window = new CWindow(nullptr, commandLine, &language, CXSize(800, 600), nullptr,
                                  CXString(platform::executableFolder().c_str()), false);
    window->OnActivateApp(true);

    CApplication* application = nullptr;
    int exitCode = 0;
    if (window->LastError() != 0) {
        exitCode = 1;
        if (message)
            message->Format("the engine window could not be made (error %d)", window->LastError());
    } else {
        application = new CApplication(window, settings.ini, CXString("data.bf"), commandLine);
        application->preinitializeApplication();
        if (!application->getMCApplicationIfc()) {
            exitCode = 1;
            if (message)
                *message = CXString("no title to start in \"") +
                           hostPath(CWindowPaths::getCDPath() + CFolder::DATA_FOLDER) +
                           "\": \"application.def\" (or \"application.bin\") is missing or holds no APPLICATION";
        }
    }

    if (exitCode == 0 && !commandLine->is2Bin())
        while (!window->domodal()) {
        }

    delete application;
    delete window;
    delete commandLine;
    return exitCode;
}

} // namespace quarnel
