#pragma once
#include "base/XObject.h"

class CXString;
class CXArray;

// Common storage of the engine's pointer lists. Elements are never deleted
// by the list. Growth doubles the capacity once count passes
// capacity x growthFactor; besides that rule a store never goes past the
// item array (a list made with factor 1.0 or capacity 0 still grows safely).
template <class T>
class CXPointerList : public CXObject {
public:
    CXPointerList(int initialCapacity, float factor, bool zeroFill)
        : growthFactor(factor), items(nullptr), capacity(initialCapacity > 0 ? initialCapacity : 0), count(0),
          zeroed(zeroFill)
    {
        items = new T*[capacity > 0 ? capacity : 1];
        if (zeroed)
            clearSlots(0, capacity);
    }
    ~CXPointerList() override { delete[] items; }
    CXPointerList(const CXPointerList&) = delete;
    CXPointerList& operator=(const CXPointerList&) = delete;

    virtual void doubleSize()
    {
        int newCapacity = capacity > 0 ? capacity * 2 : 1;
        T** fresh = new T*[newCapacity];
        for (int i = 0; i < (zeroed ? capacity : count); ++i)
            fresh[i] = items[i];
        delete[] items;
        items = fresh;
        int old = capacity;
        capacity = newCapacity;
        if (zeroed)
            clearSlots(old, capacity);
    }

    virtual void add(T* item)
    {
        ensureRoom(count + 1);
        items[count++] = item;
        if (count > capacity * growthFactor)
            doubleSize();
    }

    virtual bool replace(T* oldItem, T* newItem)
    {
        int i = find(oldItem);
        if (i < 0)
            return false;
        items[i] = newItem;
        return true;
    }

    virtual void remove(T* item) { removeAt(find(item)); }

    virtual void removeAt(int index)
    {
        if (index < 0 || index >= count)
            return;
        for (int i = index; i < count - 1; ++i)
            items[i] = items[i + 1];
        --count;
        if (zeroed)
            items[count] = nullptr;
    }

    int find(T* item) const
    {
        for (int i = 0; i < count; ++i)
            if (items[i] == item)
                return i;
        return -1;
    }
    bool contains(T* item) const { return find(item) != -1; }

    // Removes and returns the element at index; null outside the list.
    T* takeAt(int index)
    {
        if (index < 0 || index >= count)
            return nullptr;
        T* item = items[index];
        removeAt(index);
        return item;
    }

    T* operator[](int index) const { return items[index]; }
    T* at(int index) const { return items[index]; }
    int getSize() const { return count; }
    int GetCapacity() const { return capacity; }
    float getGrowthFactor() const { return growthFactor; }

protected:
    void clearSlots(int from, int to)
    {
        for (int i = from; i < to; ++i)
            items[i] = nullptr;
    }
    // Grows until `needed` elements fit in the item array.
    void ensureRoom(int needed)
    {
        while (needed > capacity)
            doubleSize();
    }
    void insertShifted(int index, T* item)
    {
        if (index < 0)
            index = 0;
        if (index > count)
            index = count;
        ensureRoom(count + 1);
        for (int i = count; i > index; --i)
            items[i] = items[i - 1];
        items[index] = item;
        ++count;
    }
    template <class Other>
    void appendAll(const CXPointerList<Other>* other)
    {
        if (!other)
            return;
        // Counted once: a list may be appended to itself.
        const int n = other->getSize();
        while (count + n > capacity * growthFactor)
            doubleSize();
        ensureRoom(count + n);
        for (int i = 0; i < n; ++i)
            items[count++] = static_cast<T*>((*other)[i]);
    }

    float growthFactor;
    T** items;
    int capacity;
    int count;
    bool zeroed;
};

// A growable array of untyped pointers.
class CXArray : public CXPointerList<void> {
public:
    explicit CXArray(int capacity = 101, float growthFactor = 0.75f);

    CXObject* clone() override;
    virtual void add(void* item) override { CXPointerList<void>::add(item); }
    virtual void add(CXArray* other) { appendAll(other); }
    // Stores at index without changing the count; grows to reach index.
    virtual void* setAt(int index, void* item);
    virtual void insertAt(int index, void* item);
    // Whether an element, read as a script value, has this text in any case.
    virtual bool containsString(const CXString& text);
    virtual void removeAll() { count = 0; }
    virtual CXString* stringAt(int index);
};

// A growable array of engine objects.
class CXVector : public CXPointerList<CXObject> {
public:
    explicit CXVector(int capacity = 101, float growthFactor = 0.75f);

    CXObject* clone() override;
    virtual void add(CXObject* item) override { CXPointerList<CXObject>::add(item); }
    virtual void add(CXArray* other) { appendAll(other); }
    // Replaces an element below the count; null out of range.
    virtual CXObject* setAt(int index, CXObject* item);
    virtual void insertAt(int index, CXObject* item);
    virtual void removeAll() { count = 0; }
    // The target receives these elements and this count.
    virtual void copyInto(CXVector* target);
};

// A vector kept in ascending compare() order; equal elements keep the order
// in which they were added.
class CSortedVector : public CXVector {
public:
    explicit CSortedVector(int capacity = 101);
    void add(CXObject* item) override;
    using CXVector::add;
    CSortedVector* reverse();
};

class CQuene : public CXArray {
public:
    CQuene() : CXArray(101, 0.75f) {}
    virtual void push(void* item) { add(item); }
    virtual void* pop() = 0;
};

class CFifoQuene : public CQuene {
public:
    void* pop() override { return takeAt(0); }
};

class CLifoQuene : public CQuene {
public:
    void* pop() override { return takeAt(count - 1); }
};

class CXQuene : public CXVector {
public:
    CXQuene() : CXVector(101, 0.75f) {}
    virtual void push(CXObject* item) { add(item); }
    virtual CXObject* pop() = 0;
};

class CXFifoQuene : public CXQuene {
public:
    CXObject* pop() override { return takeAt(0); }
};

class CXLifoQuene : public CXQuene {
public:
    CXObject* pop() override { return takeAt(count - 1); }
};
