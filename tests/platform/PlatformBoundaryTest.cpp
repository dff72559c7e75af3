// Engine code reaches a backend only through the platform's interfaces:
// no file outside platform/ includes a backend's header (platform/<name>/)
// or a window system's.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(PlatformBoundaryTest, NoBackendHeaderOutsideThePlatform)
{
    namespace fs = std::filesystem;
    const fs::path root(QUARNEL_SOURCE_DIR);
    int files = 0;
    for (const char* folder : {"engine", "host", "plugins", "install", "fuzz", "bench"}) {
        if (!fs::exists(root / folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n) {
                if (line.find("#include") == std::string::npos)
                    continue;
                EXPECT_EQ(line.find("platform/headless/"), std::string::npos) << entry.path() << ":" << n;
                EXPECT_EQ(line.find("platform/sdl/"), std::string::npos) << entry.path() << ":" << n;
                EXPECT_EQ(line.find("SDL"), std::string::npos) << entry.path() << ":" << n;
            }
        }
    }
    EXPECT_GT(files, 100);
}

} // namespace
