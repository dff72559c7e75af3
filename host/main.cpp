// The host program Quarnel: `Quarnel [-path <title folder>] [-nogfx] ...`,
// started in the title's folder.
#include "host/Host.h"
#include "platform/Signals.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // Each argument whole: a folder's name may hold blanks.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    // The program ends with its run: once the run is over, a signal
    // repeated while the process exits changes nothing.
    platform::EndSignals::ignoreWhenGone();
    CXString message;
    int code = quarnel::runHost(arguments, &message);
    if (message.IsString())
        std::fprintf(stderr, "Quarnel: %s\n", message.c_str());
    return code;
}
