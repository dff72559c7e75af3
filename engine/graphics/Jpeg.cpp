#include "graphics/Jpeg.h"

#include "base/Compression.h"
#include "graphics/GraphicsObject.h"
#include "platform/FileIO.h"

#include <csetjmp>
#include <cstring>
// libjpeg's header needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return; ours jumps back to the reader's call that is under way. Only
// plain C state lies between the two points, and everything the reader
// must free afterwards lives in its decoder rather than in locals.
struct Errors {
    jpeg_error_mgr base; // first, so that info.err leads back here
    jmp_buf jump;
    bool truncated;
};

void errorExit(j_common_ptr info) { longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1); }

// Warnings are counted, never printed; data that end early are remembered,
// since libjpeg then fills the missing rows with grey and carries on.
void emitMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<Errors*>(info->err);
    if (level < 0) {
        ++errors->base.num_warnings;
        if (errors->base.msg_code == JWRN_JPEG_EOF)
            errors->truncated = true;
    }
}

void outputMessage(j_common_ptr) {}

} // namespace

struct JPEG::Decoder {
    jpeg_decompress_struct info;
    Errors errors;
    bool started;
    unsigned char* row;
    short* pixels;
};

JPEG::JPEG(char* path) : file(nullptr), width(0), height(0), decoder(nullptr)
{
    file = path ? platform::openFile(path, "rb") : nullptr;
    if (file)
        start(nullptr, 0);
}

JPEG::JPEG(char* data, long size) : file(nullptr), width(0), height(0), decoder(nullptr)
{
    if (data && size > 0)
        start(reinterpret_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
}

JPEG::~JPEG()
{
    finish();
    if (file)
        std::fclose(file);
}

bool JPEG::isValid() const { return decoder && decoder->started; }

bool JPEG::start(const unsigned char* bytes, unsigned long size)
{
    Decoder* d = decoder = new Decoder;
    std::memset(&d->info, 0, sizeof d->info);
    d->started = false;
    d->row = nullptr;
    d->pixels = nullptr;
    d->errors.truncated = false;
    d->info.err = jpeg_std_error(&d->errors.base);
    d->errors.base.error_exit = errorExit;
    d->errors.base.emit_message = emitMessage;
    d->errors.base.output_message = outputMessage;
    if (setjmp(d->errors.jump)) {
        finish();
        return false;
    }
    jpeg_create_decompress(&d->info);
    if (file)
        jpeg_stdio_src(&d->info, file);
    else
        jpeg_mem_src(&d->info, bytes, size);
    jpeg_read_header(&d->info, TRUE);
    // A header that claims an absurd picture is refused before libjpeg
    // allocates for it.
    const int64_t pixels = int64_t(d->info.image_width) * d->info.image_height;
    if (pixels <= 0 || pixels * 2 > CCompression::MaxUnpackedLength) {
        finish();
        return false;
    }
    d->info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d->info);
    if (d->info.output_components != 3 || d->info.output_width == 0 || d->info.output_height == 0 ||
        int64_t(d->info.output_width) * d->info.output_height != pixels) {
        finish();
        return false;
    }
    width = int(d->info.output_width);
    height = int(d->info.output_height);
    d->started = true;
    return true;
}

void JPEG::finish()
{
    if (!decoder)
        return;
    jpeg_destroy_decompress(&decoder->info);
    delete[] decoder->row;
    delete[] decoder->pixels;
    delete decoder;
    decoder = nullptr;
    width = height = 0;
}

short* JPEG::decompress(int bpp)
{
    Decoder* d = decoder;
    if (!d || !d->started)
        return nullptr;
    d->started = false;
    const int w = width, h = height;
    d->pixels = new short[size_t(w) * h];
    d->row = new unsigned char[size_t(w) * 3];
    if (setjmp(d->errors.jump)) {
        finish();
        return nullptr;
    }
    const int depth = bpp == 15 ? 15 : 16;
    while (d->info.output_scanline < d->info.output_height) {
        const JDIMENSION y = d->info.output_scanline;
        JSAMPROW rows[1] = {d->row};
        if (jpeg_read_scanlines(&d->info, rows, 1) != 1) {
            finish();
            return nullptr;
        }
        // The drawable's conversion takes pixels as blue, green, red (as
        // 24-bit image files store them); libjpeg gives red first.
        unsigned char* p = d->row;
        for (int x = 0; x < w; ++x, p += 3) {
            const unsigned char r = p[0];
            p[0] = p[2];
            p[2] = r;
        }
        char* converted = reinterpret_cast<char*>(d->row);
        CGraphicsObject::__convert_bpp(&converted, nullptr, CXSize(w, 1), 24, depth, nullptr, false);
        std::memcpy(d->pixels + size_t(y) * w, d->row, size_t(w) * 2);
    }
    jpeg_finish_decompress(&d->info);
    if (d->errors.truncated) {
        finish();
        return nullptr;
    }
    short* result = d->pixels;
    d->pixels = nullptr;
    return result;
}
