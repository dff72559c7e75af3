#include "graphics/ValidationQuene.h"

int CValidationElement::compare(CXObject* other)
{
    return priority > static_cast<CValidationElement*>(other)->priority ? 1 : 0;
}

CValidationQuene::CValidationQuene() : CSortedVector(101), cursor(-1) {}

CValidationQuene::~CValidationQuene() { removeAll(); }

CValidationElement* CValidationQuene::add(CGraphicsObject* drawable, int priority, int)
{
    CValidationElement* element = new CValidationElement(drawable, priority, 0);
    CSortedVector::add(element);
    return element;
}

int CValidationQuene::getIndex(CGraphicsObject* drawable)
{
    for (int i = 0; i < count; ++i)
        if (elementAt(i)->drawable == drawable)
            return i;
    return -1;
}

CValidationElement* CValidationQuene::find(CGraphicsObject* drawable)
{
    int i = getIndex(drawable);
    return i < 0 ? nullptr : elementAt(i);
}

CValidationElement* CValidationQuene::first()
{
    cursor = 0;
    return count > 0 ? elementAt(0) : nullptr;
}

CValidationElement* CValidationQuene::next()
{
    if (cursor < count)
        ++cursor;
    return cursor >= 0 && cursor < count ? elementAt(cursor) : nullptr;
}

CValidationElement* CValidationQuene::prev()
{
    if (cursor >= 0)
        --cursor;
    return cursor >= 0 && cursor < count ? elementAt(cursor) : nullptr;
}

void CValidationQuene::clearMarks()
{
    for (int i = 0; i < count; ++i)
        elementAt(i)->mark = false;
}

void CValidationQuene::remove(CGraphicsObject* drawable)
{
    int i = getIndex(drawable);
    if (i < 0)
        return;
    CValidationElement* element = elementAt(i);
    removeAt(i);
    delete element;
}

void CValidationQuene::removeAll()
{
    for (int i = 0; i < count; ++i)
        delete elementAt(i);
    CSortedVector::removeAll();
}
