#include "base/XArray.h"

#include "base/XString.h"

namespace {
// Guards index-driven growth against absurd indices.
const int maxIndexedCapacity = 1 << 24;
} // namespace

CXArray::CXArray(int capacity, float growthFactor) : CXPointerList<void>(capacity, growthFactor, true) {}

CXObject* CXArray::clone()
{
    CXArray* copy = new CXArray(capacity, growthFactor);
    copy->add(this);
    return copy;
}

void* CXArray::setAt(int index, void* item)
{
    if (index < 0 || index >= maxIndexedCapacity)
        return nullptr;
    while (index > capacity * growthFactor)
        doubleSize();
    ensureRoom(index + 1);
    void* old = items[index];
    items[index] = item;
    return old;
}

void CXArray::insertAt(int index, void* item)
{
    if (index >= maxIndexedCapacity)
        return;
    while (index > capacity * growthFactor)
        doubleSize();
    insertShifted(index, item);
}

bool CXArray::containsString(const CXString& text)
{
    for (int i = 0; i < count; ++i) {
        CXObject* value = static_cast<CXObject*>(items[i]);
        if (value && value->toString().equalsIgnoreCase(text))
            return true;
    }
    return false;
}

CXString* CXArray::stringAt(int index)
{
    if (index < 0 || index >= count)
        return nullptr;
    return static_cast<CXString*>(items[index]);
}

CXVector::CXVector(int capacity, float growthFactor) : CXPointerList<CXObject>(capacity, growthFactor, false) {}

CXObject* CXVector::clone()
{
    CXVector* copy = new CXVector(capacity, growthFactor);
    copy->appendAll(this);
    return copy;
}

CXObject* CXVector::setAt(int index, CXObject* item)
{
    if (index < 0 || index >= count)
        return nullptr;
    CXObject* old = items[index];
    items[index] = item;
    return old;
}

void CXVector::insertAt(int index, CXObject* item)
{
    while (capacity * growthFactor < count)
        doubleSize();
    insertShifted(index, item);
}

void CXVector::copyInto(CXVector* target)
{
    if (!target)
        return;
    target->ensureRoom(count);
    for (int i = 0; i < count; ++i)
        target->items[i] = items[i];
    target->count = count;
}

CSortedVector::CSortedVector(int capacity) : CXVector(capacity, 0.75f) {}

void CSortedVector::add(CXObject* item)
{
    for (int i = 0; i < count; ++i) {
        if (items[i] && items[i]->compare(item) > 0) {
            insertAt(i, item);
            return;
        }
    }
    CXVector::add(item);
}

CSortedVector* CSortedVector::reverse()
{
    CSortedVector* reversed = new CSortedVector(count);
    for (int i = count - 1; i >= 0; --i)
        reversed->CXVector::add(items[i]);
    return reversed;
}
