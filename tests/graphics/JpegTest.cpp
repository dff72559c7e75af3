// The JPEG reader: from memory and from a file, into 5-5-5 or 5-6-5 words,
// and its failures on missing and damaged data.
#include "graphics/Jpeg.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include "JpegData.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Four 16 x 16 quadrants: red, green above blue, white.
Bytes quadrants()
{
    return jpegdata::make(32, 32, [](int x, int y) -> jpegdata::Rgb {
        if (y < 16)
            return x < 16 ? jpegdata::Rgb{255, 0, 0} : jpegdata::Rgb{0, 255, 0};
        return x < 16 ? jpegdata::Rgb{0, 0, 255} : jpegdata::Rgb{255, 255, 255};
    });
}

uint16_t at(const short* pixels, int x, int y) { return uint16_t(pixels[y * 32 + x]); }

TEST(JPEGTest, DecodesRowsTopFirstIntoTheDepthsWords)
{
    Bytes file = quadrants();
    struct Case {
        int bpp;
        uint16_t red, green, blue, white;
    } cases[] = {{15, 0x7C00, 0x03E0, 0x001F, 0x7FFF}, {16, 0xF800, 0x07E0, 0x001F, 0xFFFF}, {32, 0xF800, 0x07E0, 0x001F, 0xFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bpp);
        JPEG reader(reinterpret_cast<char*>(file.data()), long(file.size()));
        ASSERT_TRUE(reader.isValid());
        EXPECT_EQ(reader.getWidth(), 32);
        EXPECT_EQ(reader.getHeight(), 32);
        std::unique_ptr<short[]> pixels(reader.decompress(c.bpp));
        ASSERT_TRUE(pixels);
        EXPECT_EQ(at(pixels.get(), 8, 8), c.red);
        EXPECT_EQ(at(pixels.get(), 24, 8), c.green);
        EXPECT_EQ(at(pixels.get(), 8, 24), c.blue);
        EXPECT_EQ(at(pixels.get(), 24, 24), c.white);
        // The image is decoded once.
        EXPECT_EQ(reader.decompress(c.bpp), nullptr);
    }
}

TEST(JPEGTest, ReadsAFileByItsEngineName)
{
    testsupport::TempDir dir;
    Bytes file = quadrants();
    dir.write("Pics/Logo.jpg", std::string(file.begin(), file.end()));
    std::string name = platform::toEnginePath(dir.path()) + "\\PICS\\logo.JPG";
    JPEG reader(&name[0]);
    ASSERT_TRUE(reader.isValid());
    std::unique_ptr<short[]> pixels(reader.decompress(16));
    ASSERT_TRUE(pixels);
    EXPECT_EQ(at(pixels.get(), 24, 24), 0xFFFF);
}

TEST(JPEGTest, MissingOrDamagedDataGivesNoImage)
{
    testsupport::TempDir dir;
    const Bytes file = quadrants();
    dir.write("empty.jpg", "");
    std::string missing = platform::toEnginePath(dir.path()) + "\\none.jpg";
    std::string empty = platform::toEnginePath(dir.path()) + "\\empty.jpg";
    for (std::string* name : {&missing, &empty}) {
        JPEG reader(&(*name)[0]);
        EXPECT_FALSE(reader.isValid()) << *name;
        EXPECT_EQ(reader.getWidth(), 0);
        EXPECT_EQ(reader.decompress(16), nullptr);
    }
    JPEG none(static_cast<char*>(nullptr), 10);
    EXPECT_FALSE(none.isValid());

    // Cut inside the header, cut inside the picture, and a frame header
    // claiming no rows: the header or the rows fail, never the process.
    Bytes header(file.begin(), file.begin() + 40);
    Bytes half(file.begin(), file.begin() + long(file.size() / 2));
    Bytes noRows = file;
    for (size_t i = 0; i + 9 < noRows.size(); ++i)
        if (noRows[i] == 0xFF && noRows[i + 1] == 0xC0) {
            noRows[i + 5] = noRows[i + 6] = 0;
            break;
        }
    for (Bytes* damaged : {&header, &half, &noRows}) {
        JPEG reader(reinterpret_cast<char*>(damaged->data()), long(damaged->size()));
        std::unique_ptr<short[]> pixels(reader.decompress(16));
        EXPECT_EQ(pixels, nullptr) << damaged->size();
    }
}

} // namespace
