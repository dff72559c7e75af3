#pragma once
// JPEG file images for the tests, made with libjpeg's compressor.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>

namespace jpegdata {

struct Rgb {
    unsigned char r, g, b;
};

// A w x h picture whose pixel (x, y) is colour(x, y), as a JPEG file image.
inline std::vector<unsigned char> make(int w, int h, const std::function<Rgb(int, int)>& colour, int quality = 100)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(w);
    info.image_height = JDIMENSION(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            Rgb c = colour(x, y);
            row[x * 3] = c.r;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.b;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> file(out, out + size);
    std::free(out);
    return file;
}

inline std::vector<unsigned char> solid(int w, int h, Rgb c)
{
    return make(w, h, [c](int, int) { return c; });
}

} // namespace jpegdata
