#pragma once
#include "graphics/GraphicsObject.h"

class CAnimo;
class CRefreshScreen;

// A drawable without pixels of its own: a view onto another drawable (the
// source), shaped by the alpha plane of a third one (the mask). At its own
// place it shows the source's pixels from the mask's position onward (the
// mask's position read as a coordinate inside the source), the mask's
// alpha as per-pixel opacity, limited by the clipping rectangle (in the
// view's own coordinates; an empty one means no clipping). Moving the mask
// pans over the source; moving the view moves where that part is shown.
//
// The view observes its source and its mask owner (the mask drawable, or
// the animation whose frame is the mask) and forgets either when it is
// destroyed, so it never reaches a drawable that is gone. An animation's
// frame is kept by index and fetched from the live animation at each use:
// the frames belong to the animation and go when it reloads.
//
// Size: the smaller of the source's and the mask's sizes (one of them when
// only one is set, 0 x 0 with neither); Width and Height answer the mask's
// own size (the view's size without a mask). Main thread only.
class CVirtualGraphicsObject : public CGraphicsObject {
public:
    explicit CVirtualGraphicsObject(CWindow* window);
    ~CVirtualGraphicsObject() override;

    // Setting the current source or mask again changes nothing.
    void setSource(CGraphicsObject* source);
    void setMask(CGraphicsObject* mask);
    // The animation's current frame becomes the mask; it stays that frame
    // when the animation moves on.
    void setMaskAnimo(CAnimo* animo);
    void updateSize();

    CGraphicsObject* getSource() const { return source; }
    CGraphicsObject* getMaskOwner() const { return maskOwner; }
    // The drawable whose alpha is the mask; null when none (or when the
    // animation no longer has the frame).
    CGraphicsObject* getMaskImage();

    // A view with this one's drawable state, without source and mask.
    CXObject* clone() override;
    void redraw(CGraphicsObject* destination) override;
    bool testHit(CXPoint p) override;
    int Width() override;
    int Height() override;
    void Invalidate(CXRect* r) override;
    void Invalidate() override;
    void onDestroy(CGraphicsObject* gone) override;

    // The refresh pass in which a source was last brought up to date, for
    // all views together.
    static int getPassNumber() { return passNumber; }

private:
    // Stops observing the drawable unless it is still the other role.
    void release(CGraphicsObject* old, CGraphicsObject* other);
    void drawMasked(CGraphicsObject* destination, CGraphicsObject* mask);
    int maskByte(CGraphicsObject* mask, int mx, int my);

    CRefreshScreen* refreshScreen;
    CGraphicsObject* source;
    CGraphicsObject* maskOwner;
    // The plain mask drawable; null with an animation mask.
    CGraphicsObject* maskImage;
    CAnimo* maskAnimo;
    int maskFrame;

    static int passNumber;
};
