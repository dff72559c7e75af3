// A command line of arbitrary bytes, read as the host reads it: the
// engine's switches (CCommandLine6) and the host's own (readHostSwitches),
// whose values, once accepted, are within their bounds.
#include "base/CommandLine.h"
#include "host/Host.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A command line text, cut into words at blanks; no word holds a NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* line = text.c_str();

    CCommandLine6 commandLine(line);
    volatile int64_t sink = int64_t(commandLine.getNoArgs()) + commandLine.getResolution().cx +
                            commandLine.getResolution().cy + commandLine.getDelay() +
                            commandLine.getPath().getLength();
    sink = sink + commandLine.isWindowMode() + commandLine.isGFXEnabled() + commandLine.is2Bin() +
           commandLine.isForceCNV() + commandLine.isSecondaryDisplayEnabled();
    (void)sink;

    quarnel::HostSwitches switches;
    CXString message;
    if (quarnel::readHostSwitches(line, &switches, &message)) {
        if (switches.stepMs < 1 || switches.stepMs > 1000 || switches.frameBound < 0)
            std::abort();
        for (const std::string& word : switches.unknown)
            if (word.size() < 2 || word[0] != '-')
                std::abort();
    } else if (!message.IsString()) {
        std::abort();
    }
    return 0;
}
