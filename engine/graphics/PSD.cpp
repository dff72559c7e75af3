#include "graphics/PSD.h"

#include "base/Compression.h"
#include "base/File.h"
#include "base/FileReport.h"
#include "graphics/PixelBlock.h"

#include <cstdlib>
#include <cstring>

// Big-endian reads over the whole file in memory; a read past its end
// fails, and every read after a failure fails too.
class CPSD::Reader {
public:
    explicit Reader(std::vector<char>& bytes) : bytes(bytes) {}

    bool failed() const { return bad; }
    int64_t position() const { return pos; }
    int64_t size() const { return int64_t(bytes.size()); }
    char* at(int64_t offset) { return bytes.data() + offset; }

    uint32_t u32() { return uint32_t(take(4)); }
    uint16_t u16() { return uint16_t(take(2)); }
    uint8_t u8() { return uint8_t(take(1)); }
    // The next n bytes, or null when the file holds fewer.
    char* bytesOf(int64_t n)
    {
        if (!fits(n))
            return nullptr;
        char* p = bytes.data() + pos;
        pos += n;
        return p;
    }
    void skip(int64_t n) { bytesOf(n); }
    void seek(int64_t to)
    {
        if (to < 0 || to > size())
            bad = true;
        else if (!bad)
            pos = to;
    }

private:
    bool fits(int64_t n)
    {
        if (bad || n < 0 || n > size() - pos)
            bad = true;
        return !bad;
    }
    uint64_t take(int n)
    {
        uint64_t v = 0;
        if (const char* p = bytesOf(n))
            for (int i = 0; i < n; ++i)
                v = v << 8 | uint8_t(p[i]);
        return v;
    }

    std::vector<char>& bytes;
    int64_t pos = 0;
    bool bad = false;
};

CPSD::CPSD(CWindow* w) : CGraphicsObject(w), selected(0), current(nullptr) {}

CPSD::CPSD(CWindow* w, CXString fileName) : CGraphicsObject(w), selected(0), current(nullptr)
{
    Load(fileName);
}

CPSD::CPSD(CWindow* w, CGraphicsObject*) : CGraphicsObject(w), selected(0), current(nullptr) {}

CPSD::~CPSD() { clearLayers(); }

void CPSD::clearLayers()
{
    layers.clear();
    selected = 0;
    current = nullptr;
}

int CPSD::Load(CXString fileName)
{
    Flush();
    CFile file;
    if (file.Open(window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) == 0) {
        const int code = Load(&file);
        const int closed = file.Close();
        setErrorCode(code ? code : closed);
        Visible(true);
        if (code)
            CFileReport::failedAt("picture", fileName, refusal, file.getOpenedName());
        else if (layers.empty())
            CFileReport::failedAt("picture", fileName, "shows nothing: the document has no layers",
                                  file.getOpenedName());
    } else {
        clearLayers();
        setErrorCode(CFile::ERROR_OPEN);
        CFileReport::failedAt("picture", fileName, "not found", file.getFileName());
    }
    for (auto& layer : layers)
        layer->drawable->convertToDisplay();
    return LastError();
}

int CPSD::Load(CFile* file)
{
    clearLayers();
    startReading();
    refusal = "cannot be read: the document is cut short or damaged";
    const int64_t length = file ? file->Length() : -1;
    if (length < 26 || length > CCompression::MaxUnpackedLength || file->Seek(0, SEEK_SET) != 0)
        return damaged();
    std::vector<char> bytes(static_cast<size_t>(length));
    if (file->Read(bytes.data(), int(length)) != length)
        return damaged();
    Reader in(bytes);
    if (!readLayers(in)) {
        clearLayers();
        return damaged();
    }
    SelectLayer(0);
    return 0;
}

