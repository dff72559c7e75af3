#pragma once
#include "graphics/GraphicsObject.h"

// A 24-bit Targa picture. Only uncompressed-looking 24-bit data without an
// image ID is read: the pixels follow the 18-byte header at once and their
// rows are turned over (FlipH), as the titles' files expect. Other depths
// set the size and depth and read no pixels; a file with an image ID reads
// nothing more than its header.
class CTarga : public CGraphicsObject {
public:
    explicit CTarga(CWindow* window);
    // Names the drawable and loads the file; the error code is the result.
    CTarga(CWindow* window, CXString name);

    // Opens the file through the data folders, reads it and converts the
    // pixels to the display's depth. 0, CFile::ERROR_OPEN when it cannot be
    // opened, ERROR_DAMAGED when it is shorter than its header says (the
    // picture is then empty).
    int Load(CXString name) override;
    // The open file from its start; the error code.
    int Load(CFile* file) override;
    // Targa files are not written: nothing happens, 0.
    int Save(CXString, _compression) override { return 0; }
    using CGraphicsObject::Save;

    const unsigned char* getHeader() const { return header; }

private:
    unsigned char header[18];
};
