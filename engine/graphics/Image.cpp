#include "graphics/Image.h"

#include "base/File.h"
#include "base/FileReport.h"
#include "graphics/ImageFile.h"
#include "graphics/Jpeg.h"
#include "graphics/PixelBlock.h"
#include "graphics/Window.h"
#include "script/Element.h"

#include <memory>

CImage::CImage(CWindow* w) : CGraphicsObject(w), CPlayable(w) {}

CImage::CImage(CWindow* w, CXString fileName) : CGraphicsObject(w), CPlayable(w)
{
    CGraphicsObject::name = fileName;
    setErrorCode(Load(fileName, true));
}

CImage::CImage(CWindow* w, CGraphicsObject* source) : CGraphicsObject(w), CPlayable(w)
{
    copyPicture(source);
    CGraphicsObject::name = CXString();
}

CImage::CImage(CImage& other) : CGraphicsObject(other.GetWindow()), CPlayable(other.getWindow())
{
    other.syncLink();
    copyPicture(&other);
    setFilename(other.CFileResolver::getFileName());
    if (other.isLoaded())
        CFileResolver::load();
    toRelease(other.releaseAfterUse());
    CPlayable::name = other.CPlayable::name;
}

CImage::CImage(CWindow* w, CMElement* element) : CGraphicsObject(w), CPlayable(w)
{
    if (!element)
        return;
    const CXString file = element->getPropertyValue("FILENAME");
    setFilename(file);
    if (!file.IsString())
        return;
    const CXString preload = element->getPropertyValue("PRELOAD");
    if (!preload.IsString() || preload.toBool())
        Load(file, true);
    if (element->getPropertyBoolValue("VISIBLE"))
        show();
    else
        hide();
    toRelease(element->getPropertyBoolValue("RELEASEAFTERUSE"));
}

// The images linked to this one keep what they showed; a linked one leaves
// its source. Both before the drawable frees its buffers.
CImage::~CImage()
{
    std::vector<CImage*> linked;
    linked.swap(viewers);
    for (CImage* v : linked)
        v->keepCopy();
    unlink();
}

CXObject* CImage::clone() { return static_cast<CGraphicsObject*>(new CImage(*this)); }

int CImage::Load(CXString fileName, bool convert)
{
    Invalidate();
    flush();
    fileName.Lower();
    // A PSD document shows its selected layer, a Targa file its picture,
    // each read by its own reader.
    if (fileName.endsWith(".psd") || fileName.endsWith(".tga")) {
        CImageFile reader(CGraphicsObject::window);
        reader.Load(fileName);
        std::unique_ptr<CGraphicsObject> read(reader.getObject());
        setErrorCode(read ? read->LastError() : CFile::ERROR_OPEN);
        if (LastError() == 0)
            copyPicture(read->getDrawn());
    } else if (!fileName.endsWith(".img")) {
        // Every other name is a JPEG file on disk; such an image is not
        // marked loaded, so that showing it reads the file again. The new
        // picture is shown where it lies, as an ".img" one is.
        const CXString path = CFile::getPath(CGraphicsObject::window, fileName);
        if (load(path) == 0)
            Invalidate();
        else if (!path.IsString())
            CFileReport::failed(CGraphicsObject::window, "picture", fileName, "not found");
        else
            CFileReport::failedAt("picture", fileName, "cannot be shown: not a JPEG picture in RGB or grey, or damaged",
                                  path);
        return LastError();
    } else {
        CFile file;
        if (file.Open(CGraphicsObject::window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
            setErrorCode(CFile::ERROR_OPEN);
            CFileReport::failedAt("picture", fileName, "not found", file.getFileName());
            return LastError();
        }
        const int code = Load(&file);
        const int closed = file.Close();
        // A damaged file keeps its own code rather than the close's.
        setErrorCode(code ? code : closed);
        if (code)
            CFileReport::failedAt("picture", fileName, "cannot be read: damaged", file.getOpenedName());
    }
    if (LastError() == 0) {
        Visible(true);
        setFilename(fileName);
        CFileResolver::load();
        Invalidate();
        CGraphicsObject::name = fileName;
        if (convert)
            convertToDisplay();
    }
    return LastError();
}

int CImage::Load(CFile* file) { return readImageFile(file); }

int CImage::Load3(CFile* file) { return readNVI(file); }

int CImage::load(CXString path)
{
    startReading();
    JPEG reader(path.GetBuffer());
    if (!reader.isValid()) {
        // A file that is there but cannot be decoded is damage.
        const bool there = path.IsString() && CFile::fileExists(path);
        damaged();
        if (!there)
            setErrorCode(CFile::ERROR_OPEN);
        return LastError();
    }
    const int w = reader.getWidth(), h = reader.getHeight();
    const int depth = CGraphicsObject::window && CGraphicsObject::window->GetBpp() == 15 ? 15 : 16;
    char* pixels = reinterpret_cast<char*>(reader.decompress(depth));
    if (!pixels)
        return damaged();
    compression = COMPRESSION_NONE;
    bpp = depth;
    width = w;
    height = h;
    pitch = w;
    data = pixels;
    dataSize = int32_t(blockBytes(w, h, 2));
    return 0;
}

void CImage::flush()
{
    Flush();
    CFileResolver::release();
}

void CImage::redraw(CGraphicsObject* destination)
{
    syncLink();
    if (compression == COMPRESSION_RLE2)
        unpack();
    CGraphicsObject::redraw(destination);
}

void CImage::show()
{
    if (!isLoaded() && getFileName().IsString())
        Load(getFileName(), true);
    Visible(true);
}

void CImage::hide()
{
    if (releaseAfterUse())
        flush();
    Visible(false);
}

void CImage::setVisibility(bool on)
{
    if (on)
        show();
    else
        hide();
}
