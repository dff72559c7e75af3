#include "graphics/ImageFile.h"

#include "base/Path.h"
#include "graphics/Image.h"
#include "graphics/PSD.h"
#include "graphics/Targa.h"
#include "media/Animo.h"
#include "script/Element.h"

namespace {

_filetype typeOf(CXString extension)
{
    extension.Lower();
    if (extension == "img" || extension == "jpg")
        return FILETYPE_IMAGE;
    if (extension == "tga")
        return FILETYPE_TARGA;
    if (extension == "bmp")
        return FILETYPE_BITMAP;
    if (extension == "psd")
        return FILETYPE_PSD;
    if (extension == "ann")
        return FILETYPE_ANIMATION;
    return FILETYPE_NONE;
}

// The definition records' "IMAGE": the picture of "FILENAME", shown when
// "VISIBLE" is true and hidden otherwise.
CXObject* makeImage(CWindow* window, CMElement* element)
{
    CImage* image = new CImage(window, element->getPropertyValue("FILENAME"));
    image->Visible(element->getPropertyBoolValue("VISIBLE"));
    return static_cast<CGraphicsObject*>(image);
}

struct Registration {
    Registration() { CMElementCreator::setImageMaker(&makeImage); }
} registration;

} // namespace

CImageFile::CImageFile(CWindow* w) : window(w), object(nullptr) {}

_filetype CImageFile::Load(CXString name)
{
    const _filetype type = typeOf(CPath(window, name).GetExtension());
    switch (type) {
    case FILETYPE_IMAGE:
        object = new CImage(window, name);
        break;
    case FILETYPE_TARGA:
        object = new CTarga(window, name);
        break;
    case FILETYPE_BITMAP:
        object = new CXBitmap(window, name);
        break;
    case FILETYPE_PSD:
        object = new CPSD(window, name);
        break;
    case FILETYPE_ANIMATION:
        object = new CAnimo(window, name);
        break;
    case FILETYPE_NONE:
        break;
    }
    return type;
}

_filetype CImageFile::Save(CGraphicsObject* source, CXString name, _compression kind)
{
    CXString extension = CPath(window, name).GetExtension();
    extension.Lower();
    if (extension == "img") {
        // The copy keeps what the write gave as its error code.
        CImage* copy = new CImage(window, source);
        copy->setErrorCode(copy->Save(name, kind));
        object = copy;
        return FILETYPE_IMAGE;
    }
    if (extension == "ann" && source) {
        source->Save(name, kind);
        object = source;
        return FILETYPE_ANIMATION;
    }
    return FILETYPE_NONE;
}
