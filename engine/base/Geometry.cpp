#include "base/Geometry.h"

#include "base/XArray.h"

CXPoint CXRect::GetCenteredPosition(CSizedDrawable* g) const
{
    int w = g ? g->Width() : 0;
    int h = g ? g->Height() : 0;
    return CXPoint(left + (Width() - w) / 2, top + (Height() - h) / 2);
}

void CXRect::addRect(CXArray* list, int l, int t, int r, int b)
{
    if (list && l < r && t < b)
        list->add(new CXRect(l, t, r, b));
}

// Full-width bands above and below the overlap, then the pieces left and
// right of it within the overlap's rows.
CXArray* CXRect::sub(const CXRect& r) const
{
    CXArray* pieces = new CXArray();
    CXRect c;
    Common(r, &c);
    if (c.left >= c.right || c.top >= c.bottom) {
        addRect(pieces, left, top, right, bottom);
        return pieces;
    }
    addRect(pieces, left, top, right, c.top);
    addRect(pieces, left, c.bottom, right, bottom);
    addRect(pieces, left, c.top, c.left, c.bottom);
    addRect(pieces, c.right, c.top, right, c.bottom);
    return pieces;
}
