// Decode throughput of the block codecs on an 800x600 16-bit picture, each
// beside memcpy of the same output size measured in the same run: the
// "x_memcpy" counter is the decoder's time per picture over memcpy's.
// The reference allocates its output as every decoder must. The Drawable
// figures unpack the picture held by a drawable in the compression kinds
// that image and animation files store (LZO, LZO over RLE2, RLE2). The
// ImageFile figures read the picture from an engine image file of each
// kind (from the page cache) until its pixels can be drawn, and JPEG
// decodes a JPEG file image held in memory.
#include "base/Compression.h"
#include "base/File.h"
#include "graphics/GraphicsObject.h"
#include "graphics/Image.h"
#include "graphics/Jpeg.h"
#include "platform/Drives.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "../tests/graphics/JpegData.h"

namespace {

const int Width = 800, Height = 600;
const int PictureBytes = Width * Height * 2;

using Clock = std::chrono::steady_clock;

// A scene background as titles have them: a banded sky, flat walls, a
// dithered floor and a few noisy textured patches, in RGB565.
const std::vector<char>& picture()
{
    static const std::vector<char> pixels = [] {
        std::vector<char> p(PictureBytes);
        std::mt19937 rng(42);
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                uint16_t c;
                if (y < 200)
                    c = uint16_t(0x001F + (y / 8) * 0x0841);
                else if (y < 420)
                    c = (x / 160) % 2 ? 0x8410 : 0xA514;
                else
                    c = uint16_t(0x4208 + ((x + y) & 1) * 0x0020);
                if ((x / 100 + y / 100) % 5 == 0 && y >= 200)
                    c = uint16_t(c ^ (rng() & 0x0C63));
                std::memcpy(&p[2 * (size_t(y) * Width + x)], &c, 2);
            }
        }
        return p;
    }();
    return pixels;
}

double memcpyNanoseconds()
{
    static const double ns = [] {
        const std::vector<char>& source = picture();
        double best = 1e300;
        for (int round = 0; round < 10; ++round) {
            const int n = 50;
            auto start = Clock::now();
            for (int i = 0; i < n; ++i) {
                char* out = new char[PictureBytes];
                std::memcpy(out, source.data(), PictureBytes);
                benchmark::DoNotOptimize(out);
                delete[] out;
            }
            best = std::min(best, std::chrono::duration<double, std::nano>(Clock::now() - start).count() / n);
        }
        return best;
    }();
    return ns;
}

// Runs decode once per iteration and reports the ratio to memcpy.
template <class Decode>
void measure(benchmark::State& state, int packedBytes, Decode decode)
{
    const double reference = memcpyNanoseconds();
    int64_t rounds = 0;
    auto start = Clock::now();
    for (auto _ : state) {
        char* out = decode();
        benchmark::DoNotOptimize(out);
        delete[] out;
        ++rounds;
    }
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count() / double(rounds);
    state.SetBytesProcessed(int64_t(state.iterations()) * PictureBytes);
    state.counters["x_memcpy"] = ns / reference;
    state.counters["packed_pct"] = 100.0 * packedBytes / PictureBytes;
}

void BM_memcpy(benchmark::State& state)
{
    const std::vector<char>& source = picture();
    measure(state, PictureBytes, [&] {
        char* out = new char[PictureBytes];
        std::memcpy(out, source.data(), PictureBytes);
        return out;
    });
}

void BM_RLE16(benchmark::State& state)
{
    int packed = 0;
    std::unique_ptr<char[]> block(
        CRLECompression::__compress(const_cast<char*>(picture().data()), PictureBytes, packed));
    measure(state, packed, [&] { return CRLECompression::__decompress(block.get(), packed, PictureBytes); });
}

void BM_RLE8(benchmark::State& state)
{
    int packed = 0;
    std::unique_ptr<char[]> block(
        CRLECompression::__compresschar(const_cast<char*>(picture().data()), PictureBytes, packed));
    measure(state, packed, [&] { return CRLECompression::__decompresschar(block.get(), packed, PictureBytes); });
}

