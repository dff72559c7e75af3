// Stands in for the maker's shared uninstaller: writes the arguments it was
// started with, argv[0] first, one a line, to the file named by
// HANDOVER_RECORD.
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
    return std::fclose(f) == 0 ? 0 : 3;
}