bool CPSD::readLayers(Reader& in)
{
    // Signature, version, reserved, channels, height and width are not
    // checked; the layers' planes are read as 8-bit grey or RGB ones.
    in.skip(22);
    const int depth = in.u16(), mode = in.u16();
    if (in.failed())
        return false;
    if (depth != 8 || (mode != MODE_GREY && mode != MODE_RGB)) {
        refusal = "cannot be shown: only 8-bit grey and RGB documents are read";
        return false;
    }
    grey = mode == MODE_GREY;
    // Colour mode data (a palette), then the image resources.
    in.skip(in.u32());
    in.skip(in.u32());
    const uint32_t layerAndMask = in.u32();
    if (in.failed() || layerAndMask == 0)
        return !in.failed();
    const uint32_t layerInfo = in.u32();
    if (in.failed() || layerInfo == 0)
        return !in.failed();
    const int count = std::abs(int(int16_t(in.u16())));

    for (int i = 0; i < count && !in.failed(); ++i) {
        std::unique_ptr<Layer> layer(new Layer);
        const int32_t top = int32_t(in.u32()), left = int32_t(in.u32());
        const int32_t bottom = int32_t(in.u32()), right = int32_t(in.u32());
        layer->bounds = CXRect(left, top, right, bottom);
        // Each layer has its own number of channels.
        const int channels = int16_t(in.u16());
        if (channels < 0)
            return false;
        for (int c = 0; c < channels && !in.failed(); ++c) {
            Channel channel;
            channel.id = int16_t(in.u16());
            channel.length = in.u32();
            layer->channels.push_back(channel);
        }
        // Blend mode signature and key, opacity, clipping, flags, filler;
        // then the extra data: the mask, the blending ranges, the name (its
        // length byte and bytes padded to a multiple of 4) and the further
        // blocks, all within the stated length.
        in.skip(12);
        const uint32_t extra = in.u32();
        const int64_t extraEnd = in.position() + int64_t(extra);
        in.skip(in.u32());
        in.skip(in.u32());
        const int nameLength = in.u8();
        if (const char* name = in.bytesOf((nameLength + 4) / 4 * 4 - 1))
            layer->name = CXString(name, nameLength);
        if (in.position() > extraEnd)
            return false;
        in.seek(extraEnd);
        layers.push_back(std::move(layer));
    }

    for (auto& layer : layers) {
        if (in.failed())
            return false;
        const CXRect& b = layer->bounds;
        const int64_t w = int64_t(b.right) - b.left, h = int64_t(b.bottom) - b.top;
        if (w < 0 || h < 0 || w > INT32_MAX || h > INT32_MAX)
            return false;
        const int64_t pixels = blockBytes(int(w), int(h), 1);
        if (w * h != pixels)
            return false;
        // The pixels are made from the planes read: a layer whose bounds
        // claim more than its data holds costs no more than its data.
        layer->drawable.reset(new CGraphicsObject(window));
        CGraphicsObject* d = layer->drawable.get();
        d->setSize(CXSize(int(w), int(h)));
        d->SetPitch(int(w));
        d->SetBpp(24);
        bool planes = false;
        d->setFileName(layer->name);
        d->SetPosition(b.left, b.top);
        for (const Channel& channel : layer->channels) {
            const int compressionKind = in.u16();
            std::unique_ptr<char[]> plane;
            if (compressionKind == 0) {
                if (const char* raw = in.bytesOf(pixels); raw && pixels > 0) {
                    plane.reset(new char[size_t(pixels)]);
                    std::memcpy(plane.get(), raw, size_t(pixels));
                }
            } else if (compressionKind == 1) {
                // A packed length for each row, then the rows.
                if (h * 2 > in.size() - in.position())
                    return false;
                short* rows = new short[size_t(h ? h : 1)];
                int64_t total = 0;
                for (int64_t r = 0; r < h; ++r) {
                    rows[r] = short(in.u16());
                    total += uint16_t(rows[r]);
                }
                char* packedRows = in.bytesOf(total);
                CRLECompression2 codec(CXSize(int(w), int(h)), rows, packedRows, int(total));
                // A PackBits row takes at least two bytes for every 128 of
                // its bytes; rows that claim less are damage, which would
                // show as a plane of zeros.
                if (pixels > 0 && total < h * 2 * ((w + 127) / 128))
                    return false;
                if (packedRows && pixels > 0)
                    plane.reset(codec.Decompress(0));
            } else {
                // ZIP (2, and 3 with prediction) is not read: an unread
                // plane would show black, so the document is refused.
                if (compressionKind == 2 || compressionKind == 3)
                    refusal = "cannot be shown: its channels are ZIP-compressed (only raw and PackBits channels "
                              "are read)";
                return false;
            }
            if (in.failed())
                return false;
            // Planes of other ids (masks) are not used.
            char** target = channel.id == -1  ? &d->GetChannelAlpha()
                            : channel.id == 0 ? &d->GetChannelRed()
                            : channel.id == 1 ? &d->GetChannelGreen()
                            : channel.id == 2 ? &d->GetChannelBlue()
                                              : nullptr;
            if (!plane || !target)
                continue;
            delete[] *target;
            *target = plane.release();
            planes = true;
        }
        // A grey layer's one colour plane is all three (a grey document
        // may still hold layers of three planes).
        if (grey && d->GetChannelRed() && !d->GetChannelGreen() && !d->GetChannelBlue()) {
            for (char** other : {&d->GetChannelGreen(), &d->GetChannelBlue()}) {
                delete[] *other;
                *other = new char[size_t(pixels)];
                std::memcpy(*other, d->GetChannelRed(), size_t(pixels));
            }
        }
        if (planes)
            d->JoinChannels();
    }
    return !in.failed();
}

void CPSD::SelectLayer(int index)
{
    if (index < 0 || index >= GetLayerNo())
        return;
    selected = index;
    current = layers[size_t(index)]->drawable.get();
}

void CPSD::SelectLayer(const CXString& layerName)
{
    for (size_t i = 0; i < layers.size(); ++i)
        if (layers[i]->name == layerName) {
            SelectLayer(int(i));
            return;
        }
}

CXString CPSD::GetLayerName(int index)
{
    if (index == -1)
        index = selected;
    if (index < 0 || index >= GetLayerNo())
        return CXString();
    return layers[size_t(index)]->name;
}

CXRect CPSD::GetLayerRect(int)
{
    return selected < GetLayerNo() ? layers[size_t(selected)]->bounds : CXRect();
}

void CPSD::SetPosition(int px, int py)
{
    CGraphicsObject::SetPosition(px, py);
    if (!current)
        return;
    current->SetPosition(px, py);
    CXRect& b = layers[size_t(selected)]->bounds;
    b = CXRect(px, py, px + b.Width(), py + b.Height());
}
