// The host's settings file "Quarnel.ini" of arbitrary bytes, read as the
// host reads it at start-up: section MAIN with its defaults, and the title
// folder that SUBDIR names when the command line names none.
#include "fuzz/InputFile.h"
#include "base/CommandLine.h"
#include "host/Host.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!fuzzinput::write("Quarnel.ini", data, size) || !platform::setCurrentDirectory("F:\\"))
        return 0;
    quarnel::HostSettings settings = quarnel::readHostSettings();
    // The defaults stand for what is empty or missing.
    if (!settings.title.IsString() || !settings.ini.IsString())
        std::abort();
    // The caption goes to the window system in UTF-8.
    volatile size_t sink = platform::cp1250ToUtf8(settings.title.c_str()).size() + settings.icon.getLength();
    (void)sink;
    for (const char* switches : {"-nogfx", "-nogfx -path F:\\"}) {
        CCommandLine6 commandLine(switches);
        CXString message;
        if (!quarnel::findTitleFolder(settings, &commandLine, &message) && !message.IsString())
            std::abort();
    }
    return 0;
}
