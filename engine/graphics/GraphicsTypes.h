#pragma once
#include "base/Geometry.h"
#include "graphics/PixelWord.h"

#include <cstdint>

// Kinds of a drawable's colour and alpha data as images and animation
// files store them. 0 is plain pixels; the others are packed forms that
// must be opened before the pixels can be drawn or read.
enum _compression {
    COMPRESSION_NONE = 0,
    COMPRESSION_LZO = 2,      // one LZO block of the plain data
    COMPRESSION_LZO_RLE2 = 3, // one LZO block holding the RLE2 form
    COMPRESSION_RLE2 = 4,     // RLE2 kept packed in memory
    COMPRESSION_JPEG = 5      // a JPEG file image; the alpha plane as kind 2
};

// A plane of a drawable: the alpha plane or one of the split colour planes
// of a 24-bit image.
enum _channel { CHANNEL_ALPHA = -1, CHANNEL_RED = 0, CHANNEL_GREEN = 1, CHANNEL_BLUE = 2 };

// One span of a flood fill: pixels x .. x + length - 1 of row y.
struct _floodfill {
    int16_t x;
    int16_t y;
    int16_t length;
};

// A colour table; no depth the engine draws has one.
struct _palette;

// One side of a copy: a block of pixels and where it is drawn.
//
// As the source: data and alpha are its colour data and optional alpha
// plane (width x height bytes), (x, y) is where its top-left pixel lands in
// the destination, and rect the part of it to draw in its own coordinates
// (empty = all of it).
// As the destination: data and alpha are the pixels drawn into and their
// optional alpha plane, x and y are not read, and a non-empty rect limits
// the drawing to that part of the destination.
// pitch is the byte length of one row of data, 0 meaning width x pixel
// size; a locked display surface may have longer rows. Alpha planes never
// have padding: their rows are width bytes.
struct _canvas {
    char* data = nullptr;
    char* alpha = nullptr;
    int32_t bpp = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    CXRect rect;
    int32_t pitch = 0;
};
