#include "graphics/Targa.h"

#include "base/File.h"
#include "graphics/PixelBlock.h"

#include <cstring>
#include <memory>

CTarga::CTarga(CWindow* w) : CGraphicsObject(w) { std::memset(header, 0, sizeof header); }

CTarga::CTarga(CWindow* w, CXString fileName) : CGraphicsObject(w)
{
    std::memset(header, 0, sizeof header);
    setFileName(fileName);
    setErrorCode(Load(fileName));
}

int CTarga::Load(CXString fileName)
{
    Flush();
    CFile file;
    if (file.Open(window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) == 0) {
        const int code = Load(&file);
        const int closed = file.Close();
        setErrorCode(code ? code : closed);
        Visible(true);
    } else {
        setErrorCode(CFile::ERROR_OPEN);
    }
    convertToDisplay();
    return LastError();
}

int CTarga::Load(CFile* file)
{
    startReading();
    const int64_t length = file ? file->Length() : -1;
    if (length < int64_t(sizeof header) || file->Seek(0, SEEK_SET) != 0 ||
        file->Read(header, sizeof header) != int(sizeof header))
        return damaged();
    if (header[0] != 0)
        return 0;
    const int depth = int8_t(header[16]);
    const int w = int16_t(header[12] | header[13] << 8), h = int16_t(header[14] | header[15] << 8);
    bpp = depth;
    width = w;
    height = h;
    pitch = w;
    if (depth != 24)
        return 0;
    const int64_t bytes = blockBytes(w, h, 3);
    if (bytes == 0 || bytes > length - int64_t(sizeof header))
        return damaged();
    std::unique_ptr<char[]> pixels(new char[size_t(bytes)]);
    if (file->Read(pixels.get(), int(bytes)) != bytes)
        return damaged();
    data = pixels.release();
    dataSize = int32_t(bytes);
    // The rows are stored bottom first.
    FlipH();
    return 0;
}
