// Replays every input given on the command line (files, or folders of files)
// through the target once. Used where libFuzzer is not available.
//
// The C++ allocations are counted, so that a target may bound what one
// input makes it allocate (ReplayLimits.h): one block past the limit, or
// more held at once than the input may, ends the replay with the input
// named, as libFuzzer's memory limits would.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <malloc.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" void __sanitizer_print_stack_trace() __attribute__((weak));

namespace {
std::atomic<size_t> heldBytes{0};
size_t blockLimit = 0, heldLimit = 0, heldBefore = 0;
std::string replaying;
std::atomic<bool> overLimit{false};

void tooMuch(const char* what, size_t bytes, size_t limit)
{
    // The report's own allocations are not counted against it.
    if (overLimit.exchange(true))
        return;
    std::fprintf(stderr, "replay of %s: %s of %zu bytes, over the limit of %zu bytes\n", replaying.c_str(), what,
                 bytes, limit);
    if (__sanitizer_print_stack_trace)
        __sanitizer_print_stack_trace();
    std::abort();
}

void* allocate(size_t n)
{
    if (blockLimit && n > blockLimit)
        tooMuch("one allocation", n, blockLimit);
    void* p = std::malloc(n ? n : 1);
    if (!p)
        return nullptr;
    const size_t size = malloc_usable_size(p);
    const size_t held = heldBytes.fetch_add(size) + size;
    if (heldLimit && held > heldBefore && held - heldBefore > heldLimit)
        tooMuch("what is held at once", held - heldBefore, heldLimit);
    return p;
}

void release(void* p)
{
    if (!p)
        return;
    heldBytes.fetch_sub(malloc_usable_size(p));
    std::free(p);
}
} // namespace

extern "C" void quarnelReplayLimits(size_t oneBlock, size_t held)
{
    blockLimit = oneBlock;
    heldLimit = held;
}

void* operator new(size_t n)
{
    if (void* p = allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return allocate(n); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, size_t) noexcept { release(p); }
void operator delete[](void* p, size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

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
    replaying = path;
    heldBefore = heldBytes.load();
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