// PackBits rows of 1600 bytes, packed here since the engine only reads them.
void BM_PackBits(benchmark::State& state)
{
    const int rowBytes = Width * 2;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(picture().data());
    std::vector<char> packed;
    std::vector<short> rows;
    for (int y = 0; y < Height; ++y) {
        const unsigned char* row = in + size_t(y) * rowBytes;
        const size_t rowStart = packed.size();
        for (int x = 0; x < rowBytes;) {
            int run = 1;
            while (x + run < rowBytes && run < 128 && row[x + run] == row[x])
                ++run;
            if (run >= 3) {
                packed.push_back(char(1 - run));
                packed.push_back(char(row[x]));
                x += run;
                continue;
            }
            int literal = 0;
            while (x + literal < rowBytes && literal < 128 &&
                   !(x + literal + 2 < rowBytes && row[x + literal] == row[x + literal + 1] &&
                     row[x + literal] == row[x + literal + 2]))
                ++literal;
            packed.push_back(char(literal - 1));
            packed.insert(packed.end(), row + x, row + x + literal);
            x += literal;
        }
        rows.push_back(short(packed.size() - rowStart));
    }
    measure(state, int(packed.size()), [&] {
        short* table = new short[Height];
        std::copy(rows.begin(), rows.end(), table);
        CRLECompression2 codec(CXSize(rowBytes, Height), table, packed.data(), int(packed.size()));
        return codec.Decompress(0);
    });
}

void BM_LZW(benchmark::State& state)
{
    CLZWCompression packer(const_cast<char*>(picture().data()), PictureBytes);
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    measure(state, packed, [&] {
        CLZWCompression codec(block.get(), packed);
        return codec.decompress(PictureBytes);
    });
}

void BM_LZO(benchmark::State& state)
{
    CLZWCompression2 packer(const_cast<char*>(picture().data()), PictureBytes);
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    measure(state, packed + 8, [&] {
        CLZWCompression2 codec(block.get(), packed + 8);
        return codec.decompress();
    });
}

// A drawable holding the picture in a packed form, as a file reader leaves
// it: the block, its length and its kind.
struct PackedPicture : CGraphicsObject {
    PackedPicture() : CGraphicsObject(nullptr) {}
    void hold(const std::vector<char>& block, _compression kind)
    {
        Flush();
        width = ::Width;
        height = ::Height;
        pitch = ::Width;
        bpp = 16;
        data = new char[block.size()];
        std::memcpy(data, block.data(), block.size());
        packedSize = packedSize2 = int(block.size());
        compression = kind;
    }
    int packedLength() const { return packedSize; }
};

// Like measure, with a setup before each decoding that is not timed.
template <class Setup, class Decode>
void measureSteps(benchmark::State& state, int packedBytes, Setup setup, Decode decode)
{
    const double reference = memcpyNanoseconds();
    double ns = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        setup();
        auto start = Clock::now();
        decode();
        ns += std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        ++rounds;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * PictureBytes);
    state.counters["x_memcpy"] = ns / double(rounds) / reference;
    state.counters["packed_pct"] = 100.0 * packedBytes / PictureBytes;
}

std::vector<char> lzoBlock(const char* content, int length)
{
    CLZWCompression2 packer(const_cast<char*>(content), length);
    int packed = 0;
    std::unique_ptr<char[]> block(packer.compress(packed));
    return std::vector<char>(block.get(), block.get() + packed + 8);
}

// Kind 2: one LZO block of the plain pixels.
void BM_DrawableLZO(benchmark::State& state)
{
    const std::vector<char> block = lzoBlock(picture().data(), PictureBytes);
    PackedPicture p;
    measureSteps(
        state, int(block.size()), [&] { p.hold(block, COMPRESSION_LZO); },
        [&] {
            p.DeCompress();
            benchmark::DoNotOptimize(p.GetDataPtr());
            p.Flush();
        });
}

// Kind 3: one LZO block holding the RLE2 form, opened to plain pixels.
void BM_DrawableLZO_RLE2(benchmark::State& state)
{
    int packed = 0;
    std::unique_ptr<char[]> rle(CRLECompression::__compress(const_cast<char*>(picture().data()), PictureBytes, packed));
    const std::vector<char> block = lzoBlock(rle.get(), packed);
    PackedPicture p;
    measureSteps(
        state, int(block.size()), [&] { p.hold(block, COMPRESSION_LZO_RLE2); },
        [&] {
            p.DeCompress();
            p.unpack();
            benchmark::DoNotOptimize(p.GetDataPtr());
            p.Flush();
        });
}

