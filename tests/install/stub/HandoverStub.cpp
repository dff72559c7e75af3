// Stands in for the maker's shared uninstaller: writes the arguments it was
// started with, argv[0] first, one a line, to the file named by
// HANDOVER_RECORD, and then "SIGXFSZ ignored" when it was started with that
// signal ignored (the uninstaller ignores it for its own writes only).
#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const char* record = std::getenv("HANDOVER_RECORD");
    FILE* f = record ? std::fopen(record, "w") : nullptr;
    if (!f)
        return 3;
    for (int i = 0; i < argc; ++i)
        std::fprintf(f, "%s\n", argv[i]);
    struct sigaction action {};
    if (sigaction(SIGXFSZ, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
        std::fprintf(f, "SIGXFSZ ignored\n");
    return std::fclose(f) == 0 ? 0 : 3;
}
