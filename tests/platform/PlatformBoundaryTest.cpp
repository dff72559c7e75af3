// Engine code reaches a backend only through the platform's interfaces:
// no file outside platform/ includes a backend's header (platform/<name>/),
// a window system's or FFmpeg's; the decoded video (platform/ffmpeg/) is
// the backends' to open, and the fuzz targets'.
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
                for (const char* library :
                     {"libavformat/", "libavcodec/", "libavutil/", "libswscale/", "libswresample/"})
                    EXPECT_EQ(line.find(library), std::string::npos) << entry.path() << ":" << n;
                if (std::string(folder) != "fuzz") {
                    EXPECT_EQ(line.find("platform/ffmpeg/"), std::string::npos) << entry.path() << ":" << n;
                }
            }
        }
    }
    EXPECT_GT(files, 100);
}

} // namespace
