#pragma once
// Pictures written by an independent writer (ImageMagick, see
// tests/fixtures/pictures/make.sh) with the writer's own reading of each:
// every layer of a PSD document, every Targa picture.
#include "support/TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

struct WrittenPicture {
    std::string file; // in picturesFolder()
    int layer = 0;
    int width = 0, height = 0, x = 0, y = 0;
    std::string rgba; // red, green, blue, alpha bytes, rows from the top

    uint8_t part(int px, int py, int channel) const { return uint8_t(rgba[size_t((py * width + px) * 4 + channel)]); }
    bool opaque(int px, int py) const { return part(px, py, 3) == 255; }
    // The pixel in 5-6-5, as the engine shows an opaque one.
    uint16_t word(int px, int py) const
    {
        return uint16_t((part(px, py, 0) >> 3) << 11 | (part(px, py, 1) >> 2) << 5 | part(px, py, 2) >> 3);
    }
};

inline std::string picturesFolder()
{
    const char* fixtures = std::getenv("QUARNEL_FIXTURES");
    return std::string(fixtures ? fixtures : "tests/fixtures") + "/pictures";
}

// Every reading of readings.txt, in its order.
inline std::vector<WrittenPicture> writtenPictures()
{
    std::vector<WrittenPicture> all;
    std::istringstream lines(readFile(picturesFolder() + "/readings.txt"));
    WrittenPicture p;
    while (lines >> p.file >> p.layer >> p.width >> p.height >> p.x >> p.y) {
        p.rgba = readFile(picturesFolder() + "/" + p.file + "." + std::to_string(p.layer) + ".rgba");
        if (p.rgba.size() == size_t(p.width) * size_t(p.height) * 4)
            all.push_back(p);
    }
    return all;
}

} // namespace testsupport
