#pragma once
#include "graphics/GraphicsObject.h"

// What drawing a drawable somewhere else for a moment changes of it (its
// destiny, clipping rectangle and position), kept when made and put back
// by restore. The position is put back through SetPosition with the
// anchor added, so that the drawable's top-left is the one it had.
class CDrawableState {
public:
    explicit CDrawableState(CGraphicsObject* d)
        : drawable(d), destiny(d->GetDestiny()), clip(d->GetClippingRect()), position(d->GetPosition())
    {
    }

    void restore()
    {
        drawable->SetDestiny(destiny);
        drawable->SetClippingRect(clip);
        restorePosition();
    }
    void restorePosition()
    {
        const CXPoint anchor = drawable->getAnchor();
        drawable->SetPosition(position.x + anchor.x, position.y + anchor.y);
    }

private:
    CGraphicsObject* drawable;
    CGraphicsObject* destiny;
    CXRect clip;
    CXPoint position;
};
