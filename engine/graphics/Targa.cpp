#include "graphics/Targa.h"

#include "base/File.h"
#include "base/FileReport.h"
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
        if (code)
            CFileReport::failedAt("picture", fileName, refusal, file.getOpenedName());
    } else {
        setErrorCode(CFile::ERROR_OPEN);
        CFileReport::failedAt("picture", fileName, "not found", file.getFileName());
    }
    convertToDisplay();
    return LastError();
}

int CTarga::refuse(const char* why)
{
    refusal = why;
    return damaged();
}

int CTarga::Load(CFile* file)
{
    startReading();
    refusal = "cannot be read: the file is cut short";
    const int64_t length = file ? file->Length() : -1;
    if (length < int64_t(sizeof header) || file->Seek(0, SEEK_SET) != 0 ||
        file->Read(header, sizeof header) != int(sizeof header))
        return damaged();
    // Only uncompressed true-colour pixels of 24 bits are read; any other
    // kind would show bytes as pixels they are not.
    const int type = header[2];
    const int depth = int8_t(header[16]);
    if (type == 10)
        return refuse("cannot be shown: a run-length encoded Targa (only uncompressed 24-bit ones are read)");
    if (type != 2)
        return refuse("cannot be shown: not a true-colour Targa (only uncompressed 24-bit ones are read)");
    if (depth != 24)
        return refuse("cannot be shown: a Targa of other than 24 bits a pixel (only 24-bit ones are read)");
    const int w = int16_t(header[12] | header[13] << 8), h = int16_t(header[14] | header[15] << 8);
    // The image ID and a colour map (of no use to true-colour pixels) come
    // before the pixels.
    const int mapEntries = header[5] | header[6] << 8, mapEntryBits = header[7];
    const int64_t skipped = header[0] + (header[1] ? int64_t(mapEntries) * ((mapEntryBits + 7) / 8) : 0);
    const int64_t bytes = blockBytes(w, h, 3);
    if (bytes == 0 || bytes > length - int64_t(sizeof header) - skipped ||
        file->Seek(int(sizeof header + skipped), SEEK_SET) != 0)
        return damaged();
    std::unique_ptr<char[]> pixels(new char[size_t(bytes)]);
    if (file->Read(pixels.get(), int(bytes)) != bytes)
        return damaged();
    bpp = depth;
    width = w;
    height = h;
    pitch = w;
    data = pixels.release();
    dataSize = int32_t(bytes);
    // Rows are stored bottom first unless bit 5 of the descriptor says top
    // first; bit 4 says each row runs right to left.
    const int descriptor = header[17];
    if (!(descriptor & 0x20))
        FlipH();
    if (descriptor & 0x10)
        FlipV();
    return 0;
}
