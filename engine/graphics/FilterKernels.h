#pragma once
#include "base/XString.h"

class CGraphicsObject;

// The parameters the static filters read, at the values a filter starts
// with.
struct CFilterKernelParams {
    CXString channels = "RGB";
    int size = 3;
    double angle = 0.0;
    double factorX = 1.0;
    double factorY = 1.0;
    bool byCenter = false;
    int maxJitter = 3;
    int amplitude = 4;
    double density = 1.0;
    int offset = 0;
};

// The pixel kernels of the static filters: each changes a drawable's
// 15/16-bit pixels once. A packed (kind 4) drawable is unpacked first.
// Kernels that build new buffers put them into the drawable and free the
// buffers they replace only with discardOld (otherwise the caller holds
// them); NEGATIVE and the grey conversion work in place.
//
// COLORCHANNEL, BLUR and NEGATIVE read the pixel layout from the screen
// refresh of the drawable's window (16 bits: 5-6-5, else 5-5-5), or from
// the drawable's own depth without one.
//
// A drawable without plain pixels of its own (a view, an animation whose
// pixels are its frame's) and parameters that have no sensible result (a
// BLUR SIZE below 2, a MAXJITTER of 0, a scaled or turned size of 0) leave
// it as it was. Main thread only.
class CFilterKernels {
public:
    // Keeps the channels named by the capital letters "R", "G", "B" in
    // CHANNELS; green loses its lowest bit.
    static void colorChannel(CGraphicsObject* g, const CXString& channels, bool discardOld);
    static void grayScale(CGraphicsObject* g, bool discardOld);
    // Each channel becomes the mean of the pixel and the average of its
    // neighbours in a SIZE x SIZE window; an even SIZE counts the
    // neighbours of the odd window it spans. The border the window does
    // not fit keeps its pixels.
    static void blur(CGraphicsObject* g, int size, bool discardOld);
    // Turns the picture by angle degrees about its centre into a new
    // picture that holds all of it; the centre stays in place.
    static void rotate(CGraphicsObject* g, double angle, bool discardOld);
    static void scale(CGraphicsObject* g, double factorX, double factorY, bool byCenter, bool discardOld);
    // Inside the clipping rectangle (all of the picture when empty), every
    // pixel not fully transparent is inverted; green loses its lowest bit.
    static void negative(CGraphicsObject* g);
    // Each pixel takes one up to maxJitter / 2 away, at random; the alpha
    // plane stays.
    static void randomJitter(CGraphicsObject* g, int maxJitter, bool discardOld);
    // Each column moves by sin(x * density) * amplitude rows and every
    // pixel by offset columns, alpha with it.
    static void waves(CGraphicsObject* g, int amplitude, double density, int offset, bool discardOld);

    // Whether the layout of g's pixels for the kernels above is 5-6-5.
    static bool is565(CGraphicsObject* g);
    // Whether g holds plain 15/16-bit pixels of its own (unpacking a packed
    // one first).
    static bool prepare(CGraphicsObject* g);
    // A displacement offset, kept far inside int range.
    static int offsetOf(double v);
};