// Kind 4: RLE2 kept packed, opened and packed again as a shown frame is.
void BM_DrawableRLE2(benchmark::State& state)
{
    PackedPicture p;
    p.hold(picture(), COMPRESSION_NONE);
    p.Compress(COMPRESSION_RLE2);
    measureSteps(
        state, p.packedLength(), [] {},
        [&] {
            p.unpack();
            benchmark::DoNotOptimize(p.GetDataPtr());
            p.pack(true);
        });
}

// A folder of files for the benchmark, removed at exit.
struct Folder {
    std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/quarnel-bench-XXXXXX";
    std::vector<std::string> files;
    Folder()
    {
        if (!mkdtemp(&path[0]))
            std::abort();
    }
    ~Folder()
    {
        for (const std::string& f : files)
            std::remove(f.c_str());
        rmdir(path.c_str());
    }
};

std::vector<char> jpegOfPicture();

// The picture as an engine image file of that kind, made once: the
// writer's for the kinds it makes, the JPEG colour by hand. The host's
// name of the file.
std::string imageFile(_compression kind)
{
    static Folder folder;
    const std::string host = folder.path + "/kind" + std::to_string(int(kind)) + ".img";
    if (access(host.c_str(), F_OK) == 0)
        return host;
    folder.files.push_back(host);
    if (kind == COMPRESSION_JPEG) {
        const std::vector<char> jpeg = jpegOfPicture();
        const int32_t header[10] = {0x4B4950, Width, Height, 16, int32_t(jpeg.size()), 0, kind, 0, 0, 0};
        FILE* f = std::fopen(host.c_str(), "wb");
        if (!f || std::fwrite(header, sizeof header, 1, f) != 1 || std::fwrite(jpeg.data(), jpeg.size(), 1, f) != 1)
            std::abort();
        std::fclose(f);
        return host;
    }
    PackedPicture p;
    p.hold(picture(), COMPRESSION_NONE);
    if (kind == COMPRESSION_RLE2)
        p.Compress(COMPRESSION_RLE2);
    if (p.Save(CXString(platform::toEnginePath(host).c_str()), kind) != 0)
        std::abort();
    return host;
}

// The file is opened once: each round reads it from its start (through
// the page cache) and decodes it, as the image object's reader does after
// the file layer has found it.
void BM_ImageFile(benchmark::State& state)
{
    const _compression kind = _compression(state.range(0));
    CFile file;
    if (file.Open(nullptr, CXString(platform::toEnginePath(imageFile(kind)).c_str()), 0x11) != 0)
        std::abort();
    CImage image(nullptr);
    measureSteps(
        state, file.Length() - 40, [] {},
        [&] {
            if (image.Load(&file) != 0)
                std::abort();
            image.unpack();
            benchmark::DoNotOptimize(image.GetDataPtr());
        });
}

// A JPEG file image of the picture (quality 90, as titles store photos),
// made as the tests make theirs.
std::vector<char> jpegOfPicture()
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(picture().data());
    const std::vector<unsigned char> file = jpegdata::make(Width, Height, [p](int x, int y) {
        const unsigned w = p[2 * (y * Width + x)] | p[2 * (y * Width + x) + 1] << 8;
        return jpegdata::Rgb{uint8_t((w >> 11) << 3), uint8_t(((w >> 5) & 63) << 2), uint8_t((w & 31) << 3)};
    }, 90);
    return std::vector<char>(file.begin(), file.end());
}

void BM_JPEG(benchmark::State& state)
{
    std::vector<char> file = jpegOfPicture();
    measure(state, int(file.size()), [&] {
        JPEG reader(file.data(), long(file.size()));
        return reinterpret_cast<char*>(reader.decompress(16));
    });
}

BENCHMARK(BM_memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RLE16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RLE8)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackBits)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LZW)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LZO)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawableLZO)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawableLZO_RLE2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawableRLE2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ImageFile)
    ->ArgName("kind")
    ->Arg(COMPRESSION_NONE)
    ->Arg(COMPRESSION_LZO)
    ->Arg(COMPRESSION_LZO_RLE2)
    ->Arg(COMPRESSION_RLE2)
    ->Arg(COMPRESSION_JPEG)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JPEG)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
