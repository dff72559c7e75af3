#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "graphics/GraphicsTypes.h"

class CGraphicsObject;
class CWindow;

// The kinds of picture file, by extension.
enum _filetype {
    FILETYPE_NONE = 0,      // any other extension
    FILETYPE_IMAGE = 1,     // "img", "jpg": CImage
    FILETYPE_TARGA = 2,     // "tga": CTarga
    FILETYPE_BITMAP = 3,    // "bmp": CXBitmap, which reads nothing
    FILETYPE_PSD = 4,       // "psd": CPSD
    FILETYPE_ANIMATION = 5  // "ann": CAnimo
};

// Picks the reader of a picture file by its extension and makes the
// matching drawable; writes a drawable as an image or animation file.
class CImageFile : public CXObject {
public:
    explicit CImageFile(CWindow* window);

    // Makes the drawable for the file's extension (any case), which loads
    // the file and keeps its own error code: the caller checks LastError of
    // getObject(). An unknown extension makes nothing and leaves the object
    // as it was.
    _filetype Load(CXString name);
    // "img": writes a copy of source as an image file of that kind (the
    // copy becomes the object); "ann": source's own Save (source becomes
    // the object); any other extension writes nothing.
    _filetype Save(CGraphicsObject* source, CXString name, _compression kind);
    // The drawable made by the last Load or Save. Not owned: the caller
    // takes it and deletes it (except a source handed to Save).
    CGraphicsObject* getObject() { return object; }

private:
    CWindow* window;
    CGraphicsObject* object;
};
