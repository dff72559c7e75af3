#include "graphics/ValidationQuene.h"

int CValidationElement::compare(CXObject* other)
{
    return priority > static_cast<CValidationElement*>(other)->priority ? 1 : 0;
}

CValidationQuene::CValidationQuene() : cursor(-1) {}

CValidationQuene::~CValidationQuene() = default;

CValidationElement* CValidationQuene::add(CGraphicsObject* drawable, int priority, int)
{
    return &elements.add(drawable, priority, drawable, priority, 0);
}

CValidationElement* CValidationQuene::first()
{
    cursor = 0;
    return getSize() > 0 ? elementAt(0) : nullptr;
}

CValidationElement* CValidationQuene::next()
{
    const int count = getSize();
    if (cursor < count)
        ++cursor;
    return cursor >= 0 && cursor < count ? elementAt(cursor) : nullptr;
}

CValidationElement* CValidationQuene::prev()
{
    if (cursor >= 0)
        --cursor;
    return cursor >= 0 && cursor < getSize() ? elementAt(cursor) : nullptr;
}

void CValidationQuene::clearMarks()
{
    elements.forEach([](CValidationElement& e) { e.mark = false; });
}
