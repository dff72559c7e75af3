// The host program Quarnel: `Quarnel [-path <title folder>] [-nogfx] ...`,
// started in the title's folder.
#include "host/Host.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    CXString message;
    int code = quarnel::runHost(commandLine.c_str(), &message);
    if (message.IsString())
        std::fprintf(stderr, "Quarnel: %s\n", message.c_str());
    return code;
}
