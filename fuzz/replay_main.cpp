// Replays every input given on the command line (files, or folders of files)
// through the target once. Used where libFuzzer is not available.
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int replayFile(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return 0;
}

static int replay(const std::string& path, int& count)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "missing %s\n", path.c_str());
        return 1;
    }
    if (!S_ISDIR(st.st_mode)) {
        ++count;
        return replayFile(path);
    }
    DIR* d = opendir(path.c_str());
    if (!d)
        return 1;
    std::vector<std::string> names;
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    int failures = 0;
    for (const std::string& name : names)
        failures += replay(path + "/" + name, count);
    return failures;
}

int main(int argc, char** argv)
{
    int failures = 0, count = 0;
    for (int i = 1; i < argc; ++i)
        failures += replay(argv[i], count);
    std::printf("replayed %d inputs\n", count);
    return failures ? 1 : 0;
}
