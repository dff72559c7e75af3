#include "platform/Png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace platform {

// libpng reports errors by longjmp to the setjmp below; everything with a
// destructor is made before it, so the jump skips none.
bool savePng(const Surface& surface, const std::string& hostPath)
{
    const int w = surface.width(), h = surface.height();
    std::vector<png_byte> pixels(size_t(w) * size_t(h) * 3);
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        png_bytep row = pixels.data() + size_t(y) * size_t(w) * 3;
        rows[size_t(y)] = row;
        for (int x = 0; x < w; ++x) {
            uint32_t rgb = Surface::toRgb(surface.pixelAt(x, y), surface.bitsPerPixel());
            row[x * 3] = png_byte(rgb >> 16);
            row[x * 3 + 1] = png_byte(rgb >> 8);
            row[x * 3 + 2] = png_byte(rgb);
        }
    }
    FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false; // set after the setjmp
    if (png && info) {
        if (setjmp(png_jmpbuf(png)) == 0) {
            png_init_io(png, file);
            png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            png_write_image(png, rows.data());
            png_write_end(png, nullptr);
            ok = true;
        }
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    bool written = ok;
    return std::fclose(file) == 0 && written;
}

} // namespace platform
