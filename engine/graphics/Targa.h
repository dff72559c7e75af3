#pragma once
#include "graphics/GraphicsObject.h"

// A 24-bit Targa picture: uncompressed true-colour pixels (image type 2),
// after the image ID and colour map, with their rows turned over (FlipH)
// unless the descriptor says they are stored top first. Every other image
// type (run-length encoded, colour-mapped, grey) and depth is refused: the
// picture is empty with ERROR_DAMAGED and the file is named on standard
// error.
class CTarga : public CGraphicsObject {
public:
    explicit CTarga(CWindow* window);
    // Names the drawable and loads the file; the error code is the result.
    CTarga(CWindow* window, CXString name);

    // Opens the file through the data folders, reads it and converts the
    // pixels to the display's depth. 0, CFile::ERROR_OPEN when it cannot be
    // opened, ERROR_DAMAGED when it is shorter than its header says or of a
    // kind not read (the picture is then empty).
    int Load(CXString name) override;
    // The open file from its start; the error code.
    int Load(CFile* file) override;
    // Targa files are not written: nothing happens, 0.
    int Save(CXString, _compression) override { return 0; }
    using CGraphicsObject::Save;

    const unsigned char* getHeader() const { return header; }

private:
    // Empties the picture for a file of a kind not read.
    int refuse(const char* why);
    unsigned char header[18];
    const char* refusal = "";
};
